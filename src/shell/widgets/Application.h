#pragma once

#include <QApplication>

namespace brel {

/// The application object. Its notify() is the program's one top-level
/// catcher: an engine error (or any other exception) that leaves an event
/// handler is shown in the default error box and the program runs on.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace brel

#pragma once

#include <QString>

/// Every message box of the program goes through here. It lives in the
/// lowest layer so the data store and the components can speak without
/// knowing about windows: the window layer installs a handler that shows
/// real boxes (shell/widgets/MessageBoxes), tests install a recorder that
/// captures each text and scripts each answer, so nothing blocks.
namespace brel::Messages {

enum class Icon { Information, Warning, Error, Question };
enum class Buttons { Ok, OkCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

struct Message {
    Icon icon = Icon::Information;
    Buttons buttons = Buttons::Ok;
    QString text;
    QString caption; ///< empty = the application title
};

class Handler {
public:
    virtual ~Handler() = default;
    virtual Answer show(const Message &message) = 0;
};

/// Installs a handler (nullptr = the console fallback); returns the previous one.
Handler *setHandler(Handler *handler);
Handler *handler();

Answer show(const Message &message);
void information(const QString &text, const QString &caption = {});
void warning(const QString &text, const QString &caption = {});
void error(const QString &text, const QString &caption = {});
/// OK / Cancel with the given icon; true for OK.
bool confirm(const QString &text, Icon icon = Icon::Question, const QString &caption = {});
/// Yes / No; true for Yes.
bool askYesNo(const QString &text, Icon icon = Icon::Question, const QString &caption = {});

/// For code that Qt calls while painting or asking a model, where nothing
/// may unwind and no box may open: shows text as an error once the event
/// loop turns. Errors reported before then are dropped, so a screenful of
/// failing cells gives one box.
void errorLater(const QString &text);

} // namespace brel::Messages

#include "shell/widgets/Application.h"

#include "datastore/Engine.h"
#include "base/Messages.h"

#include <exception>

namespace brel {

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Brelvanto"));
    setOrganizationName(QStringLiteral("Quorvane"));
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const EngineError &e) {
        Messages::error(e.message());
    } catch (const std::exception &e) {
        Messages::error(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        Messages::error(tr("发生未知错误。"));
    }
    return false;
}

} // namespace brel

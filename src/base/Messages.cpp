#include "base/Messages.h"

#include <QCoreApplication>
#include <cstdio>

namespace brel::Messages {

namespace {
Handler *g_handler = nullptr;
bool g_errorQueued = false;

// Without a window layer (command-line tools) a message goes to stderr and
// questions take their safe answer.
Answer consoleShow(const Message &m)
{
    std::fprintf(stderr, "%s\n", m.text.toLocal8Bit().constData());
    switch (m.buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::OkCancel: return Answer::Cancel;
    case Buttons::YesNo: return Answer::No;
    }
    return Answer::Ok;
}
} // namespace

Handler *setHandler(Handler *h)
{
    Handler *previous = g_handler;
    g_handler = h;
    return previous;
}

Handler *handler()
{
    return g_handler;
}

Answer show(const Message &message)
{
    return g_handler ? g_handler->show(message) : consoleShow(message);
}

void information(const QString &text, const QString &caption)
{
    show({Icon::Information, Buttons::Ok, text, caption});
}

void warning(const QString &text, const QString &caption)
{
    show({Icon::Warning, Buttons::Ok, text, caption});
}

void error(const QString &text, const QString &caption)
{
    show({Icon::Error, Buttons::Ok, text, caption});
}

void errorLater(const QString &text)
{
    if (g_errorQueued)
        return;
    QCoreApplication *app = QCoreApplication::instance();
    if (!app) {
        error(text);
        return;
    }
    g_errorQueued = true;
    QMetaObject::invokeMethod(
        app,
        [text] {
            g_errorQueued = false;
            error(text);
        },
        Qt::QueuedConnection);
}

bool confirm(const QString &text, Icon icon, const QString &caption)
{
    return show({icon, Buttons::OkCancel, text, caption}) == Answer::Ok;
}

bool askYesNo(const QString &text, Icon icon, const QString &caption)
{
    return show({icon, Buttons::YesNo, text, caption}) == Answer::Yes;
}

} // namespace brel::Messages

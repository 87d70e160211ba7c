#include "base/FileDialogs.h"

namespace brel::FileDialogs {

namespace {
Handler *g_handler = nullptr;
}

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

Result ask(const Request &request)
{
    // Without a window layer there is nobody to ask: the action is cancelled.
    return g_handler ? g_handler->ask(request) : Result{};
}

QString getOpenFileName(const QString &caption, const QString &folder, const QStringList &filters)
{
    Request r;
    r.kind = Kind::Open;
    r.caption = caption;
    r.fileName = folder;
    r.filters = filters;
    const Result res = ask(r);
    return res.accepted ? res.fileName : QString();
}

QString getSaveFileName(const QString &caption, const QString &proposed, const QStringList &filters,
                        const QString &defaultSuffix)
{
    Request r;
    r.kind = Kind::Save;
    r.caption = caption;
    r.fileName = proposed;
    r.filters = filters;
    r.defaultSuffix = defaultSuffix;
    const Result res = ask(r);
    return res.accepted ? res.fileName : QString();
}

} // namespace brel::FileDialogs

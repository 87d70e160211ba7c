#include "shell/widgets/X11Windows.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QStringDecoder>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>

namespace brel {

namespace {

struct FreeReply {
    void operator()(void *reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

// Property lengths are asked in 32-bit units: room for a long client list and
// any sensible title, yet a bounded answer.
constexpr uint32_t kClientListLongs = 1u << 16;
constexpr uint32_t kTitleLongs = 1024;

/// Qt's own connection, when this program shows on an X display.
xcb_connection_t *x11Connection()
{
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection || xcb_connection_has_error(connection))
        return nullptr;
    return connection;
}

struct Atoms {
    xcb_atom_t clientList = XCB_ATOM_NONE;
    xcb_atom_t netWmName = XCB_ATOM_NONE;
    xcb_atom_t utf8String = XCB_ATOM_NONE;
    xcb_atom_t activeWindow = XCB_ATOM_NONE;
};

Atoms internAtoms(xcb_connection_t *connection)
{
    const char *const names[] = {"_NET_CLIENT_LIST", "_NET_WM_NAME", "UTF8_STRING", "_NET_ACTIVE_WINDOW"};
    xcb_intern_atom_cookie_t cookies[std::size(names)];
    // All requests first, then the replies: one round trip instead of four.
    for (size_t i = 0; i < std::size(names); ++i)
        cookies[i] = xcb_intern_atom(connection, 0, uint16_t(strlen(names[i])), names[i]);
    xcb_atom_t atoms[std::size(names)] = {};
    for (size_t i = 0; i < std::size(names); ++i) {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookies[i], nullptr));
        atoms[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    return {atoms[0], atoms[1], atoms[2], atoms[3]};
}

QList<xcb_window_t> rootWindows(xcb_connection_t *connection)
{
    QList<xcb_window_t> roots;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(connection)); it.rem; xcb_screen_next(&it))
        roots.append(it.data->root);
    return roots;
}

/// The window manager's client list of `root`; without one (no window manager
/// runs) the root's children, which are then the top-level windows.
QList<xcb_window_t> topLevelWindows(xcb_connection_t *connection, xcb_window_t root, const Atoms &atoms)
{
    auto listCookie =
        xcb_get_property(connection, 0, root, atoms.clientList, XCB_ATOM_WINDOW, 0, kClientListLongs);
    auto treeCookie = xcb_query_tree(connection, root);

    QList<xcb_window_t> windows;
    Reply<xcb_get_property_reply_t> list(xcb_get_property_reply(connection, listCookie, nullptr));
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(connection, treeCookie, nullptr));
    if (list && list->type == XCB_ATOM_WINDOW && list->format == 32) {
        const auto *ids = static_cast<const xcb_window_t *>(xcb_get_property_value(list.get()));
        const int count = xcb_get_property_value_length(list.get()) / int(sizeof(xcb_window_t));
        windows = QList<xcb_window_t>(ids, ids + count);
    } else if (tree) {
        const xcb_window_t *children = xcb_query_tree_children(tree.get());
        windows = QList<xcb_window_t>(children, children + xcb_query_tree_children_length(tree.get()));
    }
    return windows;
}

/// A title property's text. UTF8_STRING is UTF-8; STRING is Latin-1 by the
/// rules, yet many programs put UTF-8 there, so valid UTF-8 is read as such.
std::optional<QString> titleText(const xcb_get_property_reply_t *reply, xcb_atom_t utf8String)
{
    if (!reply || reply->type == XCB_ATOM_NONE || reply->format != 8)
        return std::nullopt;
    QByteArray bytes(static_cast<const char *>(xcb_get_property_value(reply)),
                     xcb_get_property_value_length(reply));
    while (bytes.endsWith('\0'))
        bytes.chop(1);
    if (reply->type == utf8String)
        return QString::fromUtf8(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

} // namespace

QList<quint32> FindWindowsTitled(const QString &title)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return {};
    const Atoms atoms = internAtoms(connection);

    QList<xcb_window_t> candidates;
    for (xcb_window_t root : rootWindows(connection))
        candidates += topLevelWindows(connection, root, atoms);

    struct TitleCookies {
        xcb_get_property_cookie_t netWmName;
        xcb_get_property_cookie_t wmName;
    };
    QList<TitleCookies> cookies;
    cookies.reserve(candidates.size());
    for (xcb_window_t window : candidates) {
        cookies.append({xcb_get_property(connection, 0, window, atoms.netWmName, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                         kTitleLongs),
                        xcb_get_property(connection, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                         kTitleLongs)});
    }

    QList<quint32> found;
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        // A window gone meanwhile answers with an error, which leaves the reply empty.
        Reply<xcb_get_property_reply_t> netWmName(
            xcb_get_property_reply(connection, cookies[i].netWmName, nullptr));
        Reply<xcb_get_property_reply_t> wmName(xcb_get_property_reply(connection, cookies[i].wmName, nullptr));
        std::optional<QString> text = titleText(netWmName.get(), atoms.utf8String);
        if (!text)
            text = titleText(wmName.get(), atoms.utf8String);
        if (text && *text == title)
            found.append(candidates[i]);
    }
    return found;
}

bool RaiseWindow(quint32 window)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return false;
    const Atoms atoms = internAtoms(connection);

    Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    if (!geometry)
        return false;

    // Checked requests: an error (the window closed just now) comes back here
    // instead of as a warning in Qt's event queue.
    const xcb_void_cookie_t mapped = xcb_map_window_checked(connection, window);
    const uint32_t above = XCB_STACK_MODE_ABOVE;
    const xcb_void_cookie_t stacked =
        xcb_configure_window_checked(connection, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);

    // A window manager decides what is in front; this asks it to activate the
    // window as a pager would (source indication 2: direct user action).
    xcb_client_message_event_t activate = {};
    activate.response_type = XCB_CLIENT_MESSAGE;
    activate.format = 32;
    activate.window = window;
    activate.type = atoms.activeWindow;
    activate.data.data32[0] = 2;
    activate.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, geometry->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&activate));
    xcb_flush(connection);

    Reply<xcb_generic_error_t> mapError(xcb_request_check(connection, mapped));
    Reply<xcb_generic_error_t> stackError(xcb_request_check(connection, stacked));
    return !mapError && !stackError;
}

bool RaiseWindowTitled(const QString &title)
{
    const QList<quint32> windows = FindWindowsTitled(title);
    return !windows.isEmpty() && RaiseWindow(windows.first());
}

} // namespace brel

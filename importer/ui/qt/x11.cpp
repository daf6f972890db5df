#include "importer/ui/qt/x11.h"

#include <QGuiApplication>
#include <QWidget>

#if defined(VEXO_HAVE_XCB)
#include <xcb/xcb.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#endif

namespace plumex::qt::x11 {

#if defined(VEXO_HAVE_XCB)
namespace {

xcb_connection_t* Connection() {
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                                   : nullptr;
    return x11 != nullptr ? x11->connection() : nullptr;
}

// Atoms are the server's for its lifetime: each is asked for once.
xcb_atom_t Atom(xcb_connection_t* connection, std::string_view name) {
    static std::map<std::string, xcb_atom_t, std::less<>> known;
    if (const auto found = known.find(name); found != known.end()) {
        return found->second;
    }
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data());
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    if (!reply) {
        return XCB_ATOM_NONE;
    }
    known.emplace(std::string(name), reply->atom);
    return reply->atom;
}

}  // namespace

bool SetCardinals(QWidget& window, std::string_view property,
                  const std::vector<std::uint32_t>& values) {
    xcb_connection_t* connection = Connection();
    if (connection == nullptr) {
        return false;
    }
    const xcb_atom_t atom = Atom(connection, property);
    if (atom == XCB_ATOM_NONE) {
        return false;
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window.winId()), atom, XCB_ATOM_CARDINAL, 32,
                        static_cast<std::uint32_t>(values.size()), values.data());
    xcb_flush(connection);
    return true;
}

bool IsPropertyChange(const QByteArray& eventType, void* message, const QWidget& window,
                      std::string_view property) {
    if (eventType != "xcb_generic_event_t" || message == nullptr ||
        !window.testAttribute(Qt::WA_WState_Created)) {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & ~0x80) != XCB_PROPERTY_NOTIFY) {
        return false;
    }
    const auto* change = static_cast<const xcb_property_notify_event_t*>(message);
    xcb_connection_t* connection = Connection();
    return connection != nullptr && change->window == static_cast<xcb_window_t>(window.winId()) &&
           change->atom == Atom(connection, property);
}

#else

bool SetCardinals(QWidget&, std::string_view, const std::vector<std::uint32_t>&) {
    return false;
}

bool IsPropertyChange(const QByteArray&, void*, const QWidget&, std::string_view) {
    return false;
}

#endif

}  // namespace plumex::qt::x11

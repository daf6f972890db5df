// The few X11 requests Qt does not offer, for windows shown on X11 (through xcb). Where the
// program runs on another platform, or was built without xcb, they do nothing.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <string_view>
#include <vector>

class QWidget;

namespace plumex::qt::x11 {

// Replaces the 32-bit CARDINAL property of window's native window (created if need be).
// False where there is no X11.
bool SetCardinals(QWidget& window, std::string_view property,
                  const std::vector<std::uint32_t>& values);

// Whether a native event, as a QAbstractNativeEventFilter receives it, tells that property of
// window's native window changed.
bool IsPropertyChange(const QByteArray& eventType, void* message, const QWidget& window,
                      std::string_view property);

}  // namespace plumex::qt::x11

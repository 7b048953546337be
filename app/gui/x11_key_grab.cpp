#include "app/gui/x11_key_grab.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <QGuiApplication>
#include <QMetaObject>
#include <cstdlib>

namespace pindle {
namespace {

xcb_connection_t* Connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

xcb_window_t Root(xcb_connection_t* connection) {
  return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

// The lock modifiers a grab must not depend on: Caps Lock and (usually) Num Lock on Mod2.
constexpr std::uint16_t kLocks[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

}  // namespace

X11KeyGrab::X11KeyGrab(QObject* parent) : QObject(parent) { qGuiApp->installNativeEventFilter(this); }

X11KeyGrab::~X11KeyGrab() {
  release();
  if (qGuiApp) qGuiApp->removeNativeEventFilter(this);
}

bool X11KeyGrab::available() { return Connection() != nullptr; }

bool X11KeyGrab::grab(const ShortcutKey& key, Text& problem) {
  release();
  xcb_connection_t* connection = Connection();
  if (connection == nullptr) {
    problem = "没有连着 X 显示";
    return false;
  }
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection);
  xcb_keycode_t* codes = symbols ? xcb_key_symbols_get_keycode(symbols, key.keysym) : nullptr;
  std::vector<std::uint8_t> found;
  for (xcb_keycode_t* code = codes; code && *code != XCB_NO_SYMBOL; ++code) found.push_back(*code);
  std::free(codes);
  if (symbols) xcb_key_symbols_free(symbols);
  if (found.empty()) {
    problem = "键盘上没有这个键";
    return false;
  }
  bool taken = false;
  for (const std::uint8_t code : found)
    for (const std::uint16_t locks : kLocks) {
      xcb_generic_error_t* error =
          xcb_request_check(connection, xcb_grab_key_checked(connection, 1, Root(connection), key.x11Modifiers | locks,
                                                             code, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
      if (error) {
        taken = true;
        std::free(error);
      }
    }
  keycodes_ = found;
  modifiers_ = key.x11Modifiers;
  if (taken) {
    release();
    problem = "这个按键组合已被别的程序占用";
    return false;
  }
  return true;
}

void X11KeyGrab::release() {
  xcb_connection_t* connection = Connection();
  if (connection != nullptr)
    for (const std::uint8_t code : keycodes_)
      for (const std::uint16_t locks : kLocks) xcb_ungrab_key(connection, code, Root(connection), modifiers_ | locks);
  if (connection != nullptr) xcb_flush(connection);
  keycodes_.clear();
}

bool X11KeyGrab::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
  if (keycodes_.empty() || type != "xcb_generic_event_t") return false;
  const auto* event = static_cast<xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7F) != XCB_KEY_PRESS) return false;
  const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
  const std::uint16_t state = press->state & ~(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2);
  bool ours = state == modifiers_;
  bool known = false;
  for (const std::uint8_t code : keycodes_) known = known || code == press->detail;
  if (!ours || !known) return false;
  // Not from inside the toolkit's event handling.
  QMetaObject::invokeMethod(this, &X11KeyGrab::pressed, Qt::QueuedConnection);
  return true;
}

}  // namespace pindle

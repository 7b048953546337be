#include "tests/gui/fake_clipboard_manager.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace pindle::test {
namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr),
      &std::free);
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

}  // namespace

FakeClipboardManager::FakeClipboardManager(const std::string& display) {
  xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    return;
  }
  connection_ = c;
  running_ = true;
  thread_ = std::thread([this] { serve(); });
}

FakeClipboardManager::~FakeClipboardManager() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (connection_) xcb_disconnect(static_cast<xcb_connection_t*>(connection_));
}

std::string FakeClipboardManager::saved() {
  std::lock_guard lock(mutex_);
  return saved_;
}

void FakeClipboardManager::serve() {
  auto* c = static_cast<xcb_connection_t*>(connection_);
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_window_t window = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                    screen->root_visual, 0, nullptr);
  const xcb_atom_t manager = Atom(c, "CLIPBOARD_MANAGER"), saveTargets = Atom(c, "SAVE_TARGETS"),
                   clipboard = Atom(c, "CLIPBOARD"), utf8 = Atom(c, "UTF8_STRING"), store = Atom(c, "PINDLE_SAVED");
  xcb_set_selection_owner(c, window, manager, XCB_CURRENT_TIME);
  xcb_flush(c);

  xcb_selection_request_event_t pending{};  // the SAVE_TARGETS request waiting for the text
  bool waiting = false;
  pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
  while (!stop_) {
    xcb_generic_event_t* event = xcb_poll_for_event(c);
    if (event == nullptr) {
      if (xcb_connection_has_error(c)) return;
      poll(&fd, 1, 50);
      continue;
    }
    const uint8_t type = event->response_type & 0x7F;
    if (type == XCB_SELECTION_REQUEST) {
      const auto* request = reinterpret_cast<xcb_selection_request_event_t*>(event);
      if (request->selection == manager && request->target == saveTargets) {
        // Fetch the text first, then confirm: the asking program waits for the confirmation.
        pending = *request;
        waiting = true;
        xcb_convert_selection(c, window, clipboard, utf8, store, XCB_CURRENT_TIME);
        xcb_flush(c);
      }
    } else if (type == XCB_SELECTION_NOTIFY && waiting) {
      std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> property(
          xcb_get_property_reply(c, xcb_get_property(c, 1, window, store, XCB_ATOM_ANY, 0, 1 << 20), nullptr),
          &std::free);
      if (property) {
        std::lock_guard lock(mutex_);
        saved_.assign(static_cast<const char*>(xcb_get_property_value(property.get())),
                      static_cast<size_t>(xcb_get_property_value_length(property.get())));
      }
      xcb_selection_notify_event_t done{};
      done.response_type = XCB_SELECTION_NOTIFY;
      done.time = pending.time;
      done.requestor = pending.requestor;
      done.selection = pending.selection;
      done.target = pending.target;
      done.property = pending.property;
      xcb_send_event(c, 0, pending.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&done));
      xcb_flush(c);
      waiting = false;
    }
    std::free(event);
  }
}

}  // namespace pindle::test

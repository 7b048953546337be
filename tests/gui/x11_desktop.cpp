#include "tests/gui/x11_desktop.h"

#include <signal.h>
#include <sys/wait.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "tests/support/process.h"

namespace pindle::test {
namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}

bool Viewable(xcb_connection_t* c, xcb_window_t window) {
  xcb_get_window_attributes_reply_t* attributes =
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
  const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
  std::free(attributes);
  return viewable;
}

// The top-level window whose title starts with "Pindle v", a shown one before a hidden one.
xcb_window_t FindProgramWindow(xcb_connection_t* c) {
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
  if (tree == nullptr) return XCB_NONE;
  xcb_window_t found = XCB_NONE;
  const xcb_window_t* children = xcb_query_tree_children(tree);
  for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
    xcb_get_property_reply_t* name = xcb_get_property_reply(
        c, xcb_get_property(c, 0, children[i], Atom(c, "_NET_WM_NAME"), XCB_ATOM_ANY, 0, 256), nullptr);
    if (name) {
      const std::string title(static_cast<const char*>(xcb_get_property_value(name)),
                              static_cast<size_t>(xcb_get_property_value_length(name)));
      if (title.starts_with("Pindle v") && (found == XCB_NONE || Viewable(c, children[i]))) found = children[i];
      std::free(name);
    }
  }
  std::free(tree);
  return found;
}

}  // namespace

X11Desktop::X11Desktop(const std::vector<std::string>& services, const std::vector<std::string>& settings) {
  if (!x_.running()) problem_ = "Xvfb did not start";
  if (!bus_.running()) problem_ = "dbus-daemon did not start";
  if (!problem_.empty()) return;
  program_ = std::make_unique<DesktopProgram>(dir_.path(), settings);
  std::vector<std::string> argv{PINDLE_DESKTOP_SERVICES};
  argv.insert(argv.end(), services.begin(), services.end());
  services_ = std::make_unique<LineProcess>(argv, environment());
  if (!services_->take("ready")) problem_ = "the desktop services did not start";
}

X11Desktop::~X11Desktop() {
  if (window_ > 0 && !exit_) {
    kill(window_, SIGKILL);
    waitpid(window_, nullptr, 0);
  }
}

std::map<std::string, std::string> X11Desktop::environment() const {
  auto env = X11Environment(x_.name(), bus_.address(), dir_.path());
  env["XDG_RUNTIME_DIR"] = dir_.path();
  env["QT_QPA_PLATFORM"] = "xcb";
  return env;
}

bool X11Desktop::startWindow() {
  window_ = StartProcess(program_->command(), environment());
  for (int i = 0; i < 400; ++i) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path(), ignored))
      if (entry.path().extension() == ".socket" && windowShown()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return false;
}

std::optional<int> X11Desktop::windowExit(int ms) {
  if (exit_) return exit_;
  for (int waited = 0; waited <= ms; waited += 10) {
    int status = 0;
    if (waitpid(window_, &status, WNOHANG) == window_) {
      exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return exit_;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return std::nullopt;
}

bool X11Desktop::windowShown() const {
  // Asked in loops: a connection a moment, not thousands a second, which would crowd the server.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  xcb_connection_t* c = xcb_connect(x_.name().c_str(), nullptr);
  bool shown = false;
  if (!xcb_connection_has_error(c)) {
    const xcb_window_t window = FindProgramWindow(c);
    shown = window != XCB_NONE && Viewable(c, window);
  }
  xcb_disconnect(c);
  return shown;
}

void X11Desktop::closeWindow() const {
  xcb_connection_t* c = xcb_connect(x_.name().c_str(), nullptr);
  if (!xcb_connection_has_error(c)) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = FindProgramWindow(c);
    message.type = Atom(c, "WM_PROTOCOLS");
    message.data.data32[0] = Atom(c, "WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, message.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    xcb_flush(c);
  }
  xcb_disconnect(c);
}

}  // namespace pindle::test

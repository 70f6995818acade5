#include "x11_test_support.h"

#include <fcntl.h>
#include <glib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/screensaver.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <sstream>

#include "app/main_design.h"
#include "app/settings.h"
#include "platform/twips.h"

extern char** environ;

namespace testing_support {

namespace {

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

constexpr xcb_keysym_t kNumLockKeysym = 0xff7f;

Reply<xcb_get_property_reply_t> Property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name,
                                         xcb_atom_t type) {
  // Up to 64 Ki 32-bit values: enough for a window icon of 100 x 100 pixels.
  return Reply<xcb_get_property_reply_t>(
      xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, 65536), nullptr));
}

void SendClientMessage(xcb_connection_t* c, xcb_window_t to, std::uint32_t mask,
                       xcb_window_t window, xcb_atom_t type, std::array<std::uint32_t, 5> data) {
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = type;
  std::ranges::copy(data, message.data.data32);
  xcb_send_event(c, 0, to, mask, reinterpret_cast<const char*>(&message));
  xcb_flush(c);
}

// The environment of a child: ours, with `changes` applied.
std::vector<std::string> ChangedEnvironment(const std::vector<std::string>& changes) {
  std::vector<std::string> result;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    result.emplace_back(*entry);
  }
  for (const std::string& change : changes) {
    const std::string name = change.substr(0, change.find('='));
    std::erase_if(result, [&](const std::string& e) { return e.starts_with(name + "="); });
    if (change.find('=') != std::string::npos) {
      result.push_back(change);
    }
  }
  return result;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> result;
  for (std::string& s : strings) {
    result.push_back(s.data());
  }
  result.push_back(nullptr);
  return result;
}

}  // namespace

Rgb Image::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) {
    return {-1, -1, -1};
  }
  const std::uint32_t pixel = pixels[static_cast<std::size_t>(y * width + x)];
  return {static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
          static_cast<int>(pixel & 0xFF)};
}

bool IsBlack(Rgb colour) {
  return colour.red >= 0 && colour.red < 40 && colour.green < 40 && colour.blue < 40;
}
bool IsGreen(Rgb colour) {
  return colour.green > 150 && colour.red >= 0 && colour.red < 100 && colour.blue < 100;
}

// ---- files -------------------------------------------------------------------------

TemporaryFolder::TemporaryFolder() {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/varn-test-XXXXXX";
  if (mkdtemp(pattern.data()) != nullptr) {
    path_ = pattern;
  }
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string IniPath(const std::string& config_home) {
  return config_home + "/BRELLOCK-VARN-ON/BRELLOCK-VARN-ON.ini";
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(file.good()) << path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::optional<float> StoredNumber(const std::string& config_home, const char* key) {
  GKeyFile* file = g_key_file_new();
  std::optional<float> number;
  if (g_key_file_load_from_file(file, IniPath(config_home).c_str(), G_KEY_FILE_NONE, nullptr)) {
    if (char* value = g_key_file_get_value(file, "Settings", key, nullptr)) {
      number = app::TextToNumber(value);
      g_free(value);
    }
  }
  g_key_file_free(file);
  return number;
}

// ---- commands ------------------------------------------------------------------------

int RunCommand(const std::vector<std::string>& arguments) {
  ChildProcess child(arguments, {});
  return child.Ended(60s) ? child.ExitStatus().value_or(-1) : -1;
}

bool XdotoolOn(const DisplayClient& x, std::vector<std::string> arguments) {
  const std::vector<std::string> xdotool =
      x.Name().empty() ? std::vector<std::string>{"xdotool"}
                       : std::vector<std::string>{"env", "DISPLAY=" + x.Name(), "xdotool"};
  arguments.insert(arguments.begin(), xdotool.begin(), xdotool.end());
  return RunCommand(arguments) == 0;
}

// `mousemove --sync` waits for the pointer to leave where it was, so it is
// only asked for a move that goes somewhere.
bool MovePointerTo(const DisplayClient& x, Point at) {
  const std::optional<Point> now = x.Pointer();
  if (now && now->x == at.x && now->y == at.y) {
    return true;
  }
  return XdotoolOn(x, {"mousemove", "--sync", std::to_string(at.x), std::to_string(at.y)});
}

std::optional<Rect> MoveWindow(const DisplayClient& x, xcb_window_t window, int left, int top) {
  XdotoolOn(x, {"windowmove", std::to_string(window), std::to_string(left), std::to_string(top)});
  std::optional<Rect> frame;
  const bool moved = WaitUntil(
      [&] {
        frame = x.OuterFrame(window);
        return frame && std::abs(frame->x - left) < 30 && std::abs(frame->y - top) < 30;
      },
      15s);
  return moved ? frame : std::nullopt;
}

bool ClickAt(const DisplayClient& x, Point at, int clicks, int gap_ms) {
  return MovePointerTo(x, at) && XdotoolOn(x, {"click", "--repeat", std::to_string(clicks),
                                               "--delay", std::to_string(gap_ms), "1"});
}

bool DoubleClickOnAChild(const DisplayClient& x, xcb_window_t window, Point at, int gap_ms) {
  return MovePointerTo(x, at) && WaitUntil([&] { return x.PointerOverAChildOf(window); }, 30s) &&
         ClickAt(x, at, 2, gap_ms);
}

// ---- DisplayClient -------------------------------------------------------------------

DisplayClient::DisplayClient(const std::string& display) : name_(display) {
  c_ = xcb_connect(display.empty() ? nullptr : display.c_str(), nullptr);
  if (!Ok()) {
    return;
  }
  const xcb_setup_t* setup = xcb_get_setup(c_);
  root_ = xcb_setup_roots_iterator(setup).data->root;  // every server here has one screen
  const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
  Reply<xcb_get_keyboard_mapping_reply_t> mapping(xcb_get_keyboard_mapping_reply(
      c_, xcb_get_keyboard_mapping(c_, setup->min_keycode, count), nullptr));
  Reply<xcb_get_modifier_mapping_reply_t> modifiers(
      xcb_get_modifier_mapping_reply(c_, xcb_get_modifier_mapping(c_), nullptr));
  xcb_keycode_t num_lock_key = 0;
  if (mapping && mapping->keysyms_per_keycode > 0) {
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int length = xcb_get_keyboard_mapping_keysyms_length(mapping.get());
    const auto found = std::find(keysyms, keysyms + length, kNumLockKeysym) - keysyms;
    if (found < length) {
      num_lock_key =
          static_cast<xcb_keycode_t>(setup->min_keycode + found / mapping->keysyms_per_keycode);
    }
  }
  if (modifiers && num_lock_key != 0) {
    const xcb_keycode_t* keys = xcb_get_modifier_mapping_keycodes(modifiers.get());
    for (int i = 0; i < 8 * modifiers->keycodes_per_modifier; ++i) {
      if (keys[i] == num_lock_key) {
        num_lock_mask_ = static_cast<std::uint16_t>(1u << (i / modifiers->keycodes_per_modifier));
      }
    }
  }
}

DisplayClient::~DisplayClient() {
  xcb_disconnect(c_);
}

bool DisplayClient::Ok() const {
  return c_ != nullptr && xcb_connection_has_error(c_) == 0;
}

xcb_atom_t DisplayClient::Atom(const char* name) const {
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
  return reply ? reply->atom : XCB_NONE;
}

std::vector<std::uint32_t> DisplayClient::Values(xcb_window_t window, const char* property) const {
  const auto reply = Property(c_, window, Atom(property), XCB_GET_PROPERTY_TYPE_ANY);
  if (!reply || reply->format != 32) {
    return {};
  }
  const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
  return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}

std::string DisplayClient::Text(xcb_window_t window, const char* property) const {
  const auto reply = Property(c_, window, Atom(property), XCB_GET_PROPERTY_TYPE_ANY);
  return !reply ? std::string()
                : std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                              static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

bool DisplayClient::Has(xcb_window_t window, const char* property, const char* atom) const {
  return std::ranges::count(Values(window, property), Atom(atom)) > 0;
}

void DisplayClient::SetRootText(const char* property, const std::string& text) const {
  xcb_change_property(c_, XCB_PROP_MODE_REPLACE, root_, Atom(property), XCB_ATOM_STRING, 8,
                      static_cast<std::uint32_t>(text.size()), text.data());
  xcb_flush(c_);
}

std::vector<xcb_window_t> DisplayClient::TopLevelWindows() const {
  Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c_, xcb_query_tree(c_, root_), nullptr));
  if (!tree) {
    return {};
  }
  const xcb_window_t* children = xcb_query_tree_children(tree.get());
  return {children, children + xcb_query_tree_children_length(tree.get())};
}

bool DisplayClient::Viewable(xcb_window_t window) const {
  Reply<xcb_get_window_attributes_reply_t> attributes(
      xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, window), nullptr));
  return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

xcb_window_t DisplayClient::WindowOf(pid_t pid, const std::string& caption) const {
  // A window manager puts each window it manages in a frame and lists it.
  std::vector<xcb_window_t> windows = Values(root_, "_NET_CLIENT_LIST");
  std::ranges::copy(TopLevelWindows(), std::back_inserter(windows));
  for (const xcb_window_t window : windows) {
    if (Values(window, "_NET_WM_PID") == std::vector{static_cast<std::uint32_t>(pid)} &&
        Viewable(window) && Text(window, "_NET_WM_NAME") == caption) {
      return window;
    }
  }
  return XCB_NONE;
}

std::optional<Rect> DisplayClient::ClientRect(xcb_window_t window) const {
  Reply<xcb_get_geometry_reply_t> geometry(
      xcb_get_geometry_reply(c_, xcb_get_geometry(c_, window), nullptr));
  Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
      c_, xcb_translate_coordinates(c_, window, root_, 0, 0), nullptr));
  if (!geometry || !origin) {
    return std::nullopt;
  }
  return Rect{origin->dst_x, origin->dst_y, geometry->width, geometry->height};
}

std::optional<Rect> DisplayClient::OuterFrame(xcb_window_t window) const {
  const auto frame = Values(window, "_NET_FRAME_EXTENTS");
  const auto client = ClientRect(window);
  if (frame.size() != 4 || !client) {
    return std::nullopt;
  }
  const auto left = static_cast<int>(frame[0]), right = static_cast<int>(frame[1]);
  const auto top = static_cast<int>(frame[2]), bottom = static_cast<int>(frame[3]);
  return Rect{client->x - left, client->y - top, client->width + left + right,
              client->height + top + bottom};
}

bool DisplayClient::Framed(xcb_window_t window) const {
  const auto state = Values(window, "WM_STATE");
  return !state.empty() && state[0] == 1 /* NormalState */ && OuterFrame(window).has_value();
}

xcb_window_t DisplayClient::TopViewableWindow() const {
  const std::vector<xcb_window_t> windows = TopLevelWindows();
  const auto top = std::ranges::find_if(windows.rbegin(), windows.rend(),
                                        [&](xcb_window_t window) { return Viewable(window); });
  return top != windows.rend() ? *top : XCB_NONE;
}

bool DisplayClient::ActiveIs(xcb_window_t window) const {
  const auto active = Values(root_, "_NET_ACTIVE_WINDOW");
  return !active.empty() && active[0] == window;
}

Image DisplayClient::ScreenImage(Rect area) const {
  return WindowImage(root_, area);
}

Image DisplayClient::WindowImage(xcb_window_t window, Rect area) const {
  Reply<xcb_get_image_reply_t> image(xcb_get_image_reply(
      c_,
      xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, window, static_cast<std::int16_t>(area.x),
                    static_cast<std::int16_t>(area.y), static_cast<std::uint16_t>(area.width),
                    static_cast<std::uint16_t>(area.height), ~0u),
      nullptr));
  // A 24-bit screen comes as 32 bits a pixel.
  const auto count = static_cast<std::size_t>(area.width) * static_cast<std::size_t>(area.height);
  if (!image || image->depth != 24 ||
      static_cast<std::size_t>(xcb_get_image_data_length(image.get())) < count * 4) {
    return {};
  }
  const auto* data = reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(image.get()));
  return Image{area.width, area.height, std::vector<std::uint32_t>(data, data + count)};
}

std::optional<std::string> DisplayClient::Selection(const char* selection) const {
  const xcb_window_t window = xcb_generate_id(c_);
  xcb_create_window(c_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
  const xcb_atom_t property = Atom("VARN_TEST_SELECTION");
  xcb_convert_selection(c_, window, Atom(selection), Atom("UTF8_STRING"), property,
                        XCB_CURRENT_TIME);
  xcb_flush(c_);
  std::optional<std::string> text;
  bool answered = false;
  WaitUntil(
      [&] {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
          if ((event->response_type & 0x7F) == XCB_SELECTION_NOTIFY) {
            const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event);
            answered = notify->requestor == window;
            if (answered && notify->property != XCB_NONE) {
              text = Text(window, "VARN_TEST_SELECTION");
            }
          }
          std::free(event);
        }
        return answered;
      },
      5s);
  xcb_destroy_window(c_, window);
  xcb_flush(c_);
  return text;
}

void DisplayClient::SendDeleteWindow(xcb_window_t window) const {
  SendClientMessage(c_, window, XCB_EVENT_MASK_NO_EVENT, window, Atom("WM_PROTOCOLS"),
                    {Atom("WM_DELETE_WINDOW"), XCB_CURRENT_TIME, 0, 0, 0});
}

xcb_window_t DisplayClient::MakeWindow(int left, int top) const {
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
  const xcb_window_t window = xcb_generate_id(c_);
  xcb_create_window(c_, XCB_COPY_FROM_PARENT, window, root_, static_cast<std::int16_t>(left),
                    static_cast<std::int16_t>(top), 200, 120, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    screen->root_visual, XCB_CW_BACK_PIXEL, &screen->white_pixel);
  const std::uint32_t hints[9] = {1 /* InputHint */, 1 /* takes focus */};
  xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32,
                      9, hints);
  xcb_map_window(c_, window);
  xcb_flush(c_);
  return window;
}

void DisplayClient::Raise(xcb_window_t window) const {
  const std::uint32_t mode = XCB_STACK_MODE_ABOVE;
  xcb_configure_window(c_, window, XCB_CONFIG_WINDOW_STACK_MODE, &mode);
  xcb_flush(c_);
}

void DisplayClient::DestroyWindow(xcb_window_t window) const {
  xcb_destroy_window(c_, window);
  xcb_flush(c_);
}

void DisplayClient::SendToWindowManager(xcb_window_t window, const char* type,
                                        std::array<std::uint32_t, 5> data) const {
  SendClientMessage(c_, root_,
                    XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                    window, Atom(type), data);
}

bool DisplayClient::NumLockLocked() const {
  Reply<xcb_query_pointer_reply_t> pointer(
      xcb_query_pointer_reply(c_, xcb_query_pointer(c_, root_), nullptr));
  return pointer && (pointer->mask & num_lock_mask_) != 0;
}

std::optional<std::chrono::milliseconds> DisplayClient::IdleTime() const {
  Reply<xcb_screensaver_query_info_reply_t> info(
      xcb_screensaver_query_info_reply(c_, xcb_screensaver_query_info(c_, root_), nullptr));
  if (!info) {
    return std::nullopt;
  }
  return std::chrono::milliseconds(info->ms_since_user_input);
}

bool DisplayClient::HasExtension(const char* name) const {
  Reply<xcb_query_extension_reply_t> reply(xcb_query_extension_reply(
      c_, xcb_query_extension(c_, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
  return reply && reply->present != 0;
}

bool DisplayClient::ScreenSaverOn() const {
  Reply<xcb_screensaver_query_info_reply_t> info(
      xcb_screensaver_query_info_reply(c_, xcb_screensaver_query_info(c_, root_), nullptr));
  return info && info->state == XCB_SCREENSAVER_STATE_ON;
}

void DisplayClient::ActivateScreenSaver() const {
  xcb_force_screen_saver(c_, XCB_SCREEN_SAVER_ACTIVE);
  xcb_flush(c_);
}

std::optional<Point> DisplayClient::Pointer() const {
  Reply<xcb_query_pointer_reply_t> pointer(
      xcb_query_pointer_reply(c_, xcb_query_pointer(c_, root_), nullptr));
  if (!pointer) {
    return std::nullopt;
  }
  return Point{pointer->root_x, pointer->root_y};
}

bool DisplayClient::PointerOverAChildOf(xcb_window_t window) const {
  Reply<xcb_query_pointer_reply_t> pointer(
      xcb_query_pointer_reply(c_, xcb_query_pointer(c_, window), nullptr));
  return pointer && pointer->same_screen != 0 && pointer->child != XCB_NONE;
}

float TwipsOf(int pixels) {
  return platform::PixelsToTwips(pixels, kTwipsPerPixel);
}

Rect ControlRect(const DisplayClient& x, xcb_window_t window, const platform::FormDesign& design,
                 std::string_view control, double twips_per_pixel) {
  const Rect client = x.ClientRect(window).value_or(Rect());
  const auto pixels = [&](float twips) { return platform::TwipsToPixels(twips, twips_per_pixel); };
  for (const platform::ControlDesign& item : design.controls) {
    if (item.name == control) {
      return Rect{client.x + pixels(item.left), client.y + pixels(item.top), pixels(item.width),
                  pixels(item.height)};
    }
  }
  return {};
}

// Read from the window itself: under a compositor (Xwayland) the root holds
// no picture of the windows.
int RedLamp(const DisplayClient& x, xcb_window_t main_window, double twips_per_pixel) {
  const Rect client = x.ClientRect(main_window).value_or(Rect());
  const Image screen = x.WindowImage(main_window, {0, 0, client.width, client.height});
  for (int lamp = 1; !screen.pixels.empty() && lamp <= 7; ++lamp) {
    const Point centre = ControlRect(x, main_window, app::MainWindowDesign(),
                                     "VARN_LABEL_" + std::to_string(lamp), twips_per_pixel)
                             .Centre();
    const Rgb colour = screen.At(centre.x - client.x, centre.y - client.y);
    if (colour.red > 200 && colour.green >= 0 && colour.green < 60 && colour.blue < 60) {
      return lamp;
    }
  }
  return 0;
}

// ---- processes -----------------------------------------------------------------------

ChildProcess::ChildProcess(const std::vector<std::string>& arguments,
                           const std::vector<std::string>& changes,
                           const std::string& stderr_file) {
  std::vector<std::string> argv = arguments;
  std::vector<std::string> envp = ChangedEnvironment(changes);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2,
                                   stderr_file.empty() ? "/dev/null" : stderr_file.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  // Its own process group, so that it gets none of the test's signals.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  if (posix_spawnp(&pid_, argv[0].c_str(), &actions, &attributes, Pointers(argv).data(),
                   Pointers(envp).data()) != 0) {
    pid_ = -1;
    reaped_ = true;
  }
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
}

bool ChildProcess::Running() {
  if (reaped_) {
    return false;
  }
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) != pid_) {
    return true;
  }
  reaped_ = true;
  if (WIFEXITED(status)) {
    exit_status_ = WEXITSTATUS(status);
  } else {
    crashed_ = true;
  }
  return false;
}

void ChildProcess::Signal(int signal_number) const {
  if (!reaped_) {
    kill(pid_, signal_number);
  }
}

// The whole process group: whatever the child started goes with it (the
// session bus of a window manager, the services that bus started).
void ChildProcess::Kill() {
  if (!reaped_) {
    kill(-pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    reaped_ = true;
    crashed_ = true;
  }
}

bool ChildProcess::Ended(std::chrono::milliseconds limit) {
  return WaitUntil([&] { return !Running(); }, limit);
}

PrivateXServer::PrivateXServer(const std::vector<std::string>& extra_arguments, int dpi) {
  // Xvfb picks a free display number and writes it once it takes connections.
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) {
    return;
  }
  std::vector<std::string> command{"Xvfb", "-displayfd", std::to_string(pipe_ends[1]), "-nolisten",
                                   "tcp",  "-dpi",       std::to_string(dpi),          "-screen",
                                   "0",    "1024x768x24"};
  command.insert(command.end(), extra_arguments.begin(), extra_arguments.end());
  server_ = std::make_unique<ChildProcess>(command, std::vector<std::string>{});
  close(pipe_ends[1]);
  std::string number;
  char byte = 0;
  while (read(pipe_ends[0], &byte, 1) == 1 && byte != '\n') {
    number += byte;
  }
  close(pipe_ends[0]);
  if (!number.empty()) {
    display_ = ":" + number;
  }
}

WindowManager::WindowManager(const std::string& name, const std::string& display) {
  // Desktop window managers want a session bus: a private one each, with
  // private XDG folders, so nothing is shared with another test or the user.
  std::vector<std::string> command{name};
  if (name == "xfwm4") {
    command = {"dbus-run-session", "--", "xfwm4", "--compositor=off"};
  } else if (name == "mutter") {
    command = {"dbus-run-session", "--", "mutter", "--x11", "--sm-disable"};
  } else if (name == "kwin") {
    command = {"dbus-run-session", "--", "kwin_x11"};
  }
  std::vector<std::string> environment{"DISPLAY=" + display, "WAYLAND_DISPLAY"};
  for (const char* folder : {"CONFIG", "DATA", "CACHE", "RUNTIME"}) {
    const std::string path = home_.File(folder);
    std::filesystem::create_directory(path);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    environment.push_back(std::string("XDG_") + folder + (*folder == 'R' ? "_DIR=" : "_HOME=") +
                          path);
  }
  process_ = std::make_unique<ChildProcess>(command, environment);
  // Taken over once it frames a window of ours, as it will the program's.
  DisplayClient x(display);
  const xcb_window_t probe = x.MakeWindow(0, 0);
  ok_ = WaitUntil([&] { return x.Framed(probe); }, 30s);
  x.DestroyWindow(probe);
}

std::string DeskName(const testing::TestParamInfo<Desk>& info) {
  return std::string(*info.param.window_manager ? info.param.window_manager : "none") +
         std::to_string(info.param.dpi) + "dpi";
}

void PrintTo(const Desk& desk, std::ostream* out) {
  *out << (*desk.window_manager ? desk.window_manager : "no window manager") << " at " << desk.dpi
       << " dpi";
}

void OnADesk::SetUp() {
  ASSERT_FALSE(server_.Display().empty()) << "could not start Xvfb";
  ASSERT_TRUE(x_.Ok());
  // As a desktop session sets it for its programs.
  x_.SetRootText("RESOURCE_MANAGER", "Xft.dpi:\t" + std::to_string(GetParam().dpi) + "\n");
  if (Managed()) {
    manager_.emplace(GetParam().window_manager, server_.Display());
    ASSERT_TRUE(manager_->Ok()) << GetParam().window_manager << " did not start";
  }
}

testing::AssertionResult OnADesk::OuterReaches(xcb_window_t window, std::optional<int> x,
                                               int y) const {
  std::optional<Rect> seen;
  if (WaitUntil(
          [&] {
            seen = Managed() ? x_.OuterFrame(window) : x_.ClientRect(window);
            return seen && seen->x == x.value_or(seen->x) && seen->y == y;
          },
          30s)) {
    return testing::AssertionSuccess();
  }
  return testing::AssertionFailure()
         << "outer corner at " << (seen ? seen->x : -1) << "," << (seen ? seen->y : -1) << ", not "
         << x.value_or(-1) << "," << y;
}

int OnADesk::Pixels(float twips) const {
  return platform::TwipsToPixels(twips, TwipsPerPixel());
}

double OnADesk::TwipsPerPixel() const {
  return platform::TwipsPerPixel(GetParam().dpi);
}

bool XwaylandOfMutterReady(const std::string& log, const std::string& runtime, std::string& display,
                           std::string& authority, std::chrono::milliseconds limit) {
  const std::regex announced("Using public X11 display (:[0-9]+)");
  return WaitUntil(
      [&] {
        std::smatch found;
        const std::string text = ReadFile(log);
        if (std::regex_search(text, found, announced)) {
          display = found[1];
        }
        for (const auto& entry : std::filesystem::directory_iterator(runtime)) {
          if (entry.path().filename().string().starts_with(".mutter-Xwaylandauth")) {
            authority = entry.path().string();
          }
        }
        return !display.empty() && !authority.empty();
      },
      limit);
}

ProgramProcess::ProgramProcess(std::optional<std::string> display, const std::string& config_home,
                               const std::vector<std::string>& arguments,
                               const std::vector<std::string>& environment) {
  std::filesystem::create_directory(folder_.File("runtime"));
  std::filesystem::permissions(folder_.File("runtime"), std::filesystem::perms::owner_all);
  // Leaks inside the system libraries are known and not the program's; the
  // same list tools/test uses keeps them out of the program's stderr.
  const char* leaks = std::getenv("LSAN_OPTIONS");
  std::vector<std::string> changes{
      "WAYLAND_DISPLAY", "XDG_CONFIG_HOME=" + config_home,
      "XDG_RUNTIME_DIR=" + folder_.File("runtime"),
      std::string("LSAN_OPTIONS=") + (leaks != nullptr ? std::string(leaks) + ":" : "") +
          "suppressions=" VARN_LSAN_SUPPRESSIONS ":print_suppressions=0",
      display ? "DISPLAY=" + *display : "DISPLAY"};
  changes.insert(changes.end(), environment.begin(), environment.end());
  std::vector<std::string> command{VARN_PROGRAM};
  command.insert(command.end(), arguments.begin(), arguments.end());
  process_ = std::make_unique<ChildProcess>(command, changes, folder_.File("stderr"));
}

void ProgramProcess::Terminate() const {
  process_->Signal(SIGTERM);
}

std::string ProgramProcess::Outcome() {
  if (Running()) {
    return "still running";
  }
  const std::string said = Stderr();
  return (process_->Crashed()
              ? "crashed"
              : "exit status " + std::to_string(process_->ExitStatus().value_or(-1))) +
         (said.empty() ? ", nothing on stderr" : ", stderr:\n" + said);
}

std::string ProgramProcess::Stderr() const {
  return ReadFile(folder_.File("stderr"));
}

xcb_window_t ProgramProcess::WaitForMainWindow(const DisplayClient& x, bool framed) {
  xcb_window_t window = XCB_NONE;
  WaitUntil(
      [&] {
        window = Running() ? x.WindowOf(Pid(), kMainCaption) : XCB_NONE;
        return !Running() || (window != XCB_NONE && (!framed || x.Framed(window)));
      },
      30s);
  const bool shown = window != XCB_NONE && (!framed || x.Framed(window));
  EXPECT_TRUE(shown) << "the main window did not show: " << Outcome() << "\n" << Stderr();
  return shown ? window : XCB_NONE;
}

xcb_window_t ProgramProcess::WaitForAboutWindow(const DisplayClient& x) {
  xcb_window_t about = XCB_NONE;
  const bool shown = WaitUntil(
      [&] {
        about = x.WindowOf(Pid(), "VARN-ON");
        return about != XCB_NONE && x.Framed(about);
      },
      15s);
  EXPECT_TRUE(shown) << "the About window did not show: "
                     << (about == XCB_NONE ? "no such window" : "not framed") << ", " << Outcome();
  return shown ? about : XCB_NONE;
}

void ProgramProcess::CloseAndExpectCleanExit(const DisplayClient& x, xcb_window_t window) {
  x.SendDeleteWindow(window);
  ASSERT_TRUE(Ended(20s)) << "the program did not end after its window was closed";
  EXPECT_TRUE(EndedWithStatus(0)) << Outcome();
}

}  // namespace testing_support

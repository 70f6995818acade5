// The desktop's double-click setting: the XSETTINGS property read in either
// byte order, and the program's lamps following a settings manager on the
// desktop in DISPLAY as it starts, changes its setting and goes.
#include "app/main_design.h"
#include "platform/x11/connection/xsettings_format.h"
#include "x11_test_support.h"

namespace {

using namespace testing_support;
using platform::x11::ReadXSettingsIntegers;

// An XSETTINGS property as a manager writes it.
class SettingsBytes {
 public:
  explicit SettingsBytes(bool most_significant_first, std::uint32_t count)
      : msb_(most_significant_first) {
    bytes_ = {static_cast<std::uint8_t>(msb_ ? 1 : 0), 0, 0, 0};
    Card32(7);  // serial
    Card32(count);
  }
  SettingsBytes& Integer(const std::string& name, std::int32_t value) {
    Head(0, name);
    Card32(static_cast<std::uint32_t>(value));
    return *this;
  }
  SettingsBytes& Text(const std::string& name, const std::string& value) {
    Head(1, name);
    Card32(static_cast<std::uint32_t>(value.size()));
    Padded(value);
    return *this;
  }
  SettingsBytes& Colour(const std::string& name) {
    Head(2, name);
    bytes_.insert(bytes_.end(), 8, 0xFF);
    return *this;
  }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  void Number(std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
      const int shift = 8 * (msb_ ? width - 1 - i : i);
      bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
    }
  }
  void Card32(std::uint32_t value) { Number(value, 4); }
  void Padded(const std::string& text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    bytes_.insert(bytes_.end(), (4 - text.size() % 4) % 4, 0);
  }
  void Head(std::uint8_t type, const std::string& name) {
    bytes_.push_back(type);
    bytes_.push_back(0);
    Number(static_cast<std::uint32_t>(name.size()), 2);
    Padded(name);
    Card32(3);  // serial of the last change
  }

  bool msb_;
  std::vector<std::uint8_t> bytes_;
};

// Settings GTK reads too (the About window is GTK's), so only real ones.
SettingsBytes DoubleClickSettings(std::int32_t time) {
  SettingsBytes bytes(false, 3);
  bytes.Text("Net/ThemeName", "Adwaita")
      .Integer("Net/DoubleClickTime", time)
      .Integer("Net/DoubleClickDistance", 6);
  return bytes;
}

TEST(XSettingsProperty, IntegersAreReadInEitherByteOrderAndABrokenPropertyGivesNothing) {
  for (const bool msb : {false, true}) {
    SettingsBytes bytes(msb, 4);
    bytes.Integer("Net/DoubleClickTime", 1500)
        .Text("Gtk/FontName", "Sans 10")
        .Colour("Gtk/Colour")
        .Integer("Net/Negative", -2);
    const auto integers = ReadXSettingsIntegers(bytes.Bytes());
    ASSERT_TRUE(integers) << msb;
    EXPECT_EQ(*integers, (platform::x11::XSettingsIntegers{{"Net/DoubleClickTime", 1500},
                                                           {"Net/Negative", -2}}))
        << msb;
  }
  const std::vector<std::uint8_t> whole = DoubleClickSettings(900).Bytes();
  for (std::size_t length = 0; length < whole.size(); ++length) {
    EXPECT_FALSE(ReadXSettingsIntegers(std::span(whole.data(), length))) << length << " bytes";
  }
  std::vector<std::uint8_t> strange = SettingsBytes(false, 1).Integer("A", 1).Bytes();
  strange[12] = 9;  // a type no manager writes
  EXPECT_FALSE(ReadXSettingsIntegers(strange));
  strange[0] = 'B';  // no byte order
  EXPECT_FALSE(ReadXSettingsIntegers(strange));
}

// A desktop's settings manager on its own connection: it owns
// _XSETTINGS_S0, announces itself to the root window and keeps the
// settings on its window.
class SettingsManager {
 public:
  // Atoms are the server's: they are named through the test's own client.
  SettingsManager(const DisplayClient& x, std::int32_t double_click_time) : x_(x) {
    c_ = xcb_connect(x.Name().empty() ? nullptr : x.Name().c_str(), nullptr);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    root_ = screen->root;
    window_ = xcb_generate_id(c_);
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, root_, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    Set(double_click_time);
    const xcb_atom_t selection = x_.Atom("_XSETTINGS_S0");
    xcb_set_selection_owner(c_, window_, selection, XCB_CURRENT_TIME);
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = root_;
    message.type = x_.Atom("MANAGER");
    message.data.data32[0] = XCB_CURRENT_TIME;
    message.data.data32[1] = selection;
    message.data.data32[2] = window_;
    xcb_send_event(c_, 0, root_, XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    Sync();
  }
  // Its window goes before the test goes on, and the selection with it.
  ~SettingsManager() {
    xcb_destroy_window(c_, window_);
    Sync();
    xcb_disconnect(c_);
  }
  SettingsManager(const SettingsManager&) = delete;
  SettingsManager& operator=(const SettingsManager&) = delete;

  void Set(std::int32_t double_click_time) {
    const std::vector<std::uint8_t> bytes = DoubleClickSettings(double_click_time).Bytes();
    const xcb_atom_t settings = x_.Atom("_XSETTINGS_SETTINGS");
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window_, settings, settings, 8,
                        static_cast<std::uint32_t>(bytes.size()), bytes.data());
    Sync();
  }

 private:
  // Every request reaches the server before the test clicks.
  void Sync() const { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

  const DisplayClient& x_;
  xcb_connection_t* c_ = nullptr;
  xcb_window_t root_ = XCB_NONE;
  xcb_window_t window_ = XCB_NONE;
};

class DesktopDoubleClick : public OnTheDesktop {
 protected:
  void SetUp() override {
    OnTheDesktop::SetUp();
    // The About window opens clear of the main window.
    WriteFile(IniPath(config_.Path()), "[Settings]\nAboutLeft=6000\nAboutTop=6000\n");
  }

  // Two clicks on lamp 3, this far apart; whether they open the About window
  // (which is then closed again).
  bool TwoClicksOpenAbout(ProgramProcess& program, xcb_window_t main, int gap_ms,
                          std::chrono::milliseconds limit) {
    const Point lamp = ControlRect(x_, main, app::MainWindowDesign(), "VARN_LABEL_3").Centre();
    EXPECT_TRUE(DoubleClickOnAChild(x_, main, lamp, gap_ms));
    xcb_window_t about = XCB_NONE;
    if (!WaitUntil([&] { return (about = x_.WindowOf(program.Pid(), "VARN-ON")) != XCB_NONE; },
                   limit)) {
      return false;
    }
    x_.SendDeleteWindow(about);
    EXPECT_TRUE(WaitUntil([&] { return x_.WindowOf(program.Pid(), "VARN-ON") == XCB_NONE; }, 15s));
    return true;
  }
};

TEST_F(DesktopDoubleClick, TheLampsFollowTheSettingsManagerAsItChangesGoesAndComes) {
  auto manager = std::make_unique<SettingsManager>(x_, 1500);
  ProgramProcess program(display_, config_.Path());
  const xcb_window_t main = program.WaitForMainWindow(x_, /*framed=*/true);
  ASSERT_NE(main, XCB_NONE);

  // 900 ms apart is too slow for the default 500 ms, quick enough for 1500.
  EXPECT_TRUE(TwoClicksOpenAbout(program, main, 900, 15s)) << "the manager's 1500 ms";
  manager->Set(200);
  // Two seconds with nothing shown: a double-click opens it within 100 ms.
  EXPECT_FALSE(TwoClicksOpenAbout(program, main, 350, 2s)) << "the manager's 200 ms";
  manager.reset();
  EXPECT_TRUE(TwoClicksOpenAbout(program, main, 350, 15s)) << "the default 500 ms";
  manager = std::make_unique<SettingsManager>(x_, 1500);
  EXPECT_TRUE(TwoClicksOpenAbout(program, main, 900, 15s)) << "a new manager's 1500 ms";

  program.CloseAndExpectCleanExit(x_, main);
  EXPECT_EQ(program.Stderr(), "");
}

}  // namespace

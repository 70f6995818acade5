#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <algorithm>

#include "about/about_design.h"
#include "program_script.h"
#include "qt_controls.h"

namespace {

using namespace testing_support;

// The About window opens at 400,400 px, clear of the main window, so both can
// be seen on screen at once.
void PlaceAboutApart(QtProgram& program) {
  program.Preset("AboutLeft", "6000");
  program.Preset("AboutTop", "6000");
}

QRect AboutRect(QtProgram& program, std::string_view control) {
  return ControlRect(Desktop(), program.AboutId(), about::AboutWindowDesign(), control);
}

// The widget of one of the About window's controls, found where its design
// puts it.
template <typename T>
T* AboutControl(QtProgram& program, std::string_view name) {
  QWidget* window = QWidget::find(program.AboutId());
  const QPoint origin = Desktop().ClientRect(program.AboutId()).value_or(QRect()).topLeft();
  for (QWidget* widget = window ? window->childAt(AboutRect(program, name).center() - origin)
                                : nullptr;
       widget != nullptr; widget = widget->parentWidget()) {
    if (auto* control = dynamic_cast<T*>(widget)) {
      return control;
    }
  }
  return nullptr;
}

Step AboutShown(QtProgram& program, std::function<void()> then = {}) {
  return WindowShown(
      "the About window", [&program] { return program.AboutId(); }, std::move(then));
}

// Waits for the focus on a control, then presses `keys`.
Step FocusOn(const std::string& what, std::function<QWidget*()> control, const QStringList& keys) {
  return {"focus on " + what,
          [control] { return control() != nullptr && QApplication::focusWidget() == control(); },
          [keys] { Xdotool(QStringList{"key"} + keys); }};
}

bool GreenOnBlack(const QImage& image) {
  bool green = false;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      green = green || IsGreen(image.pixelColor(x, y));
    }
  }
  return green && IsBlack(image.pixelColor(2, 2)) &&
         IsBlack(image.pixelColor(image.width() - 3, image.height() - 3));
}

TEST(QtAboutWindow, OpensModalFromALampShowsItsTextsTakesKeysRightAndSavesItsPlaceOnOk) {
  QtProgram program;
  PlaceAboutApart(program);
  const DisplayClient& x = Desktop();
  const std::vector<std::pair<std::string_view, QString>> labels{
      {"BRELLOCK_VARN_ON_TITLE", "BRELLOCK - VARN-ON"},
      {"BRELLOCK_VARN_ON_VERSION", "Version 1.0"},
      {"BRELLOCK_VARN_ON_CREATOR", "Created By Tavisk"},
      {"BRELLOCK_VARN_ON_FREEWARE", "!!! FREEWARE !!!"},
      {"VARN_DEDICATION_LABEL", "DEDICATED TO V.A.R.N."},
  };
  auto ok = [&]() -> QWidget* { return AboutControl<QPushButton>(program, "OK_BUTTON"); };
  auto picture = [&]() -> QWidget* { return AboutControl<QLabel>(program, "VARN_PIC_PICBOX"); };
  auto link = [&]() -> QWidget* {
    return AboutControl<QTextEdit>(program, "MARQUENT_WEBSITE_LINK");
  };
  int lamp = 0;
  const std::string failure = RunScript(
      program,
      {MainWindowShown(program, [&] { DoubleClickAt(program.LampCentre(3)); }),
       AboutShown(program,
                  [&] {
                    const xcb_window_t about = program.AboutId();
                    EXPECT_EQ(x.Text(about, "_NET_WM_NAME"), "VARN-ON");
                    EXPECT_EQ(x.Values(about, "WM_TRANSIENT_FOR"),
                              std::vector<std::uint32_t>{program.MainId()});
                    EXPECT_TRUE(x.Has(about, "_NET_WM_STATE", "_NET_WM_STATE_MODAL"));
                    EXPECT_TRUE(x.Has(about, "_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR"));
                    EXPECT_TRUE(x.Has(about, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_UTILITY"));
                    EXPECT_EQ(QApplication::activeModalWidget(), QWidget::find(about));
                    for (const auto& [name, text] : labels) {
                      const auto* label = AboutControl<platform::qt::LabelWidget>(program, name);
                      EXPECT_EQ(label ? label->Caption() : "(none)", text) << name;
                    }
                    EXPECT_EQ(ok() ? static_cast<QPushButton*>(ok())->text() : "", "OK");
                    const auto* text_box = static_cast<QTextEdit*>(link());
                    ASSERT_NE(text_box, nullptr);
                    EXPECT_EQ(text_box->toPlainText(), "MARQUENT: http://www.example.com/\n");
                    EXPECT_TRUE(text_box->isReadOnly());
                    EXPECT_EQ(picture() ? picture()->size() : QSize(), QSize(318, 166));
                  }),
       {"every label painted green on black inside its design rectangle",
        [&] {
          return std::ranges::all_of(labels, [&](const auto& label) {
            return GreenOnBlack(x.ScreenImage(AboutRect(program, label.first)));
          });
        }},
       {"a red lamp with the About window open",
        [&] { return (lamp = RedLamp(x, program.MainId())) != 0; }},
       {"another red lamp with the About window open",
        [&] { return RedLamp(x, program.MainId()) != lamp && RedLamp(x, program.MainId()) != 0; }},
       FocusOn("the OK button", ok, {"Tab"}),
       FocusOn("the picture box", picture, {"Tab"}),
       FocusOn("the text box", link, {"Escape", "Return", "Tab"}),
       // Keys arrive in order: once Tab has been seen, so have Esc and Enter.
       FocusOn("the OK button again", ok, {}),
       Do([&] {
         EXPECT_EQ(program.app.FormsCount(), 2) << "Esc or Enter pressed OK";
         const QPoint at = AboutRect(program, "OK_BUTTON").center();
         Xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
       }),
       {"the About window unloaded by its OK button", [&] { return program.app.FormsCount() == 1; },
        [&] {
          EXPECT_EQ(StoredNumber(program.config.Path(), "AboutLeft"), 6000.0f);
          EXPECT_EQ(StoredNumber(program.config.Path(), "AboutTop"), 6000.0f);
        }},
       SendClose(program),
       ProgramEnded(program)});
  EXPECT_EQ(failure, "");
}

TEST(QtAboutWindow, ClosingTheMainWindowUnloadsTheAboutWindowFirstAndEnds) {
  QtProgram program;
  PlaceAboutApart(program);
  const std::string failure =
      RunScript(program, {MainWindowShown(program, [&] { DoubleClickAt(program.LampCentre(7)); }),
                          AboutShown(program), SendClose(program), ProgramEnded(program)});
  EXPECT_EQ(failure, "");
  for (const auto& [key, twips] : std::vector<std::pair<const char*, float>>{
           {"AboutLeft", 6000}, {"AboutTop", 6000}, {"MainLeft", 1000}, {"MainTop", 1000}}) {
    EXPECT_EQ(StoredNumber(program.config.Path(), key), twips) << key;
  }
}

}  // namespace

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <algorithm>

#include "about/about_design.h"
#include "app/main_design.h"
#include "program_script.h"
#include "qt_controls.h"
#include "x11_probe.h"

namespace {

using namespace testing_support;

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::ranges::find(names, name) != names.end();
}

// The About window opens at 400,400 px (at 96 dpi), clear of the main window,
// so both can be seen on screen at once.
void PlaceAboutApart(QtProgram& program) {
  program.Preset("AboutLeft", "6000");
  program.Preset("AboutTop", "6000");
}

// The widget of one of the About window's controls, found where its design
// puts it.
template <typename T>
T* AboutControl(QtProgram& program, std::string_view name) {
  QWidget* window = QWidget::find(program.AboutId());
  if (window == nullptr) {
    return nullptr;
  }
  const QRect rect = program.ControlRect(program.AboutId(), about::AboutWindowDesign(), name);
  const QPoint origin = ClientOrigin(program.AboutId()).value_or(QPoint());
  for (QWidget* widget = window->childAt(rect.center() - origin); widget != nullptr;
       widget = widget->parentWidget()) {
    if (auto* control = dynamic_cast<T*>(widget)) {
      return control;
    }
  }
  return nullptr;
}

Step DoubleClickLamp(QtProgram& program, int lamp) {
  return {"a lamp to double-click", [] { return true; },
          [&program, lamp] { DoubleClickAt(program.LampCentre(lamp)); }};
}

Step AboutShown(QtProgram& program, std::function<void()> then = {}) {
  return {"the About window on screen",
          [&program] {
            return program.AboutId() != XCB_NONE && IsViewable(program.AboutId()) &&
                   OuterFrame(program.AboutId()).has_value();
          },
          std::move(then)};
}

Step FocusOn(QtProgram& program, std::string what, std::function<QWidget*()> control,
             std::function<void()> then) {
  return {"focus on " + what,
          [&program, control] {
            return program.AboutId() != XCB_NONE && control() != nullptr &&
                   QApplication::focusWidget() == control();
          },
          std::move(then)};
}

TEST(QtAboutWindow, OpensModalOverTheMainWindowWhileTheLampsRun) {
  QtProgram program;
  PlaceAboutApart(program);
  program.Start();
  const std::string failure = RunScript(
      program, {MainWindowShown(program),
                DoubleClickLamp(program, 3),
                AboutShown(program,
                           [&] {
                             const xcb_window_t about = program.AboutId();
                             EXPECT_EQ(WindowName(about), "VARN-ON");
                             EXPECT_EQ(TransientFor(about), program.MainId());
                             const std::vector<std::string> state =
                                 AtomList(about, "_NET_WM_STATE");
                             EXPECT_TRUE(Contains(state, "_NET_WM_STATE_MODAL"));
                             EXPECT_TRUE(Contains(state, "_NET_WM_STATE_SKIP_TASKBAR"));
                             EXPECT_TRUE(Contains(AtomList(about, "_NET_WM_WINDOW_TYPE"),
                                                  "_NET_WM_WINDOW_TYPE_UTILITY"));
                             // The main window takes no input while this one is open.
                             EXPECT_EQ(QApplication::activeModalWidget(), QWidget::find(about));
                           }),
                {"lamp 1 red with the About window open",
                 [&] { return IsRed(ScreenPixel(program.LampCentre(1))); }},
                {"lamp 2 red and lamp 1 black with the About window open",
                 [&] {
                   return IsRed(ScreenPixel(program.LampCentre(2))) &&
                          IsBlack(ScreenPixel(program.LampCentre(1)));
                 },
                 [&] { EXPECT_EQ(program.app.FormsCount(), 2); }},
                {"the OK button pressed", [] { return true; },
                 [&] {
                   ClickAt(program.ControlCentre(program.AboutId(), about::AboutWindowDesign(),
                                                 "OK_BUTTON"));
                 }},
                {"the About window unloaded", [&] { return program.app.FormsCount() == 1; },
                 [&] {
                   const QString ini = program.config.IniText();
                   EXPECT_TRUE(ini.contains("AboutLeft=6000")) << ini.toStdString();
                   EXPECT_TRUE(ini.contains("AboutTop=6000")) << ini.toStdString();
                 }},
                SendClose(program),
                ProgramEnded(program)});
  EXPECT_EQ(failure, "");
}

TEST(QtAboutWindow, ShowsItsTextsGreenOnBlackAtTheirDesignPlaces) {
  QtProgram program;
  PlaceAboutApart(program);
  program.Start();
  const std::vector<std::pair<std::string_view, QString>> labels{
      {"BRELLOCK_VARN_ON_TITLE", "BRELLOCK - VARN-ON"},
      {"BRELLOCK_VARN_ON_VERSION", "Version 1.0"},
      {"BRELLOCK_VARN_ON_CREATOR", "Created By Tavisk"},
      {"BRELLOCK_VARN_ON_FREEWARE", "!!! FREEWARE !!!"},
      {"VARN_DEDICATION_LABEL", "DEDICATED TO V.A.R.N."},
  };
  const std::string failure = RunScript(
      program,
      {MainWindowShown(program),
       DoubleClickLamp(program, 1),
       AboutShown(program,
                  [&] {
                    for (const auto& [name, text] : labels) {
                      const auto* label = AboutControl<platform::qt::LabelWidget>(program, name);
                      ASSERT_NE(label, nullptr) << name;
                      EXPECT_EQ(label->Caption(), text) << name;
                    }
                    const auto* ok = AboutControl<QPushButton>(program, "OK_BUTTON");
                    ASSERT_NE(ok, nullptr);
                    EXPECT_EQ(ok->text(), "OK");
                    const auto* link = AboutControl<QTextEdit>(program, "MARQUENT_WEBSITE_LINK");
                    ASSERT_NE(link, nullptr);
                    EXPECT_EQ(link->toPlainText(), "MARQUENT: http://www.example.com/\n");
                    EXPECT_TRUE(link->isReadOnly());
                    const auto* picture = AboutControl<QLabel>(program, "VARN_PIC_PICBOX");
                    ASSERT_NE(picture, nullptr);
                    EXPECT_EQ(picture->size(), QSize(318, 166));
                  }),
       {"every label painted green on black inside its design rectangle",
        [&] {
          return std::ranges::all_of(labels, [&](const auto& label) {
            const QRect rect =
                program.ControlRect(program.AboutId(), about::AboutWindowDesign(), label.first);
            const QImage image = ScreenImage(rect);
            bool green = false;
            for (int y = 0; y < image.height() && !green; ++y) {
              for (int x = 0; x < image.width() && !green; ++x) {
                green = IsGreen(image.pixelColor(x, y));
              }
            }
            return green && IsBlack(image.pixelColor(2, 2)) &&
                   IsBlack(image.pixelColor(image.width() - 3, image.height() - 3));
          });
        }},
       {"the OK button pressed", [] { return true; },
        [&] {
          ClickAt(
              program.ControlCentre(program.AboutId(), about::AboutWindowDesign(), "OK_BUTTON"));
        }},
       {"the About window unloaded", [&] { return program.app.FormsCount() == 1; }},
       SendClose(program),
       ProgramEnded(program)});
  EXPECT_EQ(failure, "");
}

TEST(QtAboutWindow, TabGoesOkPictureTextBoxAndEscOrEnterDoNotClose) {
  QtProgram program;
  PlaceAboutApart(program);
  program.Start();
  auto ok = [&]() -> QWidget* { return AboutControl<QPushButton>(program, "OK_BUTTON"); };
  auto picture = [&]() -> QWidget* { return AboutControl<QLabel>(program, "VARN_PIC_PICBOX"); };
  auto link = [&]() -> QWidget* {
    return AboutControl<QTextEdit>(program, "MARQUENT_WEBSITE_LINK");
  };
  const std::string failure =
      RunScript(program, {MainWindowShown(program),
                          DoubleClickLamp(program, 5),
                          AboutShown(program),
                          FocusOn(program, "the OK button", ok, [] { PressKey("Tab"); }),
                          FocusOn(program, "the picture box", picture, [] { PressKey("Tab"); }),
                          FocusOn(program, "the text box", link,
                                  [] {
                                    PressKey("Escape");
                                    PressKey("Return");
                                    PressKey("Tab");
                                  }),
                          // Keys arrive in order: once Tab has been seen, so have Esc and Enter.
                          FocusOn(program, "the OK button again", ok,
                                  [&] {
                                    EXPECT_EQ(program.app.FormsCount(), 2);
                                    PressKey("space");
                                  }),
                          {"the About window unloaded by its OK button",
                           [&] { return program.app.FormsCount() == 1; }},
                          SendClose(program),
                          ProgramEnded(program)});
  EXPECT_EQ(failure, "");
}

TEST(QtAboutWindow, ClosingTheMainWindowUnloadsTheAboutWindowFirstAndEnds) {
  QtProgram program;
  PlaceAboutApart(program);
  program.Start();
  const std::string failure =
      RunScript(program, {MainWindowShown(program), DoubleClickLamp(program, 7),
                          AboutShown(program), SendClose(program), ProgramEnded(program)});
  EXPECT_EQ(failure, "");
  const QString ini = program.config.IniText();
  EXPECT_TRUE(ini.contains("AboutLeft=6000")) << ini.toStdString();
  EXPECT_TRUE(ini.contains("AboutTop=6000")) << ini.toStdString();
  EXPECT_TRUE(ini.contains("MainLeft=1000")) << ini.toStdString();
  EXPECT_TRUE(ini.contains("MainTop=1000")) << ini.toStdString();
}

}  // namespace

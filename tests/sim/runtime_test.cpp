// What the window runtime promises every window, on windows of the test's own
// whose handlers do what each case asks.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "platform/application.h"
#include "platform/form.h"
#include "platform/sim/sim_backend.h"

namespace {

using namespace std::chrono_literals;
using platform::TimePoint;

constexpr platform::FormDesign kOwner{.name = "OWNER", .client_width = 3000, .client_height = 3000};
constexpr platform::FormDesign kDialog{
    .name = "DIALOG", .client_width = 1500, .client_height = 900};

class TestForm : public platform::Form {
 public:
  TestForm(platform::Application& app, const platform::FormDesign& design) : Form(app, design) {}
  std::function<void()> on_load = [] {};
  std::function<void(std::int16_t&)> on_unload = [](std::int16_t&) {};
  int unloads = 0;

 protected:
  void Form_Load() override { on_load(); }
  void Form_Unload(std::int16_t& cancel) override {
    ++unloads;
    on_unload(cancel);
  }
};

struct Runtime : testing::Test {
  platform::sim::SimBackend backend;
  platform::Application app{backend};
  TestForm owner{app, kOwner};
  TestForm dialog{app, kDialog};
};

// Cancel keeps the form loaded; an unload asked for inside its own unload,
// or of a form no longer loaded, does nothing; where it stood is still read
// once it is gone.
TEST_F(Runtime, UnloadRunsTheHandlerOnceCancelKeepsTheFormAndItsPlaceIsReadAfterwards) {
  std::int16_t cancel = 1;
  dialog.on_unload = [&](std::int16_t& c) {
    c = cancel;
    app.Unload(dialog);
  };
  dialog.Show();
  dialog.SetLeft(1234.5f);
  dialog.SetTop(-60);
  app.Unload(dialog);
  EXPECT_EQ(dialog.unloads, 1);
  EXPECT_TRUE(dialog.IsLoaded());
  EXPECT_EQ(app.FormsCount(), 1);
  EXPECT_NE(backend.WindowNamed("DIALOG"), nullptr);
  cancel = 0;
  app.Unload(dialog);
  app.Unload(dialog);
  EXPECT_EQ(dialog.unloads, 2);
  EXPECT_FALSE(dialog.IsLoaded());
  EXPECT_EQ(app.FormsCount(), 0);
  EXPECT_TRUE(app.Ended());
  EXPECT_EQ(backend.WindowNamed("DIALOG"), nullptr);
  EXPECT_EQ(dialog.Left(), 1234.5f);
  EXPECT_EQ(dialog.Top(), -60);
}

// A modal show returns once the form is unloaded, its owner taking no input
// meanwhile; any other flag shows it modeless and returns at once, as does a
// show whose load unloads the form again.
TEST_F(Runtime, AModalShowWaitsForTheUnloadAndNoOtherShowDoes) {
  owner.Show();
  TimePoint returned{-1s};
  backend.At(10ms, [&] {
    dialog.Show(1, owner);
    returned = backend.Now();
  });
  backend.At(60ms, [&] {
    EXPECT_FALSE(backend.WindowNamed("OWNER")->AcceptsInput());
    app.Unload(dialog);
  });
  backend.RunFor(100ms);
  EXPECT_EQ(returned, TimePoint(60ms));
  EXPECT_TRUE(backend.WindowNamed("OWNER")->AcceptsInput());

  dialog.Show(0, owner);
  EXPECT_TRUE(backend.WindowNamed("DIALOG")->Visible());
  EXPECT_TRUE(backend.WindowNamed("OWNER")->AcceptsInput());
  app.Unload(dialog);

  dialog.on_load = [&] { app.Unload(dialog); };
  dialog.Show(1, owner);  // nothing is scripted to close it: a modal wait would throw
  dialog.Show();
  EXPECT_EQ(dialog.unloads, 4);
  EXPECT_FALSE(dialog.IsLoaded());
  EXPECT_EQ(app.FormsCount(), 1);
  EXPECT_EQ(backend.WindowNamed("DIALOG"), nullptr);
}

}  // namespace

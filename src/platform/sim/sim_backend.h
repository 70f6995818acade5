// An in-memory window system with a virtual clock. Nothing happens until a
// test advances the clock: then due timers and scripted user actions are
// delivered one at a time, in time order, with the clock standing at each
// one's moment, so every rule can be checked deterministically.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/input/form_input.h"
#include "platform/sim/sim_services.h"

namespace platform::sim {

class SimBackend;

class SimWindow : public NativeWindow {
 public:
  SimWindow(SimBackend& backend, const FormDesign& design, WindowEvents& events,
            WindowHandle handle);
  ~SimWindow() override;

  // NativeWindow
  Twips Left() const override { return left_; }
  Twips Top() const override { return top_; }
  Twips Width() const override { return width_; }
  Twips Height() const override { return height_; }
  void SetLeft(Twips value) override;
  void SetTop(Twips value) override;
  void SetWidth(Twips value) override;
  void SetHeight(Twips value) override;
  int WindowState() const override { return state_; }
  WindowHandle Handle() const override { return handle_; }
  void SetControlBackColour(int control, Colour colour) override;
  void SetControlText(int control, std::string_view text) override;
  void Show(NativeWindow* owner) override;

  // What the window shows.
  const FormDesign& Design() const { return design_; }
  bool Visible() const { return visible_; }
  bool AcceptsInput() const { return input_enabled_; }
  SimWindow* Owner() const { return owner_; }
  Colour BackColour(std::string_view control) const;
  const std::string& Text(std::string_view control) const;
  // Property assignments in the order they were made, e.g. "Left=1000".
  const std::vector<std::string>& GeometryLog() const { return geometry_log_; }

  // What a user does. Input to a window that takes none is ignored, as a
  // real window system would. Points are in the control's pixels.
  void ButtonDown(std::string_view control, int x, int y);
  void ButtonUp(std::string_view control, bool inside = true);
  // Down and up at one point; a double-click is two, at the same moment.
  void Click(std::string_view control, int x = 1, int y = 1);
  void DoubleClick(std::string_view control, int x = 1, int y = 1);
  void PressCloseBox();
  void Minimise() { state_ = kStateMinimised; }
  void Restore() { state_ = kStateNormal; }
  void DragTo(Twips left, Twips top);

 private:
  int IndexOf(std::string_view control) const;
  bool TakesInput() const { return input_enabled_ && visible_; }
  InputTime Time() const;

  SimBackend& backend_;
  const FormDesign& design_;
  WindowEvents& events_;
  WindowHandle handle_;
  Twips left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  int state_ = kStateNormal;
  bool visible_ = false;
  bool input_enabled_ = true;
  SimWindow* owner_ = nullptr;
  std::vector<Colour> back_colours_;
  std::vector<std::string> texts_;
  FormInput input_;
  std::vector<std::string> geometry_log_;
};

class SimBackend : public Backend {
 public:
  SimBackend();
  ~SimBackend() override;

  // TimerHost
  TimePoint Now() override { return now_; }
  void RequestWake(std::optional<TimePoint> when) override { wake_ = when; }

  // Backend
  std::unique_ptr<NativeWindow> CreateNativeWindow(const FormDesign& design,
                                                   WindowEvents& events) override;
  void RunEventLoop() override;
  void QuitEventLoop() override { quit_requested_ = true; }
  void RunModalLoop(const std::function<bool()>& finished) override;
  SettingsStore& Settings() override { return settings_; }
  WindowStacking& Stacking() override { return stacking_; }
  KeyInjector& Keys() override { return keys_; }

  // Advances the virtual clock, delivering everything due on the way. A modal
  // window opened meanwhile holds its opener until a scripted action closes
  // it, even past `duration`: look at an open modal window from actions.
  void RunFor(Duration duration);
  // A user action to perform when the clock reaches `when`.
  void At(TimePoint when, std::function<void()> action);
  void After(Duration delay, std::function<void()> action) { At(now_ + delay, std::move(action)); }

  std::vector<SimWindow*> Windows() const { return windows_; }
  SimWindow* WindowNamed(std::string_view form_name) const;  // nullptr when none
  bool Has(WindowHandle window) const;                       // the window still exists
  SimSettings& settings() { return settings_; }
  SimStacking& stacking() { return stacking_; }
  SimKeys& keys() { return keys_; }
  bool QuitRequested() const { return quit_requested_; }
  // Drops everything recorded so far (settings reads and writes, stacking
  // calls, key presses), memory included, for runs that go on for hours.
  void ForgetRecords();

 private:
  friend class SimWindow;
  // Delivers the earliest timer or action due no later than `limit`; false
  // when there is none.
  bool DeliverNext(std::optional<TimePoint> limit);

  struct ScheduledAction {
    TimePoint when;
    std::uint64_t order;
    std::function<void()> action;
  };

  TimePoint now_{0};
  std::optional<TimePoint> wake_;
  std::vector<ScheduledAction> actions_;
  std::uint64_t next_action_order_ = 0;
  std::vector<SimWindow*> windows_;
  WindowHandle next_handle_ = 0x1000;
  bool quit_requested_ = false;
  SimSettings settings_;
  SimStacking stacking_{*this};
  SimKeys keys_{*this};
};

}  // namespace platform::sim

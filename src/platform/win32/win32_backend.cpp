// How the 100 ms steps stay 100 ms without touching the system timer
// resolution (timeBeginPeriod would speed up the whole machine's clock
// interrupt for as long as the program runs):
//
// The scheduler names the moment it wants to be woken. That moment goes into a
// waitable timer as a relative due time, rounded up to the timer's 100 ns
// unit so it never fires early. Where Windows offers it (Windows 10 1803 and
// later) the timer is created with CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
// which expires within about a millisecond of its due time whatever the
// system tick; elsewhere an ordinary waitable timer still never fires early,
// only up to one tick late. The message loop waits on the timer and on the
// message queue together with MsgWaitForMultipleObjectsEx, so timers and
// input are served by the one thread, and the timer, being the first handle,
// is served first when both are ready. Only if no waitable timer can be made
// at all does the loop fall back to a thread SetTimer, rounded up to whole
// milliseconds.
//
// Now() reads QueryPerformanceCounter: monotonic and sub-microsecond.
#include "platform/win32/win32_backend.h"

#include <objbase.h>

#include <algorithm>

#include "platform/win32/win32_window.h"

namespace platform::win32 {

namespace {

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

HANDLE CreateWakeTimer() {
  HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                        TIMER_ALL_ACCESS);
  if (timer == nullptr) {
    timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
  }
  return timer;
}

}  // namespace

Win32Backend::Win32Backend(HINSTANCE instance) : instance_(instance) {
  // The About picture is decoded through COM (Windows Imaging Component).
  com_initialised_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  QueryPerformanceFrequency(&frequency_);
  wake_timer_.Reset(CreateWakeTimer());
  RegisterWindowClasses(instance_);
}

Win32Backend::~Win32Backend() {
  if (fallback_timer_ != 0) {
    KillTimer(nullptr, fallback_timer_);
  }
  if (com_initialised_) {
    CoUninitialize();
  }
}

TimePoint Win32Backend::Now() {
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  const long long ticks = counter.QuadPart;
  const long long frequency = frequency_.QuadPart;
  // Split to keep the multiplication within 64 bits for long uptimes.
  const long long seconds = ticks / frequency;
  const long long rest = ticks % frequency;
  return TimePoint(seconds * 1'000'000'000LL + rest * 1'000'000'000LL / frequency);
}

void Win32Backend::RequestWake(std::optional<TimePoint> when) {
  wake_ = when;
  ArmWake();
}

void Win32Backend::ArmWake() {
  if (!wake_) {
    if (wake_timer_) {
      CancelWaitableTimer(wake_timer_.Get());
    } else if (fallback_timer_ != 0) {
      KillTimer(nullptr, fallback_timer_);
      fallback_timer_ = 0;
    }
    return;
  }
  const long long wait_ns = std::max<long long>(0, (*wake_ - Now()).count());
  if (wake_timer_) {
    // Negative due times are relative, in 100 ns units; round up.
    LARGE_INTEGER due{};
    due.QuadPart = -std::max<long long>(1, (wait_ns + 99) / 100);
    SetWaitableTimer(wake_timer_.Get(), &due, 0, nullptr, nullptr, FALSE);
    return;
  }
  const UINT wait_ms = static_cast<UINT>(
      std::clamp<long long>((wait_ns + 999'999) / 1'000'000, USER_TIMER_MINIMUM, 0x7FFFFFFF));
  fallback_timer_ = SetTimer(nullptr, fallback_timer_, wait_ms, nullptr);
}

void Win32Backend::DeliverWakeIfDue() {
  if (!wake_) {
    return;
  }
  if (Now() < *wake_) {
    ArmWake();  // woken a little early: wait for the rest
    return;
  }
  wake_.reset();
  if (!wake_timer_ && fallback_timer_ != 0) {
    KillTimer(nullptr, fallback_timer_);
    fallback_timer_ = 0;
  }
  if (OnWake) {
    OnWake();
  }
}

bool Win32Backend::PreTranslate(const MSG& message) {
  if (message.message == WM_TIMER && message.hwnd == nullptr && fallback_timer_ != 0 &&
      message.wParam == fallback_timer_) {
    DeliverWakeIfDue();
    return true;
  }
  // Tab moves through a form's controls in the form's own tab order, which
  // need not be the stacking order that IsDialogMessage would follow; the
  // multi-line text box would otherwise keep the Tab for itself.
  if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && message.hwnd != nullptr) {
    const HWND form = GetAncestor(message.hwnd, GA_ROOT);
    if (IsFormWindow(form)) {
      // As the dialog manager does on keyboard navigation: the focus is
      // shown from now on, also to whoever opened the window with the mouse
      // (Windows hides it until the keyboard is used).
      SendMessageW(form, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
      MoveFocusInTabOrder(form, (GetKeyState(VK_SHIFT) & 0x8000) == 0);
      return true;
    }
  }
  // Everything else goes to the focused control as it is: a form has no
  // default or cancel button, so Enter and Esc press nothing.
  return false;
}

void Win32Backend::RunOnce() {
  const HANDLE timer = wake_timer_.Get();
  const DWORD count = timer != nullptr ? 1 : 0;
  const DWORD result =
      MsgWaitForMultipleObjectsEx(count, &timer, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  if (count == 1 && result == WAIT_OBJECT_0) {
    DeliverWakeIfDue();
    return;
  }
  MSG message;
  if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    return;  // only sent messages were waiting; PeekMessage has handled them
  }
  if (message.message == WM_QUIT) {
    quit_requested_ = true;
    return;
  }
  if (!PreTranslate(message)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void Win32Backend::RunEventLoop() {
  while (!quit_requested_) {
    RunOnce();
  }
  quit_requested_ = false;  // the backend may run the program again
}

void Win32Backend::RunModalLoop(const std::function<bool()>& finished) {
  while (!quit_requested_ && !finished()) {
    RunOnce();
  }
}

std::unique_ptr<NativeWindow> Win32Backend::CreateNativeWindow(const FormDesign& design,
                                                               WindowEvents& events) {
  return std::make_unique<Win32Window>(instance_, design, events);
}

}  // namespace platform::win32

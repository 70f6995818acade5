// The calls Windows 7 SP1 lacks, found by name in user32, and their fallbacks.
#include "platform/win32/newer_calls.h"

#include <atomic>

#include "platform/win32/handles.h"

namespace platform::win32 {

namespace {

std::atomic<bool> calls_hidden{false};

// One user32 export, looked up once when first wanted. Get() is null where
// this system lacks it, and while a test hides the newer calls.
template <typename Function>
class NewerCall {
 public:
  explicit NewerCall(const char* name) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const FARPROC address = user32 != nullptr ? GetProcAddress(user32, name) : nullptr;
    // Through the generic function type, which tells the compiler the cast is meant.
    found_ = reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(address));
  }
  Function* Get() const { return calls_hidden.load() ? nullptr : found_; }

 private:
  Function* found_;
};

UINT SystemDpi() {
  const WindowDc screen(nullptr);
  const int dpi = screen.Get() != nullptr ? GetDeviceCaps(screen.Get(), LOGPIXELSX) : 0;
  return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

// Per-monitor v2 awareness, the one mode in which Windows draws the frame
// at the window's own DPI.
bool FrameFollowsWindowDpi(HWND window) {
  static const NewerCall<DPI_AWARENESS_CONTEXT WINAPI(HWND)> get_window_context(
      "GetWindowDpiAwarenessContext");
  static const NewerCall<BOOL WINAPI(DPI_AWARENESS_CONTEXT, DPI_AWARENESS_CONTEXT)>
      are_contexts_equal("AreDpiAwarenessContextsEqual");
  const auto context_of = get_window_context.Get();
  const auto equal = are_contexts_equal.Get();
  return context_of != nullptr && equal != nullptr &&
         equal(context_of(window), DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) != FALSE;
}

}  // namespace

UINT DpiOfWindow(HWND window) {
  static const NewerCall<UINT WINAPI(HWND)> get_dpi_for_window("GetDpiForWindow");
  if (const auto get_dpi = get_dpi_for_window.Get()) {
    if (const UINT dpi = get_dpi(window); dpi != 0) {
      return dpi;  // 0 only for a handle that is no window
    }
  }
  return SystemDpi();
}

void AdjustWindowRectForDpi(HWND window, RECT& rect, UINT dpi) {
  static const NewerCall<BOOL WINAPI(RECT*, DWORD, BOOL, DWORD, UINT)> adjust_for_dpi(
      "AdjustWindowRectExForDpi");
  const auto style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
  const auto ex_style = static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE));
  const auto adjust = adjust_for_dpi.Get();
  if (adjust != nullptr && FrameFollowsWindowDpi(window)) {
    adjust(&rect, style, FALSE, ex_style, dpi);
  } else {
    AdjustWindowRectEx(&rect, style, FALSE, ex_style);
  }
}

NewerCallsHidden::NewerCallsHidden() {
  calls_hidden.store(true);
}
NewerCallsHidden::~NewerCallsHidden() {
  calls_hidden.store(false);
}

}  // namespace platform::win32

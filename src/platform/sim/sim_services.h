// The simulated desktop's services: a settings store in memory, stacking and
// key presses recorded with the virtual clock's time, for tests to read.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend.h"

namespace platform::sim {

class SimBackend;

class SimSettings : public SettingsStore {
 public:
  std::optional<std::string> Read(std::string_view application, std::string_view section,
                                  std::string_view key) override;
  bool Write(std::string_view application, std::string_view section, std::string_view key,
             std::string_view value) override;

  // Direct access for tests, under the program's own application and section.
  void Store(std::string_view key, std::string_view value);
  std::optional<std::string> Stored(std::string_view key) const;
  const std::vector<std::string>& ReadLog() const { return reads_; }
  const std::vector<std::string>& WriteLog() const { return writes_; }
  void ClearLogs();
  bool fail_writes = false;

 private:
  static std::string Path(std::string_view application, std::string_view section,
                          std::string_view key);
  std::map<std::string, std::string, std::less<>> values_;
  std::vector<std::string> reads_;
  std::vector<std::string> writes_;
};

struct StackingCall {
  TimePoint at;
  WindowHandle window;
  std::intptr_t insert_after;
  int x, y, cx, cy;
  unsigned flags;
};

class SimStacking : public WindowStacking {
 public:
  explicit SimStacking(SimBackend& backend) : backend_(backend) {}
  WindowHandle GetForegroundWindow() override;
  void SetWindowPos(WindowHandle window, std::intptr_t insert_after, int x, int y, int cx, int cy,
                    unsigned flags) override;

  WindowHandle foreground = 0;
  std::vector<TimePoint> foreground_queries;
  std::vector<StackingCall> calls;

 private:
  SimBackend& backend_;
};

// Num Lock and the system's idle clock. The program starts with a person at
// the machine; each press is input to the clock, as on a real system.
class SimKeys : public KeyInjector {
 public:
  explicit SimKeys(SimBackend& backend) : backend_(backend) {}
  void PressNumLock() override;
  IdleReading ReadIdleClock() override;

  // A person's key, pointer move or click, now.
  void PersonInput();

  std::vector<TimePoint> presses;
  std::vector<TimePoint> idle_clock_reads;
  bool has_idle_clock = true;
  bool presses_count_as_input = true;
  bool locked = false;  // locked, or the screen saver on

 private:
  SimBackend& backend_;
  TimePoint last_input_{0};
};

}  // namespace platform::sim

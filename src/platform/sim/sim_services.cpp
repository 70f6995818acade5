// Settings, stacking and key presses of the simulated desktop, recorded.
#include "platform/sim/sim_services.h"

#include "platform/sim/sim_backend.h"

namespace platform::sim {

// ---- SimSettings -------------------------------------------------------------

std::string SimSettings::Path(std::string_view application, std::string_view section,
                              std::string_view key) {
  return std::string(application) + "/" + std::string(section) + "/" + std::string(key);
}

std::optional<std::string> SimSettings::Read(std::string_view application, std::string_view section,
                                             std::string_view key) {
  reads_.emplace_back(key);
  const auto found = values_.find(Path(application, section, key));
  if (found == values_.end()) {
    return std::nullopt;
  }
  return found->second;
}

bool SimSettings::Write(std::string_view application, std::string_view section,
                        std::string_view key, std::string_view value) {
  writes_.push_back(std::string(key) + "=" + std::string(value));
  if (fail_writes) {
    return false;
  }
  values_[Path(application, section, key)] = value;
  return true;
}

void SimSettings::Store(std::string_view key, std::string_view value) {
  values_[Path("BRELLOCK-VARN-ON", "Settings", key)] = value;
}

std::optional<std::string> SimSettings::Stored(std::string_view key) const {
  const auto found = values_.find(Path("BRELLOCK-VARN-ON", "Settings", key));
  if (found == values_.end()) {
    return std::nullopt;
  }
  return found->second;
}

void SimSettings::ClearLogs() {
  reads_ = {};
  writes_ = {};
}

// ---- stacking and keys -------------------------------------------------------

WindowHandle SimStacking::GetForegroundWindow() {
  foreground_queries.push_back(backend_.Now());
  return foreground;
}

void SimStacking::SetWindowPos(WindowHandle window, std::intptr_t insert_after, int x, int y,
                               int cx, int cy, unsigned flags) {
  calls.push_back({backend_.Now(), window, insert_after, x, y, cx, cy, flags});
}

void SimKeys::PressNumLock() {
  presses.push_back(backend_.Now());
  if (presses_count_as_input) {
    last_input_ = backend_.Now();
  }
}

IdleReading SimKeys::ReadIdleClock() {
  idle_clock_reads.push_back(backend_.Now());
  if (!has_idle_clock) {
    return {std::nullopt, locked};
  }
  return {backend_.Now() - last_input_, locked};
}

void SimKeys::PersonInput() {
  last_input_ = backend_.Now();
}

}  // namespace platform::sim

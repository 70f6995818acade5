// The program's few options. It starts with none; --version and --help
// answer and end without a window, and anything else is a mistake it names.
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace app {

struct CommandLine {
  enum class Action { Run, Answer, Refuse };
  Action action = Action::Run;
  // What to tell the user for Answer (stdout) or Refuse (stderr), in pieces
  // to be written one after the other; the words point into the arguments.
  std::array<std::string_view, 3> text{};
  int status = 0;  // the exit status for Answer and Refuse
};

// `arguments` without the program's own name.
CommandLine ReadCommandLine(std::span<const std::string_view> arguments);

}  // namespace app

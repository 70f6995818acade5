// The program's few options. It starts with none; --version and --help
// answer and end without a window, and anything else is a mistake it names.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace app {

struct CommandLine {
  enum class Action { Run, Answer, Refuse };
  Action action = Action::Run;
  std::string text;  // what to tell the user: on stdout to Answer, on stderr to Refuse
  int status = 0;    // the exit status for Answer and Refuse
};

// `arguments` without the program's own name.
CommandLine ReadCommandLine(std::span<const std::string_view> arguments);

}  // namespace app

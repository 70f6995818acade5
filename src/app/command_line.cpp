#include "app/command_line.h"

namespace app {

namespace {

constexpr std::string_view kUsage =
    "Usage: brellock-varn-on [--version | --help]\n"
    "\n"
    "A small desktop ornament: an always-on-top strip of seven lamps with one red\n"
    "light sweeping along them, while Num Lock blinks. Double-click the lamps for\n"
    "the About window. The windows' positions are remembered between runs.\n"
    "\n"
    "  --version  print the name and version, and end\n"
    "  --help     print this help, and end\n";

}  // namespace

CommandLine ReadCommandLine(std::span<const std::string_view> arguments) {
  if (arguments.empty()) {
    return {};
  }
  const std::string_view first = arguments.front();
  if (arguments.size() == 1 && first == "--version") {
    return {CommandLine::Action::Answer, "BRELLOCK-VARN-ON " VARN_VERSION "\n", 0};
  }
  if (arguments.size() == 1 && first == "--help") {
    return {CommandLine::Action::Answer, std::string(kUsage), 0};
  }
  const std::string_view wrong = first == "--version" || first == "--help" ? arguments[1] : first;
  return {CommandLine::Action::Refuse,
          "brellock-varn-on: unknown option '" + std::string(wrong) +
              "'; try 'brellock-varn-on --help'\n",
          2};
}

}  // namespace app

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"

namespace {

using Action = app::CommandLine::Action;

std::string Refusal(std::string_view option) {
  return "brellock-varn-on: unknown option '" + std::string(option) +
         "'; try 'brellock-varn-on --help'\n";
}

// No argument runs; --version and --help alone answer with status 0; every
// other line is refused with status 2, naming the first argument that is
// not an option on its own.
TEST(CommandLine, EachOptionAloneAnswersAndAnythingElseIsRefusedByName) {
  struct Case {
    std::vector<std::string_view> arguments;
    Action action;
    int status;
    std::string text;
  };
  const std::vector<Case> cases = {
      {{}, Action::Run, 0, ""},
      {{"--version"}, Action::Answer, 0, "BRELLOCK-VARN-ON " VARN_VERSION "\n"},
      {{"--version", "extra"}, Action::Refuse, 2, Refusal("extra")},
      {{"--help", "--version"}, Action::Refuse, 2, Refusal("--version")},
      {{"--frobnicate"}, Action::Refuse, 2, Refusal("--frobnicate")},
      {{"--frobnicate", "--help"}, Action::Refuse, 2, Refusal("--frobnicate")},
      {{"-v"}, Action::Refuse, 2, Refusal("-v")},
      {{"--version=1"}, Action::Refuse, 2, Refusal("--version=1")},
      {{""}, Action::Refuse, 2, Refusal("")},
  };
  for (const Case& c : cases) {
    const app::CommandLine read = app::ReadCommandLine(c.arguments);
    const std::string line = testing::PrintToString(c.arguments);
    EXPECT_EQ(read.action, c.action) << line;
    EXPECT_EQ(read.status, c.status) << line;
    EXPECT_EQ(read.text, c.text) << line;
  }
  const app::CommandLine help = app::ReadCommandLine(std::vector<std::string_view>{"--help"});
  EXPECT_EQ(help.action, Action::Answer);
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.text.starts_with("Usage: brellock-varn-on [--version | --help]\n")) << help.text;
}

}  // namespace

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

#include "app/placement.h"
#include "app/settings.h"
#include "sim_program.h"

namespace {

using namespace testing_support;

TEST(StoredNumbers, TextReadsBackAsTheSameSinglePrecisionNumber) {
  EXPECT_EQ(app::NumberToText(1000), "1000");
  EXPECT_EQ(app::NumberToText(1234.5f), "1234.5");
  EXPECT_EQ(app::NumberToText(-15), "-15");
  EXPECT_EQ(app::TextToNumber("1234.5"), 1234.5f);
  std::mt19937 random(12345);
  std::uniform_real_distribution<float> coordinates(-491505.0f, 491505.0f);
  for (int i = 0; i < 100000; ++i) {
    const float value = coordinates(random);
    ASSERT_EQ(app::TextToNumber(app::NumberToText(value)), value) << app::NumberToText(value);
  }
}

TEST(StoredNumbers, TextsThatAreNotFiniteNumbersAreRejected) {
  const std::vector<std::string> bad = {"",
                                        "   ",
                                        "abc",
                                        "12abc",
                                        "1,5",
                                        "nan",
                                        "NaN",
                                        "inf",
                                        "-inf",
                                        "infinity",
                                        "1e40",
                                        "-1e40",
                                        "1e-50",
                                        "0x10",
                                        std::string(400, '9'),
                                        std::string("\x01\xff\x00", 3),
                                        "--1"};
  for (const std::string& text : bad) {
    EXPECT_EQ(app::TextToNumber(text), std::nullopt) << "\"" << text << "\"";
  }
  EXPECT_EQ(app::TextToNumber(" 1500 "), 1500.0f);
  EXPECT_EQ(app::TextToNumber("-0.25"), -0.25f);
}

TEST(StoredNumbers, BadStoredValuesFallBackToTheDefaultsAndAreLeftAlone) {
  const std::vector<std::string> bad = {
      "", "x", "nan", "inf", "1e40", "1e-50", "1e6", "-5e5", "\x7f\x80", std::string(1 << 20, '7')};
  for (const std::string& text : bad) {
    SimProgram program;
    for (const char* key : {"MainLeft", "MainTop", "MainWidth", "MainHeight"}) {
      program.Settings().Store(key, text);
    }
    program.Start();
    EXPECT_EQ(program.MainWindow().GeometryLog(),
              (std::vector<std::string>{"Left=1000", "Top=1000", "Width=2760", "Height=855"}))
        << "stored text of " << text.size() << " bytes";
    EXPECT_TRUE(program.Settings().WriteLog().empty());
    EXPECT_EQ(program.Settings().Stored("MainWidth"), text);
  }
}

// A position is kept up to 491,505 twips either way and a size from 0 up;
// one step beyond either rule gives the key's default.
TEST(StoredNumbers, ValuesAtTheEdgesOfTheirRules) {
  struct Case {
    const char* key;
    const char* stored;
    platform::Twips read;
  };
  const std::vector<Case> cases = {
      {"MainLeft", "491505", 491505},   {"MainLeft", "-491505", -491505},
      {"MainTop", "491505.03", 1000},   {"MainTop", "-491505.03", 1000},
      {"MainLeft", "-300", -300},       {"MainWidth", "0", 0},
      {"MainWidth", "0.5", 0.5f},       {"MainHeight", "-0.5", 855},
      {"MainHeight", "491505", 491505}, {"MainHeight", "491505.03", 855},
  };
  for (const Case& c : cases) {
    SimProgram program;
    program.Settings().Store(c.key, c.stored);
    program.Start();
    SimWindow& window = program.MainWindow();
    const std::map<std::string, platform::Twips> read = {{"MainLeft", window.Left()},
                                                         {"MainTop", window.Top()},
                                                         {"MainWidth", window.Width()},
                                                         {"MainHeight", window.Height()}};
    EXPECT_EQ(read.at(c.key), c.read) << c.key << " stored as " << c.stored;
  }
}

}  // namespace

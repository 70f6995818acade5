// The registry store: what the program writes another reader sees at once,
// and only string values count as stored.
#include <gtest/gtest.h>

#include "platform/win32/win32_settings.h"
#include "win32_test_support.h"

namespace {

using platform::win32::Win32Settings;

constexpr wchar_t kSettingsKey[] = L"Software\\BRELLOCK-VARN-ON\\Settings";

class RegistrySettings : public testing::Test {
 protected:
  void SetUp() override { win32_test::ClearSettings(); }
  void TearDown() override { win32_test::ClearSettings(); }

  static void StoreRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  Win32Settings settings;
};

TEST_F(RegistrySettings, WrittenValueIsAStringInTheProgramsKey) {
  ASSERT_TRUE(settings.Write("BRELLOCK-VARN-ON", "Settings", "MainLeft", "4321.5"));
  wchar_t text[32]{};
  DWORD bytes = sizeof text;
  DWORD type = 0;
  ASSERT_EQ(
      RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"MainLeft", RRF_RT_ANY, &type, text, &bytes),
      ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_STREQ(text, L"4321.5");
  EXPECT_EQ(settings.Read("BRELLOCK-VARN-ON", "Settings", "MainLeft"), "4321.5");
}

TEST_F(RegistrySettings, MissingKeyOrSectionReadsAsAbsent) {
  EXPECT_EQ(settings.Read("BRELLOCK-VARN-ON", "Settings", "MainLeft"), std::nullopt);
  ASSERT_TRUE(settings.Write("BRELLOCK-VARN-ON", "Settings", "MainTop", "1"));
  EXPECT_EQ(settings.Read("BRELLOCK-VARN-ON", "Settings", "MainLeft"), std::nullopt);
  EXPECT_EQ(settings.Read("BRELLOCK-VARN-ON", "Other", "MainTop"), std::nullopt);
}

// Only string values count, and one stored without its terminator reads whole.
TEST_F(RegistrySettings, OnlyStringValuesCountAndReadWhole) {
  const DWORD number = 1000;
  StoreRaw(L"MainLeft", REG_DWORD, &number, sizeof number);
  const unsigned char bytes[] = {'1', 0, '0', 0, 0, 0};
  StoreRaw(L"MainTop", REG_BINARY, bytes, sizeof bytes);
  StoreRaw(L"MainWidth", REG_EXPAND_SZ, L"2000", 10);
  EXPECT_EQ(settings.Read("BRELLOCK-VARN-ON", "Settings", "MainLeft"), std::nullopt);
  EXPECT_EQ(settings.Read("BRELLOCK-VARN-ON", "Settings", "MainTop"), std::nullopt);
  EXPECT_EQ(settings.Read("BRELLOCK-VARN-ON", "Settings", "MainWidth"), std::nullopt);
  StoreRaw(L"MainHeight", REG_SZ, L"1234", 4 * sizeof(wchar_t));
  EXPECT_EQ(settings.Read("BRELLOCK-VARN-ON", "Settings", "MainHeight"), "1234");
}

// A mebibyte, and text beyond ASCII as UTF-8 ("été €").
TEST_F(RegistrySettings, LargeAndNonAsciiValuesRoundTrip) {
  std::string large(1 << 20, 'x');
  for (std::size_t i = 0; i < large.size(); i += 97) {
    large[i] = static_cast<char>('0' + i % 10);
  }
  for (const std::string& value : {large, std::string("\xc3\xa9t\xc3\xa9 \xe2\x82\xac")}) {
    ASSERT_TRUE(settings.Write("BRELLOCK-VARN-ON", "Settings", "MainLeft", value));
    EXPECT_EQ(settings.Read("BRELLOCK-VARN-ON", "Settings", "MainLeft"), value);
  }
}

TEST_F(RegistrySettings, WriteThatCannotBeStoredReportsFailure) {
  // A key name longer than the registry allows.
  EXPECT_FALSE(settings.Write(std::string(300, 'a'), "Settings", "MainLeft", "1"));
}

}  // namespace

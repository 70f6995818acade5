// The settings store in the registry, under HKEY_CURRENT_USER.
#include "platform/win32/win32_settings.h"

#include "platform/win32/win32_api.h"

#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {

namespace {

std::wstring KeyPath(std::string_view application, std::string_view section) {
  return L"Software\\" + Widen(application) + L"\\" + Widen(section);
}

}  // namespace

std::optional<std::string> Win32Settings::Read(std::string_view application,
                                               std::string_view section, std::string_view key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(application, section).c_str(), 0, KEY_QUERY_VALUE,
                    &opened) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  const UniqueKey settings(opened);
  const std::wstring name = Widen(key);

  // The value may be rewritten between asking its size and reading it, so
  // ask again until the buffer is large enough.
  std::vector<wchar_t> buffer;
  for (;;) {
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(settings.Get(), name.c_str(), nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
      return std::nullopt;
    }
    buffer.assign(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    const LSTATUS status = RegQueryValueExW(settings.Get(), name.c_str(), nullptr, &type,
                                            reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    if (status == ERROR_MORE_DATA) {
      continue;
    }
    if (status != ERROR_SUCCESS || type != REG_SZ) {
      return std::nullopt;
    }
    // A stored string need not end in a terminator; the spare element that
    // was zeroed above supplies one, and text stops at the first.
    buffer.resize(bytes / sizeof(wchar_t));
    std::wstring_view text(buffer.data(), buffer.size());
    text = text.substr(0, text.find(L'\0'));
    return Narrow(text);
  }
}

bool Win32Settings::Write(std::string_view application, std::string_view section,
                          std::string_view key, std::string_view value) {
  HKEY created = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath(application, section).c_str(), 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &created, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const UniqueKey settings(created);
  const std::wstring text = Widen(value);
  const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(settings.Get(), Widen(key).c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(text.c_str()), bytes) == ERROR_SUCCESS;
}

}  // namespace platform::win32

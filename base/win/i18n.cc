#include "base/win/i18n.h"

namespace base {
namespace win {
namespace i18n {

namespace {

// MUI_LANGUAGE_NAME | MUI_MERGE_SYSTEM_FALLBACK | MUI_MERGE_USER_FALLBACK:
// tags rather than ids, with the fallbacks after the chosen languages.
constexpr DWORD kPreferredLanguageFlags = 0x8 | 0x10 | 0x20;

// LOCALE_CUSTOM_UI_DEFAULT names no language.
constexpr LANGID kCustomUIDefault = 0x1400;
// Ids from here on carry a sub-language, and so a region.
constexpr LANGID kFirstIdWithSubLanguage = 0x400;
// ISO 639 and ISO 3166 names fit in 9 characters.
constexpr int kLocaleNameBufferSize = 9;

bool GetThreadLanguages(const UILanguageFunctions& functions,
                        std::vector<std::wstring>* languages) {
  if (!functions.get_thread_preferred_ui_languages)
    return false;
  ULONG count = 0;
  ULONG size = 0;
  if (!functions.get_thread_preferred_ui_languages(kPreferredLanguageFlags,
                                                   &count, nullptr, &size) ||
      size == 0) {
    return false;
  }
  // The list is a run of NUL-terminated tags ended by an empty one.
  std::vector<wchar_t> buffer(size + 1, L'\0');
  if (!functions.get_thread_preferred_ui_languages(
          kPreferredLanguageFlags, &count, buffer.data(), &size) ||
      count == 0) {
    return false;
  }
  // A count above 0 with no tag in the list names no language: the caller
  // then falls back to the default UI language.
  bool appended = false;
  for (const wchar_t* tag = buffer.data(); *tag && tag < buffer.data() + size;
       tag += wcslen(tag) + 1) {
    languages->push_back(tag);
    appended = true;
  }
  return appended;
}

bool GetDefaultLanguage(const UILanguageFunctions& functions,
                        std::vector<std::wstring>* languages) {
  const LANGID language_id = functions.get_user_default_ui_language();
  if (language_id == kCustomUIDefault)
    return false;

  wchar_t name[kLocaleNameBufferSize] = {};
  int length = functions.get_locale_info(language_id, LOCALE_SISO639LANGNAME,
                                         name, kLocaleNameBufferSize);
  if (length < 2)
    return false;
  std::wstring language(name, length - 1);

  if (language_id >= kFirstIdWithSubLanguage) {
    wchar_t region[kLocaleNameBufferSize] = {};
    length = functions.get_locale_info(language_id, LOCALE_SISO3166CTRYNAME,
                                       region, kLocaleNameBufferSize);
    if (length > 1)
      language.append(L"-").append(region, length - 1);
  }
  languages->push_back(language);
  return true;
}

}  // namespace

UILanguageFunctions GetSystemUILanguageFunctions() {
  UILanguageFunctions functions = {};
  // Looked up by name: systems before Vista lack it.
  functions.get_thread_preferred_ui_languages =
      reinterpret_cast<decltype(functions.get_thread_preferred_ui_languages)>(
          reinterpret_cast<void*>(
              ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"),
                               "GetThreadPreferredUILanguages")));
  functions.get_user_default_ui_language = &::GetUserDefaultUILanguage;
  functions.get_locale_info = &::GetLocaleInfoW;
  return functions;
}

bool GetUserPreferredUILanguageListWith(const UILanguageFunctions& functions,
                                        std::vector<std::wstring>* languages) {
  return GetThreadLanguages(functions, languages) ||
         GetDefaultLanguage(functions, languages);
}

bool GetUserPreferredUILanguageList(std::vector<std::wstring>* languages) {
  return GetUserPreferredUILanguageListWith(GetSystemUILanguageFunctions(),
                                            languages);
}

}  // namespace i18n
}  // namespace win
}  // namespace base

// The user's preferred user-interface languages, most preferred first, from
// which the installer picks the language of its own strings.
//
//   std::vector<std::wstring> languages;
//   if (base::win::i18n::GetUserPreferredUILanguageList(&languages)) ...
//   // languages: {L"de-DE", L"de", L"en-US", L"en"}
#ifndef BASE_WIN_I18N_H_
#define BASE_WIN_I18N_H_

#include <string>
#include <vector>

#include "base/win/windows_types.h"

namespace base {
namespace win {
namespace i18n {

// Appends the language tags (a language, optionally "-" and a region) that
// the thread prefers, with the user's and the system's fallbacks merged in.
// Where the system cannot list them, the user's default UI language alone.
// False when neither source names a language.
bool GetUserPreferredUILanguageList(std::vector<std::wstring>* languages);

// The system calls behind GetUserPreferredUILanguageList. Tests substitute
// them because some systems report only a single language.
struct UILanguageFunctions {
  // Null when the system lacks it.
  BOOL(WINAPI* get_thread_preferred_ui_languages)(DWORD flags,
                                                  ULONG* language_count,
                                                  wchar_t* languages,
                                                  ULONG* buffer_size);
  LANGID(WINAPI* get_user_default_ui_language)();
  int(WINAPI* get_locale_info)(LCID locale, LCTYPE type, wchar_t* data,
                               int size);
};

// The real calls, looked up on the running system.
UILanguageFunctions GetSystemUILanguageFunctions();

// GetUserPreferredUILanguageList over |functions|.
bool GetUserPreferredUILanguageListWith(const UILanguageFunctions& functions,
                                        std::vector<std::wstring>* languages);

}  // namespace i18n
}  // namespace win
}  // namespace base

#endif  // BASE_WIN_I18N_H_

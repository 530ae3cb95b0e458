#include "base/win/i18n.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/win/windows_types.h"

namespace base {
namespace win {
namespace i18n {
namespace {

// The fakes' answers, set per case.
const wchar_t* g_thread_languages = nullptr;  // Double-NUL list; null fails.
ULONG g_thread_language_count = 0;
LANGID g_default_language = 0;

BOOL WINAPI FakeThreadLanguages(DWORD flags, ULONG* count, wchar_t* buffer,
                                ULONG* size) {
  EXPECT_EQ(0x38u, flags);
  if (!g_thread_languages) return FALSE;
  ULONG length = 0;
  while (g_thread_languages[length] || g_thread_languages[length + 1]) ++length;
  length += 2;
  if (buffer) memcpy(buffer, g_thread_languages, length * sizeof(wchar_t));
  *size = length;
  *count = g_thread_language_count;
  return TRUE;
}

LANGID WINAPI FakeDefaultLanguage() { return g_default_language; }

TEST(UILanguageListTest, ThreadListOrDefaultLanguage) {
  struct Case {
    const char* name;
    bool has_thread_function;
    const wchar_t* thread_languages;
    ULONG count;
    LANGID default_language;
    std::vector<std::wstring> added;  // None: the call answers false.
  } cases[] = {
      {"tag then neutral", true, L"de-DE\0de\0", 2, 0x0409, {L"de-DE", L"de"}},
      {"no thread function", false, nullptr, 0, 0x0407, {L"de-DE"}},
      {"thread call fails", true, nullptr, 0, 0x0409, {L"en-US"}},
      {"no thread languages", true, L"\0", 0, 0x0407, {L"de-DE"}},
      // A count without a tag names no language either.
      {"counted but no tag", true, L"\0", 1, 0x0407, {L"de-DE"}},
      {"counted but no tag, custom default", true, L"\0", 2, 0x1400, {}},
      {"neutral default", false, nullptr, 0, 0x0007, {L"de"}},
      {"unknown default", false, nullptr, 0, 0x00ff, {}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    g_thread_languages = test.thread_languages;
    g_thread_language_count = test.count;
    g_default_language = test.default_language;
    UILanguageFunctions functions = GetSystemUILanguageFunctions();
    functions.get_thread_preferred_ui_languages =
        test.has_thread_function ? &FakeThreadLanguages : nullptr;
    functions.get_user_default_ui_language = &FakeDefaultLanguage;
    std::vector<std::wstring> languages = {L"kept"};
    EXPECT_EQ(!test.added.empty(),
              GetUserPreferredUILanguageListWith(functions, &languages));
    std::vector<std::wstring> expected = {L"kept"};
    expected.insert(expected.end(), test.added.begin(), test.added.end());
    EXPECT_EQ(expected, languages);
  }
}

}  // namespace
}  // namespace i18n
}  // namespace win
}  // namespace base

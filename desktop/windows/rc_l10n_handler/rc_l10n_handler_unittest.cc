#include "desktop/windows/rc_l10n_handler/rc_l10n_handler.h"

#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/files/file_path.h"
#include "base/win/windows_types.h"
#include "testing/child_process.h"

// This executable is the host: testdata/l10n_test_strings.rc gives it the
// English table, parts of a German, Portuguese and Filipino one, the language
// list "en, en-gb, de, pt-pt, es-419, fil" and two damaged blocks.
namespace l10n {
namespace {

constexpr LANGID kEnglish = 0x0409;
constexpr LANGID kGerman = 0x0407;

// The code table's first entry, its last, and codes it does not hold; then
// the host's list, which ends with a line break and has a line with spaces
// and a CR.
TEST(LanguageCodeTest, MapsCodesAndReadsTheHostListIgnoringCase) {
  EXPECT_EQ(0x042C, LanguageCodeToLangId(L"AZ"));
  EXPECT_EQ(0x0448, LanguageCodeToLangId(L"or"));
  EXPECT_EQ(0, LanguageCodeToLangId(L"en-us"));
  EXPECT_EQ(0, LanguageCodeToLangId(L""));

  const std::vector<std::wstring> expected = {L"en",    L"en-gb",  L"de",
                                              L"pt-pt", L"es-419", L"fil"};
  EXPECT_EQ(expected, GetAvailableLanguages());
  EXPECT_TRUE(IsLanguageAvailable(L"EN-GB"));
  EXPECT_FALSE(IsLanguageAvailable(L"pt"));
  // Cut to bytes, "d\u0165" would read as the listed "de".
  EXPECT_FALSE(IsLanguageAvailable(L"d\u0165"));
}

// Every code of the table: the languages the host lists are looked up here,
// and a wrong id loads another language's strings or none.
TEST(LanguageCodeTest, EveryCodeHasItsLanguageId) {
  const struct {
    const wchar_t* code;
    LANGID language_id;
  } kCodes[] = {
      {L"az", 0x042C},     {L"el", 0x0408},          {L"gu", 0x0447},
      {L"en", 0x0409},     {L"userdefault", 0x0400}, {L"fr-ca", 0x0C0C},
      {L"vi", 0x042A},     {L"ca", 0x0403},          {L"fake-bidi", 0x040D},
      {L"am", 0x045E},     {L"it", 0x0410},          {L"iw", 0x040D},
      {L"kn", 0x044B},     {L"zh-hk", 0x0C04},       {L"ar", 0x0401},
      {L"ml", 0x044C},     {L"zu", 0x0435},          {L"cs", 0x0405},
      {L"et", 0x0425},     {L"gl", 0x0456},          {L"id", 0x0421},
      {L"es", 0x0C0A},     {L"en-gb", 0x0809},       {L"ru", 0x0419},
      {L"eu", 0x042D},     {L"nl", 0x0413},          {L"nn", 0x0814},
      {L"no", 0x0414},     {L"nb", 0x0414},          {L"af", 0x0436},
      {L"tr", 0x041F},     {L"tl", 0x0400},          {L"lv", 0x0426},
      {L"lt", 0x0427},     {L"pa", 0x0446},          {L"sw", 0x0441},
      {L"th", 0x041E},     {L"te", 0x044A},          {L"ro", 0x0418},
      {L"is", 0x040F},     {L"fil", 0x0464},         {L"ta", 0x0449},
      {L"be", 0x0423},     {L"fr", 0x040C},          {L"bg", 0x0402},
      {L"ms", 0x043E},     {L"sl", 0x0424},          {L"hr", 0x041A},
      {L"fy", 0x0462},     {L"bn", 0x0445},          {L"de", 0x0407},
      {L"hu", 0x040E},     {L"fa", 0x0429},          {L"neutral", 0x0000},
      {L"hi", 0x0439},     {L"pt-br", 0x0416},       {L"sa", 0x044F},
      {L"fi", 0x040B},     {L"da", 0x0406},          {L"ja", 0x0411},
      {L"kk", 0x043F},     {L"he", 0x040D},          {L"me", 0x081A},
      {L"es-419", 0x080A}, {L"ne", 0x0461},          {L"pt-pt", 0x0816},
      {L"zh-tw", 0x0404},  {L"uz", 0x0443},          {L"ko", 0x0412},
      {L"sv", 0x041D},     {L"mk", 0x042F},          {L"ur", 0x0420},
      {L"sk", 0x041B},     {L"zh-cn", 0x0804},       {L"si", 0x045B},
      {L"gd", 0x0491},     {L"pl", 0x0415},          {L"uk", 0x0422},
      {L"sr", 0x0C1A},     {L"ti", 0x0873},          {L"mr", 0x044E},
      {L"or", 0x0448},
  };
  static_assert(sizeof(kCodes) / sizeof(kCodes[0]) == 82, "every code");
  for (const auto& entry : kCodes) {
    EXPECT_EQ(entry.language_id, LanguageCodeToLangId(entry.code))
        << entry.code;
  }
}

// The thread's preferred languages that the fake system reports.
const wchar_t* g_preferred = nullptr;  // Double-NUL list; null fails.

BOOL WINAPI FakePreferredLanguages(DWORD, ULONG* count, wchar_t* buffer,
                                   ULONG* size) {
  if (!g_preferred) return FALSE;
  ULONG length = 0;
  while (g_preferred[length] || g_preferred[length + 1]) ++length;
  *size = length + 2;
  *count = 1;  // Any but zero: the tags are read up to the empty one.
  if (buffer) memcpy(buffer, g_preferred, *size * sizeof(wchar_t));
  return TRUE;
}

// No default language either, so a failing list is really empty.
LANGID WINAPI FakeDefaultLanguage() { return 0x1400; }

TEST(ChooseUiLanguageTest, NormalisesThenWalksThePreferredLanguages) {
  struct Case {
    const wchar_t* request;
    std::vector<std::wstring> available;
    const wchar_t* preferred;
    const wchar_t* chosen;
    LANGID language_id;
  };
  const Case cases[] = {
      // The request itself, after normalisation.
      {L"pt", {L"pt-pt"}, nullptr, L"pt-PT", 0x0816},
      {L"NO", {L"nb"}, nullptr, L"nb", 0x0414},
      {L"tl", {L"fil"}, nullptr, L"fil", 0x0464},
      // Matched ignoring case on both sides.
      {L"pt-br", {L"PT-BR"}, nullptr, L"pt-br", 0x0416},
      // A preferred language as it is, or adjusted.
      {L"xx", {L"en-gb", L"de"}, L"en-AU\0de-DE\0", L"en-GB", 0x0809},
      {L"xx", {L"en-gb"}, L"en-CA\0", L"en-GB", 0x0809},
      {L"xx", {L"en-gb"}, L"en-NZ\0", L"en-GB", 0x0809},
      {L"xx", {L"en-gb"}, L"en-ZA\0", L"en-GB", 0x0809},
      // Other regions go to "en-US", which the code table does not hold.
      {L"xx", {L"en-us", L"en-gb"}, L"en-IE\0", L"en-US", 0x0000},
      {L"xx", {L"zh-tw", L"zh-cn"}, L"zh-HK\0", L"zh-TW", 0x0404},
      {L"xx", {L"de"}, L"en-AU\0de-DE\0", L"de", 0x0407},
      {L"xx", {L"es", L"es-419"}, L"es-ES\0", L"es", 0x0C0A},
      {L"xx", {L"es", L"es-419"}, L"es-MX\0", L"es-419", 0x080A},
      {L"xx", {L"zh-tw", L"zh-cn"}, L"zh-MO\0", L"zh-TW", 0x0404},
      {L"xx", {L"zh-tw", L"zh-cn"}, L"zh-SG\0", L"zh-CN", 0x0804},
      {L"xx", {L"nb"}, L"no-NO\0", L"nb", 0x0414},
      // The language ends at the first dash, a script tag is region.
      {L"xx", {L"sr"}, L"sr-Latn-RS\0", L"sr", 0x0C1A},
      {L"xx", {L"pt-br"}, L"pt-BR\0", L"pt-BR", 0x0416},
      // A dash first is no region; the next entry is tried as it is.
      {L"xx", {L"de"}, L"-de\0de\0", L"de", 0x0407},
      // Nothing matches: English, even when it is not listed.
      {L"xx", {L"de"}, L"fr-FR\0en-US\0", L"en", 0x0409},
  };
  base::win::i18n::UILanguageFunctions functions =
      base::win::i18n::GetSystemUILanguageFunctions();
  functions.get_thread_preferred_ui_languages = &FakePreferredLanguages;
  functions.get_user_default_ui_language = &FakeDefaultLanguage;
  for (const Case& test : cases) {
    SCOPED_TRACE(std::wstring(test.request) + L" preferring " +
                 (test.preferred ? test.preferred : L"nothing"));
    g_preferred = test.preferred;
    std::wstring code = test.request;
    LANGID language_id = 0xFFFF;
    ChooseUiLanguageWith(test.available, functions, &language_id, &code);
    EXPECT_EQ(test.chosen, code);
    EXPECT_EQ(test.language_id, language_id);
  }
}

// Each translation numbers its strings alike, so every id keeps its number:
// 37000 onwards in the order of the English table, none skipped.
TEST(LocalizedStringTest, IdsFollowTheTableNumbering) {
  const StringId kIds[] = {
      IDS_INSTALLER_TITLE, IDS_OK, IDS_CANCEL, IDS_YES, IDS_NO,
      IDS_TERMS_AGREEMENT, IDS_OPTIONS, IDS_ACCEPT_AND_INSTALL,
      IDS_ACCEPT_AND_UPGRADE, IDS_BACK, IDS_LANGUAGE, IDS_INSTALL_FOR,
      IDS_INSTALL_PATH, IDS_INSTALL_ALL_USERS_IN, IDS_INSTALL_CURRENT_USER_IN,
      IDS_INSTALL_STANDALONE_IN, IDS_CHANGE, IDS_INVALID_INSTALL_PATH,
      IDS_MAKE_DEFAULT_BROWSER, IDS_IMPORT_DATA, IDS_SHARE_USAGE_DATA,
      IDS_TAGLINE, IDS_DO_MORE, IDS_BRAND_SHOUT, IDS_THANK_YOU, IDS_DOWNLOADING,
      IDS_EXTRACTING, IDS_INSTALLING, IDS_INSTALLING_FOR_USER, IDS_UNINSTALLING,
      IDS_DEFAULT_SEARCH_ENGINE, IDS_BROWSE_FOR_FOLDER, IDS_ALL_USERS,
      IDS_CURRENT_USER, IDS_STANDALONE, IDS_UNINSTALL_CONFIRM,
      IDS_DELETE_USER_DATA, IDS_UNINSTALL, IDS_QUIT_INSTALL_CONFIRM,
      IDS_QUIT_UNINSTALL_CONFIRM, IDS_ALL_USERS_LABEL,
      IDS_ALL_USERS_DESCRIPTION, IDS_CURRENT_USER_LABEL,
      IDS_CURRENT_USER_DESCRIPTION, IDS_STANDALONE_LABEL,
      IDS_STANDALONE_DESCRIPTION, IDS_INSTALL_FAILED, IDS_UNINSTALL_FAILED,
      IDS_TRY_AGAIN, IDS_GET_FULL_INSTALLER, IDS_CURRENT_USER_ONLY_WARNING,
      IDS_LANGUAGE_NAME, IDS_UPDATE_TASK_DESCRIPTION, IDS_DOWNLOAD_FAILED,
      IDS_EXTRACTION_FAILED, IDS_INSTALL_ERROR, IDS_UNINSTALL_ERROR,
      IDS_FOLDER_IN_USE, IDS_LOCATION_NOT_USABLE, IDS_FOLDER_NOT_CREATED,
      IDS_INSUFFICIENT_PRIVILEGES, IDS_ELEVATION_FAILED, IDS_FILE_COPY_FAILED,
      IDS_BROWSER_RUNNING, IDS_INCOMPATIBLE_OS, IDS_SSE2_REQUIRED,
  };
  for (size_t i = 0; i < sizeof(kIds) / sizeof(kIds[0]); ++i)
    EXPECT_EQ(37000 + static_cast<int>(i), kIds[i]) << "entry " << i;
}

TEST(LocalizedStringTest, LoadsFromTheHostTables) {
  // Every id of the English table is there, across its five blocks.
  for (int id = IDS_INSTALLER_TITLE; id <= IDS_SSE2_REQUIRED; ++id)
    EXPECT_FALSE(GetStringFromTable(kEnglish, id, {}).empty()) << id;
  // The last entry of one block and the first of the next.
  EXPECT_EQ(L"Accept and Install",
            GetStringFromTable(kEnglish, IDS_ACCEPT_AND_INSTALL, {}));
  EXPECT_EQ(L"Accept and Upgrade",
            GetStringFromTable(kEnglish, IDS_ACCEPT_AND_UPGRADE, {}));
  // Without replacements, "$1" stays as it is.
  EXPECT_EQ(L"$1 DO MORE.", GetStringFromTable(kEnglish, IDS_DO_MORE, {}));

  // The current language drives the plain lookups.
  LANGID* current = GetLanguageIdStorage();
  const LANGID saved = *current;
  *current = kEnglish;
  EXPECT_EQ(L"Installing for current user (ana)\u2026",
            GetLocalizedStringWithReplacements(IDS_INSTALLING_FOR_USER,
                                               {L"ana", L"unused"}));
  *current = kGerman;
  EXPECT_EQ(L"Wird heruntergeladen\u2026", GetLocalizedString(IDS_DOWNLOADING));
  EXPECT_EQ(L"Der Ordner D:\\x konnte nicht erstellt werden.",
            GetLocalizedStringWithArgument(IDS_FOLDER_NOT_CREATED, L"D:\\x"));
  *current = saved;

  // Each language's own name, whatever the current language.
  EXPECT_EQ(L"Portugu\u00eas (Portugal)",
            GetLocalizedStringForLanguage(L"PT-PT", IDS_LANGUAGE_NAME));
}

TEST(LocalizedStringTest, MissingOrDamagedStringsAreEmpty) {
  // An id left out of an existing block; no block in that language.
  EXPECT_EQ(L"", GetStringFromTable(kGerman, IDS_OK, {}));
  EXPECT_EQ(L"", GetStringFromTable(0x0411, IDS_INSTALLER_TITLE, {}));
  // A block number past 16 bits would wrap onto an existing block.
  EXPECT_EQ(L"", GetStringFromTable(kEnglish, IDS_OK + 0x10000 * 16, {}));
  // Block 4000 holds "OK" and then an entry that claims more units than the
  // block has; block 4001 is one byte long.
  EXPECT_EQ(L"OK", GetStringFromTable(kEnglish, 63984, {}));
  for (int id = 63985; id <= 64015; ++id)
    EXPECT_EQ(L"", GetStringFromTable(kEnglish, id, {L"x"})) << id;
}

// Wine takes the preferred UI language from the Unix locale a process starts
// with, so a second copy of this executable runs under LANG=de_DE.UTF-8
// through sh and reports through its XML result file. The locale is compiled
// into a private folder: the machine need not have it installed.
constexpr wchar_t kGermanChildVariable[] = L"VELTO_L10N_GERMAN_CHILD";

TEST(ChooseUiLanguageChildTest, GermanSystemChoosesGerman) {
  if (!::GetEnvironmentVariableW(kGermanChildVariable, nullptr, 0))
    GTEST_SKIP() << "Runs only as the child of GermanUserGetsGermanStrings";
  std::wstring code = L"xx";
  ChooseUiLanguage(GetLanguageIdStorage(), &code);
  EXPECT_EQ(L"de", code);
  EXPECT_EQ(kGerman, *GetCurrentLanguageId());
  EXPECT_EQ(L"Deutsch (Deutschland)", GetLocalizedString(IDS_LANGUAGE_NAME));
}

TEST(ChooseUiLanguageTest, GermanUserGetsGermanStrings) {
  if (!testing_support::HasUnixShell())
    GTEST_SKIP() << "Needs Wine, whose UI language follows LANG";
  EXPECT_TRUE(testing_support::RunSelfAsGermanUser(
      L"ChooseUiLanguageChildTest.*", kGermanChildVariable));
}

}  // namespace
}  // namespace l10n

#include "desktop/windows/rc_l10n_handler/rc_l10n_handler.h"

#include <stdint.h>
#include <string.h>

#include <atomic>

#include "base/at_exit.h"
#include "base/lazy_instance.h"
#include "base/logging.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"

namespace l10n {

namespace {

// The host's language list.
constexpr wchar_t kLanguageListType[] = L"TXT";
constexpr WORD kLanguageListId = 134;

// A string table stores 16 strings per block; block n holds the ids
// 16 * (n - 1) to 16 * n - 1. Block names are 16-bit resource ids.
constexpr int kStringsPerBlock = 16;
constexpr int kLastBlock = 0xFFFF;

constexpr LANGID kEnglishLangId = 0x0409;

struct LanguageCode {
  const char* code;  // lower case
  LANGID language_id;
};

// Searched in this order; the first match wins.
constexpr LanguageCode kLanguageCodes[] = {
    {"az", 0x042C},     {"el", 0x0408},        {"gu", 0x0447},
    {"en", 0x0409},     {"userdefault", 0x0400}, {"fr-ca", 0x0C0C},
    {"vi", 0x042A},     {"ca", 0x0403},        {"fake-bidi", 0x040D},
    {"am", 0x045E},     {"it", 0x0410},        {"iw", 0x040D},
    {"kn", 0x044B},     {"zh-hk", 0x0C04},     {"ar", 0x0401},
    {"ml", 0x044C},     {"zu", 0x0435},        {"cs", 0x0405},
    {"et", 0x0425},     {"gl", 0x0456},        {"id", 0x0421},
    {"es", 0x0C0A},     {"en-gb", 0x0809},     {"ru", 0x0419},
    {"eu", 0x042D},     {"nl", 0x0413},        {"nn", 0x0814},
    {"no", 0x0414},     {"nb", 0x0414},        {"af", 0x0436},
    {"tr", 0x041F},     {"tl", 0x0400},        {"lv", 0x0426},
    {"lt", 0x0427},     {"pa", 0x0446},        {"sw", 0x0441},
    {"th", 0x041E},     {"te", 0x044A},        {"ro", 0x0418},
    {"is", 0x040F},     {"fil", 0x0464},       {"ta", 0x0449},
    {"be", 0x0423},     {"fr", 0x040C},        {"bg", 0x0402},
    {"ms", 0x043E},     {"sl", 0x0424},        {"hr", 0x041A},
    {"fy", 0x0462},     {"bn", 0x0445},        {"de", 0x0407},
    {"hu", 0x040E},     {"fa", 0x0429},        {"neutral", 0x0000},
    {"hi", 0x0439},     {"pt-br", 0x0416},     {"sa", 0x044F},
    {"fi", 0x040B},     {"da", 0x0406},        {"ja", 0x0411},
    {"kk", 0x043F},     {"he", 0x040D},        {"me", 0x081A},
    {"es-419", 0x080A}, {"ne", 0x0461},        {"pt-pt", 0x0816},
    {"zh-tw", 0x0404},  {"uz", 0x0443},        {"ko", 0x0412},
    {"sv", 0x041D},     {"mk", 0x042F},        {"ur", 0x0420},
    {"sk", 0x041B},     {"zh-cn", 0x0804},     {"si", 0x045B},
    {"gd", 0x0491},     {"pl", 0x0415},        {"uk", 0x0422},
    {"sr", 0x0C1A},     {"ti", 0x0873},        {"mr", 0x044E},
    {"or", 0x0448},
};
static_assert(sizeof(kLanguageCodes) / sizeof(kLanguageCodes[0]) == 82,
              "every language code of the installer");

std::atomic<uintptr_t> g_language_id_state{0};

void FreeLanguageIdStorage(void* storage) {
  g_language_id_state.store(0, std::memory_order_release);
  delete static_cast<LANGID*>(storage);
}

bool IsAvailableIn(const std::vector<std::wstring>& available_languages,
                   const std::wstring& code) {
  if (code.empty() || !base::IsStdWideStringASCII(code))
    return false;
  // The list may be written in any case too.
  const std::string lower_code =
      base::ToLowerASCII(std::string(code.begin(), code.end()));
  for (const std::wstring& language : available_languages) {
    if (base::WideLowerCaseEqualsASCII(language, lower_code))
      return true;
  }
  return false;
}

bool EqualsASCII(const std::wstring& text, const char* lowercase_ascii) {
  return base::WideLowerCaseEqualsASCII(text, lowercase_ascii);
}

// The common language, or a sibling the host is more likely to carry, for a
// preferred tag with a region: "es-MX" -> "es-419", "de-DE" -> "de".
std::wstring AdjustPreferredLanguage(const std::wstring& entry) {
  const size_t dash = entry.find(L'-');
  if (dash == std::wstring::npos || dash == 0)
    return entry;
  const std::wstring language = entry.substr(0, dash);
  const std::wstring region = entry.substr(dash + 1);
  if (EqualsASCII(language, "es"))
    return EqualsASCII(region, "es") ? language : L"es-419";
  if (EqualsASCII(language, "zh")) {
    return EqualsASCII(region, "hk") || EqualsASCII(region, "mo") ? L"zh-TW"
                                                                   : L"zh-CN";
  }
  if (EqualsASCII(language, "en")) {
    return EqualsASCII(region, "au") || EqualsASCII(region, "ca") ||
                   EqualsASCII(region, "nz") || EqualsASCII(region, "za")
               ? L"en-GB"
               : L"en-US";
  }
  if (EqualsASCII(language, "no"))
    return L"nb";
  // "fil" stays "fil": the code table gives "tl" only the user default.
  return language;
}

// Entry |position| of a string-table block of |size| bytes; empty when the
// block ends before it. Lengths are checked against the block, which comes
// from the host and may be damaged.
std::wstring ReadTableEntry(const void* block, DWORD size, int position,
                            int block_id) {
  const char* units = static_cast<const char*>(block);
  size_t remaining = size / sizeof(uint16_t);
  for (int i = 0; remaining > 0; ++i) {
    uint16_t length = 0;
    memcpy(&length, units, sizeof(length));
    units += sizeof(length);
    --remaining;
    if (length > remaining)
      break;
    if (i == position) {
      std::wstring text(length, L'\0');
      if (length)
        memcpy(&text[0], units, length * sizeof(uint16_t));
      return text;
    }
    units += length * sizeof(uint16_t);
    remaining -= length;
  }
  // A block always holds 16 entries, so this one was cut short.
  LOG(ERROR) << "String table block " << block_id << " is damaged";
  return std::wstring();
}

}  // namespace

std::vector<std::wstring> GetAvailableLanguages() {
  std::vector<std::wstring> languages;
  HRSRC resource = ::FindResourceW(
      nullptr, MAKEINTRESOURCEW(kLanguageListId), kLanguageListType);
  if (!resource) {
    PLOG(ERROR) << "Failed to find the language list";
    return languages;
  }
  HGLOBAL loaded = ::LoadResource(nullptr, resource);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data) {
    PLOG(ERROR) << "Failed to load the language list";
    return languages;
  }
  const DWORD size = ::SizeofResource(nullptr, resource);
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  const std::wstring text(bytes, bytes + size);
  // A final line break, or a blank line, would otherwise make the empty code
  // an available language.
  return base::SplitWideString(text, L"\n", base::TRIM_WHITESPACE,
                               base::SPLIT_WANT_NONEMPTY);
}

bool IsLanguageAvailable(const std::wstring& code) {
  return IsAvailableIn(GetAvailableLanguages(), code);
}

LANGID LanguageCodeToLangId(const std::wstring& code) {
  VLOG(1) << "Looking up LCID for " << code;
  for (const LanguageCode& entry : kLanguageCodes) {
    if (EqualsASCII(code, entry.code))
      return entry.language_id;
  }
  return 0;
}

void ChooseUiLanguage(LANGID* language_id, std::wstring* code) {
  ChooseUiLanguageWith(GetAvailableLanguages(),
                       base::win::i18n::GetSystemUILanguageFunctions(),
                       language_id, code);
}

void ChooseUiLanguageWith(
    const std::vector<std::wstring>& available_languages,
    const base::win::i18n::UILanguageFunctions& preferred_languages,
    LANGID* language_id, std::wstring* code) {
  // Old two-letter codes that the host lists under their newer names.
  if (EqualsASCII(*code, "no"))
    *code = L"nb";
  else if (EqualsASCII(*code, "pt"))
    *code = L"pt-PT";
  else if (EqualsASCII(*code, "tl"))
    *code = L"fil";
  VLOG(1) << "Language converted from ISO631:" << *code;

  if (IsAvailableIn(available_languages, *code)) {
    *language_id = LanguageCodeToLangId(*code);
    return;
  }
  LOG(INFO) << "Language not in the available languages list: " << *code;

  std::vector<std::wstring> preferred;
  base::win::i18n::GetUserPreferredUILanguageListWith(preferred_languages,
                                                      &preferred);
  for (const std::wstring& entry : preferred) {
    *code = entry;
    LOG(INFO) << "Trying language from system preferred list: " << *code;
    if (IsAvailableIn(available_languages, *code)) {
      *language_id = LanguageCodeToLangId(*code);
      return;
    }
    *code = AdjustPreferredLanguage(entry);
    LOG(INFO) << "Retrying after adjustments: " << *code;
    if (IsAvailableIn(available_languages, *code)) {
      *language_id = LanguageCodeToLangId(*code);
      return;
    }
  }

  // English is the host's own language, listed or not.
  *code = L"en";
  LOG(WARNING) << "Falling back to english";
  *language_id = LanguageCodeToLangId(*code);
}

LANGID* GetLanguageIdStorage() {
  return base::GetOrCreateLazyPointer<LANGID>(&g_language_id_state, [] {
    LANGID* storage = new LANGID(0);
    base::AtExitManager::RegisterCallback(&FreeLanguageIdStorage, storage);
    return storage;
  });
}

LANGID* GetCurrentLanguageId() {
  return GetLanguageIdStorage();
}

std::wstring GetStringFromTable(LANGID language_id, int id,
                                const std::vector<std::wstring>& replacements) {
  const int block_id = id / kStringsPerBlock + 1;
  // Ids whose block cannot be named hold no string.
  if (id < 0 || block_id > kLastBlock)
    return std::wstring();
  HRSRC resource = ::FindResourceExW(nullptr, RT_STRING,
                                     MAKEINTRESOURCEW(block_id), language_id);
  if (!resource) {
    PLOG(ERROR) << "Failed to find string";
    return std::wstring();
  }
  HGLOBAL loaded = ::LoadResource(nullptr, resource);
  if (!loaded) {
    PLOG(ERROR) << "Failed to load string";
    return std::wstring();
  }
  const void* block = ::LockResource(loaded);
  if (!block) {
    PLOG(ERROR) << "Failed to lock string";
    return std::wstring();
  }
  const std::wstring text =
      ReadTableEntry(block, ::SizeofResource(nullptr, resource),
                     id % kStringsPerBlock, block_id);
  if (replacements.empty())
    return text;
  return base::ReplaceWideStringPlaceholders(text, replacements, nullptr);
}

std::wstring GetLocalizedString(int id) {
  return GetStringFromTable(*GetCurrentLanguageId(), id, {});
}

std::wstring GetLocalizedStringWithArgument(int id,
                                            const std::wstring& argument) {
  return GetStringFromTable(*GetCurrentLanguageId(), id, {argument});
}

std::wstring GetLocalizedStringWithReplacements(
    int id, const std::vector<std::wstring>& replacements) {
  return GetStringFromTable(*GetCurrentLanguageId(), id, replacements);
}

std::wstring GetLocalizedStringForLanguage(const std::wstring& code, int id) {
  return GetStringFromTable(LanguageCodeToLangId(code), id, {});
}

}  // namespace l10n

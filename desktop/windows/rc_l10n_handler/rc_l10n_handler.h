// The installer's texts in the user's language.
//
// The texts live in the host executable, not in this library: a string table
// (RT_STRING) with the ids below in many languages, and a plain-text list of
// the language codes it offers (resource "TXT" 134, one code per line). The
// installer chooses the language once, on its main thread, before other
// threads load strings; the choice is kept as one process-wide LANGID.
//
//   std::wstring code = L"pt";
//   l10n::ChooseUiLanguage(l10n::GetLanguageIdStorage(), &code);
//   // code == L"pt-PT", the current LANGID is 0x0816
//   std::wstring title = l10n::GetLocalizedString(IDS_INSTALLER_TITLE);
//   std::wstring error = l10n::GetLocalizedStringWithArgument(
//       IDS_FOLDER_NOT_CREATED, folder);
//
// Language codes are tags such as "en", "pt-br" or "zh-TW", compared ignoring
// ASCII case.
#ifndef DESKTOP_WINDOWS_RC_L10N_HANDLER_RC_L10N_HANDLER_H_
#define DESKTOP_WINDOWS_RC_L10N_HANDLER_RC_L10N_HANDLER_H_

#include <string>
#include <vector>

#include "base/win/i18n.h"
#include "base/win/windows_types.h"

namespace l10n {

// The string ids of the host's table. Each id's meaning is fixed by its
// English text, quoted here; "$1" marks where an argument goes.
enum StringId : int {
  IDS_INSTALLER_TITLE = 37000,            // "Velto Installer"
  IDS_OK = 37001,                         // "OK"
  IDS_CANCEL = 37002,                     // "Cancel"
  IDS_YES = 37003,                        // "&Yes"
  IDS_NO = 37004,                         // "&No"
  IDS_TERMS_AGREEMENT = 37005,            // "By clicking on "$1" you are..."
  IDS_OPTIONS = 37006,                    // "&Options"
  IDS_ACCEPT_AND_INSTALL = 37007,         // "Accept and Install"
  IDS_ACCEPT_AND_UPGRADE = 37008,         // "Accept and Upgrade"
  IDS_BACK = 37009,                       // "&Back"
  IDS_LANGUAGE = 37010,                   // "&Language"
  IDS_INSTALL_FOR = 37011,                // "&Install for"
  IDS_INSTALL_PATH = 37012,               // "Install &path"
  IDS_INSTALL_ALL_USERS_IN = 37013,       // "Install for all users in:"
  IDS_INSTALL_CURRENT_USER_IN = 37014,    // "Install for current user in:"
  IDS_INSTALL_STANDALONE_IN = 37015,      // "Stand-alone installation (USB) in:"
  IDS_CHANGE = 37016,                     // "&Change"
  IDS_INVALID_INSTALL_PATH = 37017,       // "The install path is invalid"
  IDS_MAKE_DEFAULT_BROWSER = 37018,       // "Make Velto the &default browser"
  IDS_IMPORT_DATA = 37019,                // "I&mport bookmarks and data..."
  IDS_SHARE_USAGE_DATA = 37020,           // "&Share usage data to help..."
  IDS_TAGLINE = 37021,                    // "Velto opens up the web to..."
  IDS_DO_MORE = 37022,                    // "$1 DO MORE."
  IDS_BRAND_SHOUT = 37023,                // "VELTO."
  IDS_THANK_YOU = 37024,                  // "Thank you for choosing Velto"
  IDS_DOWNLOADING = 37025,                // "Downloading…"
  IDS_EXTRACTING = 37026,                 // "Extracting…"
  IDS_INSTALLING = 37027,                 // "Installing…"
  IDS_INSTALLING_FOR_USER = 37028,        // "Installing for current user ($1)…"
  IDS_UNINSTALLING = 37029,               // "Uninstalling…"
  IDS_DEFAULT_SEARCH_ENGINE = 37030,      // "Make Norvik the default search..."
  IDS_BROWSE_FOR_FOLDER = 37031,          // "Browse for folder"
  IDS_ALL_USERS = 37032,                  // "All users on this computer"
  IDS_CURRENT_USER = 37033,               // "Current user"
  IDS_STANDALONE = 37034,                 // "Stand-alone installation (USB)"
  IDS_UNINSTALL_CONFIRM = 37035,          // "You are about to uninstall..."
  IDS_DELETE_USER_DATA = 37036,           // "&Delete my Velto user data"
  IDS_UNINSTALL = 37037,                  // "&Uninstall"
  IDS_QUIT_INSTALL_CONFIRM = 37038,       // "Velto is not finished installing..."
  IDS_QUIT_UNINSTALL_CONFIRM = 37039,     // "... finished uninstalling..."
  IDS_ALL_USERS_LABEL = 37040,            // "All users on this computer:"
  IDS_ALL_USERS_DESCRIPTION = 37041,      // "Installs Velto with shortcuts..."
  IDS_CURRENT_USER_LABEL = 37042,         // "Current user:"
  IDS_CURRENT_USER_DESCRIPTION = 37043,   // "Installs shortcuts and registry..."
  IDS_STANDALONE_LABEL = 37044,           // "Stand-alone installation:"
  IDS_STANDALONE_DESCRIPTION = 37045,     // "Installs all files to a single..."
  IDS_INSTALL_FAILED = 37046,             // "Velto failed to install"
  IDS_UNINSTALL_FAILED = 37047,           // "Velto failed to uninstall"
  IDS_TRY_AGAIN = 37048,                  // "&Try Again"
  IDS_GET_FULL_INSTALLER = 37049,         // "Get &full installer"
  IDS_CURRENT_USER_ONLY_WARNING = 37050,  // "If you continue, Velto will be..."
  IDS_LANGUAGE_NAME = 37051,              // "English (United States)"
  IDS_UPDATE_TASK_DESCRIPTION = 37052,    // "Keeps Velto up to date."
  IDS_DOWNLOAD_FAILED = 37053,            // "Failed to download Velto."
  IDS_EXTRACTION_FAILED = 37054,          // "Package extraction failed."
  IDS_INSTALL_ERROR = 37055,              // "An error occurred while ... install"
  IDS_UNINSTALL_ERROR = 37056,            // "... while attempting to uninstall"
  IDS_FOLDER_IN_USE = 37057,              // "Another instance of the Velto..."
  IDS_LOCATION_NOT_USABLE = 37058,        // "The installation cannot be..."
  IDS_FOLDER_NOT_CREATED = 37059,         // "The folder $1 could not be created."
  IDS_INSUFFICIENT_PRIVILEGES = 37060,    // "Insufficient privileges for..."
  IDS_ELEVATION_FAILED = 37061,           // "Failed to obtain administrator..."
  IDS_FILE_COPY_FAILED = 37062,           // "Error when copying file to $1."
  IDS_BROWSER_RUNNING = 37063,            // "Unable to uninstall Velto.exe..."
  IDS_INCOMPATIBLE_OS = 37064,            // "This version of Velto is not..."
  IDS_SSE2_REQUIRED = 37065,              // "Velto requires a computer that..."
};

// The codes of the host's language list, in its order, trimmed of white
// space. Blank lines are left out. Empty when the host has no list.
std::vector<std::wstring> GetAvailableLanguages();

// True when |code| (ASCII only, any case) is in the host's language list.
// An empty code is never available.
bool IsLanguageAvailable(const std::wstring& code);

// The Windows language id of |code| (any ASCII case), or 0 for a code the
// installer does not know. "userdefault" and "tl" give 0x0400, the user's
// default language.
LANGID LanguageCodeToLangId(const std::wstring& code);

// Chooses the installer's language for the requested |code| and writes its
// id to |language_id|; |code| is left holding the code chosen. When the
// host does not offer the request, the user's preferred UI languages are
// tried in order (each also reduced to a close relative: "es-MX" to
// "es-419", "en-AU" to "en-GB", "de-DE" to "de"), and English (0x0409) is
// the last resort even when the host does not list it.
void ChooseUiLanguage(LANGID* language_id, std::wstring* code);

// ChooseUiLanguage over an explicit language list and explicit system calls
// for the user's preferred languages, for tests.
void ChooseUiLanguageWith(
    const std::vector<std::wstring>& available_languages,
    const base::win::i18n::UILanguageFunctions& preferred_languages,
    LANGID* language_id, std::wstring* code);

// The process-wide current language id: 0 until a language is chosen.
// Made on first use from any thread and freed by the at-exit manager.
// GetCurrentLanguageId returns the same pointer.
LANGID* GetLanguageIdStorage();
LANGID* GetCurrentLanguageId();

// String |id| of the host's table in |language_id|, with "$1".."$9"
// replaced by |replacements| when there are any. Empty when the host has no
// such string (a missing or damaged table block is logged).
std::wstring GetStringFromTable(LANGID language_id, int id,
                                const std::vector<std::wstring>& replacements);

// String |id| in the current language.
std::wstring GetLocalizedString(int id);
// String |id| in the current language with |argument| in place of "$1".
std::wstring GetLocalizedStringWithArgument(int id,
                                            const std::wstring& argument);
// String |id| in the current language with "$1".."$9" replaced.
std::wstring GetLocalizedStringWithReplacements(
    int id, const std::vector<std::wstring>& replacements);
// String |id| in the language of |code|, whatever the current language is;
// the language list shows each language's own name (IDS_LANGUAGE_NAME).
std::wstring GetLocalizedStringForLanguage(const std::wstring& code, int id);

}  // namespace l10n

#endif  // DESKTOP_WINDOWS_RC_L10N_HANDLER_RC_L10N_HANDLER_H_

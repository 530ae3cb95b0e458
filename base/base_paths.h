// The well-known folders that PathService knows, by key, and the provider of
// the portable ones. Ask for them through PathService::Get:
//
//   base::FilePath app_data;
//   if (!base::PathService::Get(base::PathKey::AppData, &app_data)) ...
//
// Keys 1 to 10 are the base range, 101 to 117 the Windows range; the numbers
// are fixed. Each entry says which folder it names.
#ifndef BASE_BASE_PATHS_H_
#define BASE_BASE_PATHS_H_

namespace base {

class FilePath;

struct PathKey {
  enum : int {
    None = 0,
    // The process's current directory, read afresh on every call.
    CurrentDirectory = 1,
    // The folder of ExeFile.
    ExeDirectory = 2,
    // The folder of ModuleFile.
    ModuleDirectory = 3,
    TempDirectory = 4,
    // The user's profile folder.
    HomeDirectory = 5,
    // The running executable.
    ExeFile = 6,
    // The module that holds this code (the DLL, or the executable it is
    // linked into).
    ModuleFile = 7,
    // Two levels above ExeDirectory.
    SourceRoot = 8,
    UserDesktop = 9,
    // SourceRoot\base\test\data, only when it exists.
    TestData = 10,

    WindowsDirectory = 101,
    SystemDirectory = 102,
    // The native program-files folder.
    ProgramFiles = 103,
    // The 32-bit program-files folder; the ordinary one on an x86 system.
    ProgramFilesX86 = 104,
    ProgramFiles6432 = 105,
    InternetCache = 106,
    // The all-users start-menu programs folder.
    CommonStartMenu = 107,
    // The user's start-menu programs folder.
    StartMenu = 108,
    // The roaming application-data folder.
    AppData = 109,
    LocalAppData = 110,
    CommonAppData = 111,
    // The application-shortcuts known folder; Windows 8 and later only.
    AppShortcuts = 112,
    CommonDesktop = 113,
    // AppData\Microsoft\Internet Explorer\Quick Launch.
    UserQuickLaunch = 114,
    // UserQuickLaunch\User Pinned\TaskBar.
    TaskbarPins = 115,
    // UserQuickLaunch\User Pinned\ImplicitAppShortcuts.
    ImplicitAppShortcuts = 116,
    WindowsFonts = 117,
  };
};

// The provider of the base range (keys 2, 3, 4, 5 and 10). Returns false for
// a key it does not answer.
bool PathProvider(int key, FilePath* result);

}  // namespace base

#endif  // BASE_BASE_PATHS_H_

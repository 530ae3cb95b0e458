#include "base/base_paths_win.h"

#include <shlobj.h>

#include <initializer_list>

#include "base/base_paths.h"
#include "base/files/file_path.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/win/scoped_memory.h"
#include "base/win/windows_version.h"

// The image of the module this code is linked into.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace base {

namespace {

// {A3918781-E5F2-4890-B3D9-A7E54332328C}: the application-shortcuts folder.
constexpr GUID kFolderIdApplicationShortcuts = {
    0xA3918781, 0xE5F2, 0x4890, {0xB3, 0xD9, 0xA7, 0xE5, 0x43, 0x32, 0x32, 0x8C}};

HRESULT WINAPI CallSHGetKnownFolderPath(const GUID& folder_id, DWORD flags,
                                        HANDLE token, wchar_t** path) {
  return ::SHGetKnownFolderPath(folder_id, flags, token, path);
}

internal::GetKnownFolderPathFunction g_get_known_folder_path =
    &CallSHGetKnownFolderPath;

// The full name of |module| (null: the executable). A result of 0 is a
// failure, and so is a full buffer: the name was cut short.
bool GetModuleFile(HMODULE module, FilePath* result) {
  wchar_t buffer[MAX_PATH];
  DWORD length = ::GetModuleFileNameW(module, buffer, MAX_PATH);
  DWORD error = ::GetLastError();
  if (length == 0 || length >= MAX_PATH) {
    LOG(ERROR) << "Cannot read the module file name (length " << length
               << ", error " << error << ")";
    return false;
  }
  *result = FilePath(StringPiece16(buffer, length));
  return true;
}

bool GetShellFolder(int csidl, FilePath* result) {
  wchar_t buffer[MAX_PATH];
  if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT,
                                buffer))) {
    return false;
  }
  // The constructor keeps the text up to the first NUL.
  *result = FilePath(StringPiece16(buffer, MAX_PATH));
  return true;
}

// |key|'s answer with the components appended, or false when |key| fails.
bool AppendToKey(int key, std::initializer_list<const wchar_t*> components,
                 FilePath* result) {
  FilePath path;
  if (!PathService::Get(key, &path))
    return false;
  for (const wchar_t* component : components)
    path = path.Append(component);
  *result = path;
  return true;
}

}  // namespace

bool GetKnownFolderPath(const GUID& folder_id, DWORD flags, FilePath* result) {
  // The function may hand out a buffer even when it fails.
  win::ScopedCoTaskMemory<wchar_t> path;
  if (FAILED(g_get_known_folder_path(folder_id, flags, nullptr,
                                     path.Receive())) ||
      !path.IsValid()) {
    return false;
  }
  FilePath folder(path.Get());
  if (folder.empty())
    return false;
  *result = folder;
  return true;
}

bool PathProviderWin(int key, FilePath* result) {
  switch (key) {
    case PathKey::ExeFile:
      return GetModuleFile(nullptr, result);
    case PathKey::ModuleFile:
      return GetModuleFile(reinterpret_cast<HMODULE>(&__ImageBase), result);
    case PathKey::SourceRoot: {
      // An empty inner answer stays empty, so PathService::Get fails.
      FilePath exe_directory;
      if (PathService::Get(PathKey::ExeDirectory, &exe_directory))
        *result = exe_directory.DirName().DirName();
      else
        result->clear();
      return true;
    }
    case PathKey::UserDesktop:
      return GetShellFolder(CSIDL_DESKTOPDIRECTORY, result);
    case PathKey::WindowsDirectory: {
      wchar_t buffer[MAX_PATH] = {};
      ::GetWindowsDirectoryW(buffer, MAX_PATH);
      *result = FilePath(StringPiece16(buffer, MAX_PATH));
      return true;
    }
    case PathKey::SystemDirectory: {
      wchar_t buffer[MAX_PATH] = {};
      ::GetSystemDirectoryW(buffer, MAX_PATH);
      *result = FilePath(StringPiece16(buffer, MAX_PATH));
      return true;
    }
    case PathKey::ProgramFiles:
    case PathKey::ProgramFiles6432:
      return GetShellFolder(CSIDL_PROGRAM_FILES, result);
    case PathKey::ProgramFilesX86:
      // An x86 system has only the one program-files folder.
      if (win::WindowsVersionInfo::GetInstance()->architecture ==
          win::WindowsVersionInfo::X86_ARCHITECTURE) {
        return GetShellFolder(CSIDL_PROGRAM_FILES, result);
      }
      return GetShellFolder(CSIDL_PROGRAM_FILESX86, result);
    case PathKey::InternetCache:
      return GetShellFolder(CSIDL_INTERNET_CACHE, result);
    case PathKey::CommonStartMenu:
      return GetShellFolder(CSIDL_COMMON_PROGRAMS, result);
    case PathKey::StartMenu:
      return GetShellFolder(CSIDL_PROGRAMS, result);
    case PathKey::AppData:
      return GetShellFolder(CSIDL_APPDATA, result);
    case PathKey::LocalAppData:
      return GetShellFolder(CSIDL_LOCAL_APPDATA, result);
    case PathKey::CommonAppData:
      return GetShellFolder(CSIDL_COMMON_APPDATA, result);
    case PathKey::AppShortcuts:
      if (win::GetWindowsVersion() < win::VERSION_WIN8)
        return false;
      return GetKnownFolderPath(kFolderIdApplicationShortcuts, 0, result);
    case PathKey::CommonDesktop:
      return GetShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY, result);
    case PathKey::UserQuickLaunch:
      return AppendToKey(PathKey::AppData,
                         {L"Microsoft", L"Internet Explorer", L"Quick Launch"},
                         result);
    case PathKey::TaskbarPins:
      return AppendToKey(PathKey::UserQuickLaunch, {L"User Pinned", L"TaskBar"},
                         result);
    case PathKey::ImplicitAppShortcuts:
      return AppendToKey(PathKey::UserQuickLaunch,
                         {L"User Pinned", L"ImplicitAppShortcuts"}, result);
    case PathKey::WindowsFonts:
      return GetShellFolder(CSIDL_FONTS, result);
    default:
      return false;
  }
}

namespace internal {

ScopedGetKnownFolderPathForTesting::ScopedGetKnownFolderPathForTesting(
    GetKnownFolderPathFunction function)
    : previous_(g_get_known_folder_path) {
  g_get_known_folder_path = function;
}

ScopedGetKnownFolderPathForTesting::~ScopedGetKnownFolderPathForTesting() {
  g_get_known_folder_path = previous_;
}

}  // namespace internal
}  // namespace base

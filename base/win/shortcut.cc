#include "base/win/shortcut.h"

#include "base/win/windows_types.h"

#include <objbase.h>
#include <propidl.h>
#include <propsys.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wchar.h>
#include <wrl/client.h>

#include <utility>

#include "base/win/scoped_propvariant.h"
#include "base/win/win_util.h"
#include "base/win/windows_version.h"

namespace base {
namespace win {

namespace {

using Microsoft::WRL::ComPtr;

// System.AppUserModel.ID and System.AppUserModel.IsDualMode, read back here
// (win_util writes them).
constexpr PROPERTYKEY kAppUserModelIdKey = {
    {0x9F4C2855, 0x9F79, 0x4B39, {0xA8, 0xD0, 0xE1, 0xD4, 0x2D, 0xE1, 0xD5,
                                  0xF3}},
    5};
constexpr PROPERTYKEY kAppUserModelIsDualModeKey = {
    {0x9F4C2855, 0x9F79, 0x4B39, {0xA8, 0xD0, 0xE1, 0xD4, 0x2D, 0xE1, 0xD5,
                                  0xF3}},
    11};

constexpr wchar_t kPinVerb[] = L"taskbarpin";
constexpr wchar_t kUnpinVerb[] = L"taskbarunpin";

// The size of every text buffer handed to the link object.
constexpr int kTextBufferSize = MAX_PATH;

HRESULT QueryPropertyStore(IShellLinkW* link, IPropertyStore** store) {
  return link->QueryInterface(IID_PPV_ARGS(store));
}

HINSTANCE CallShellExecute(HWND window, const wchar_t* verb,
                           const wchar_t* file, const wchar_t* parameters,
                           const wchar_t* directory, INT show_command) {
  return ::ShellExecuteW(window, verb, file, parameters, directory,
                         show_command);
}

void CallChangeNotify(LONG event_id, UINT flags, const void* item1,
                      const void* item2) {
  ::SHChangeNotify(event_id, flags, item1, item2);
}

constexpr ShortcutShellFunctions kSystemShellFunctions = {
    &QueryPropertyStore, &CallShellExecute, &CallChangeNotify};

const ShortcutShellFunctions* g_shell_functions = &kSystemShellFunctions;

// The text of a buffer the link object filled, up to its first NUL (the
// buffer may hold stale characters after it).
string16 TextUpToNul(const wchar_t* buffer) {
  return string16(buffer, wcsnlen(buffer, kTextBufferSize));
}

bool CreateShellLink(ComPtr<IShellLinkW>* link, ComPtr<IPersistFile>* file) {
  ComPtr<IShellLinkW> new_link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr,
                                CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&new_link)))) {
    return false;
  }
  ComPtr<IPersistFile> new_file;
  if (FAILED(new_link.As(&new_file)))
    return false;
  *link = std::move(new_link);
  *file = std::move(new_file);
  return true;
}

// Creates a shell link and loads the file at |path| into it.
bool LoadShellLink(const FilePath& path, DWORD mode,
                   ComPtr<IShellLinkW>* link, ComPtr<IPersistFile>* file) {
  ComPtr<IShellLinkW> new_link;
  ComPtr<IPersistFile> new_file;
  if (!CreateShellLink(&new_link, &new_file))
    return false;
  if (FAILED(new_file->Load(path.value().c_str(), mode)))
    return false;
  *link = std::move(new_link);
  *file = std::move(new_file);
  return true;
}

// Sets the properties that |properties| names on |link|. |old_link| is the
// link being replaced, if any: its arguments survive unless new ones are
// given.
bool ApplyProperties(IShellLinkW* link, IShellLinkW* old_link,
                     const ShortcutProperties& properties) {
  const uint32_t options = properties.options;
  if ((options & ShortcutProperties::PROPERTIES_TARGET) &&
      FAILED(link->SetPath(properties.target.value().c_str()))) {
    return false;
  }
  if ((options & ShortcutProperties::PROPERTIES_WORKING_DIR) &&
      FAILED(link->SetWorkingDirectory(
          properties.working_dir.value().c_str()))) {
    return false;
  }
  if (options & ShortcutProperties::PROPERTIES_ARGUMENTS) {
    if (FAILED(link->SetArguments(properties.arguments.c_str())))
      return false;
  } else if (old_link) {
    wchar_t old_arguments[kTextBufferSize] = {};
    // Keeping the old arguments is a courtesy; the new link is fine without.
    if (SUCCEEDED(old_link->GetArguments(old_arguments, kTextBufferSize)))
      link->SetArguments(old_arguments);
  }
  if ((options & ShortcutProperties::PROPERTIES_DESCRIPTION) &&
      FAILED(link->SetDescription(properties.description.c_str()))) {
    return false;
  }
  if ((options & ShortcutProperties::PROPERTIES_ICON) &&
      FAILED(link->SetIconLocation(properties.icon.value().c_str(),
                                   properties.icon_index))) {
    return false;
  }

  // Application ids exist from Windows 7 on; earlier systems simply get the
  // link without them.
  constexpr uint32_t kStoreOptions = ShortcutProperties::PROPERTIES_APP_ID |
                                     ShortcutProperties::PROPERTIES_DUAL_MODE;
  if ((options & kStoreOptions) && GetWindowsVersion() >= VERSION_WIN7) {
    ComPtr<IPropertyStore> store;
    if (FAILED(g_shell_functions->get_property_store(link, &store)) ||
        !store) {
      return false;
    }
    if ((options & ShortcutProperties::PROPERTIES_APP_ID) &&
        !SetAppIdForPropertyStore(store.Get(), properties.app_id.c_str())) {
      return false;
    }
    if ((options & ShortcutProperties::PROPERTIES_DUAL_MODE) &&
        !SetDualModeForPropertyStore(store.Get(), properties.dual_mode)) {
      return false;
    }
  }
  return true;
}

bool ReadStoreProperties(IShellLinkW* link, uint32_t options,
                         ShortcutProperties* properties) {
  ComPtr<IPropertyStore> store;
  if (FAILED(g_shell_functions->get_property_store(link, &store)) || !store)
    return false;

  if (options & ShortcutProperties::PROPERTIES_APP_ID) {
    ScopedPropVariant value;
    if (FAILED(store->GetValue(kAppUserModelIdKey, value.Receive())))
      return false;
    switch (value.get().vt) {
      case VT_EMPTY:
        properties->set_app_id(string16());
        break;
      case VT_LPWSTR:
        properties->set_app_id(value.get().pwszVal ? value.get().pwszVal
                                                   : L"");
        break;
      default:
        return false;
    }
  }
  if (options & ShortcutProperties::PROPERTIES_DUAL_MODE) {
    ScopedPropVariant value;
    if (FAILED(store->GetValue(kAppUserModelIsDualModeKey, value.Receive())))
      return false;
    switch (value.get().vt) {
      case VT_EMPTY:
        properties->set_dual_mode(false);
        break;
      case VT_BOOL:
        properties->set_dual_mode(value.get().boolVal == VARIANT_TRUE);
        break;
      default:
        return false;
    }
  }
  return true;
}

bool RunPinVerb(const wchar_t* verb, const FilePath& shortcut_path) {
  HINSTANCE result = g_shell_functions->shell_execute(
      nullptr, verb, shortcut_path.value().c_str(), nullptr, nullptr, SW_HIDE);
  // ShellExecuteW reports success as a value above 32.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace

ShortcutProperties::ShortcutProperties() = default;
ShortcutProperties::~ShortcutProperties() = default;

void ShortcutProperties::set_target(const FilePath& target_in) {
  target = target_in;
  options |= PROPERTIES_TARGET;
}

void ShortcutProperties::set_working_dir(const FilePath& working_dir_in) {
  working_dir = working_dir_in;
  options |= PROPERTIES_WORKING_DIR;
}

void ShortcutProperties::set_arguments(const string16& arguments_in) {
  arguments = arguments_in;
  options |= PROPERTIES_ARGUMENTS;
}

void ShortcutProperties::set_description(const string16& description_in) {
  description = description_in;
  options |= PROPERTIES_DESCRIPTION;
}

void ShortcutProperties::set_icon(const FilePath& icon_in,
                                  int32_t icon_index_in) {
  icon = icon_in;
  icon_index = icon_index_in;
  options |= PROPERTIES_ICON;
}

void ShortcutProperties::set_app_id(const string16& app_id_in) {
  app_id = app_id_in;
  options |= PROPERTIES_APP_ID;
}

void ShortcutProperties::set_dual_mode(bool dual_mode_in) {
  dual_mode = dual_mode_in;
  options |= PROPERTIES_DUAL_MODE;
}

bool CreateOrUpdateShortcutLink(const FilePath& shortcut_path,
                                const ShortcutProperties& properties,
                                ShortcutOperation operation) {
  // Only an update may leave the target as the link has it.
  if (operation != SHORTCUT_UPDATE_EXISTING &&
      !(properties.options & ShortcutProperties::PROPERTIES_TARGET)) {
    return false;
  }

  const bool shortcut_existed =
      ::GetFileAttributesW(shortcut_path.value().c_str()) !=
      INVALID_FILE_ATTRIBUTES;

  ComPtr<IShellLinkW> old_link;
  ComPtr<IPersistFile> old_file;
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  switch (operation) {
    case SHORTCUT_CREATE_ALWAYS:
      if (!CreateShellLink(&link, &file))
        return false;
      break;
    case SHORTCUT_REPLACE_EXISTING:
      // The old link must load: replacing is only for links that exist.
      if (!LoadShellLink(shortcut_path, STGM_READWRITE, &old_link,
                         &old_file) ||
          !CreateShellLink(&link, &file)) {
        return false;
      }
      break;
    case SHORTCUT_UPDATE_EXISTING:
      if (!LoadShellLink(shortcut_path, STGM_READWRITE, &link, &file))
        return false;
      break;
    default:
      return false;
  }

  if (!ApplyProperties(link.Get(), old_link.Get(), properties))
    return false;

  // The old link still holds the file it was loaded from; let go of it before
  // writing over it.
  old_file.Reset();
  old_link.Reset();
  const HRESULT saved = file->Save(shortcut_path.value().c_str(), TRUE);
  file.Reset();
  link.Reset();
  if (FAILED(saved))
    return false;

  if (shortcut_existed) {
    // A changed link may change icons the shell has cached.
    g_shell_functions->change_notify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST,
                                     nullptr, nullptr);
  } else {
    g_shell_functions->change_notify(SHCNE_CREATE, SHCNF_PATHW,
                                     shortcut_path.value().c_str(), nullptr);
  }
  return true;
}

bool ResolveShortcutProperties(const FilePath& shortcut_path,
                               uint32_t options,
                               ShortcutProperties* properties) {
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  if (!LoadShellLink(shortcut_path, STGM_READ, &link, &file))
    return false;

  properties->options = 0;
  wchar_t buffer[kTextBufferSize];

  if (options & ShortcutProperties::PROPERTIES_TARGET) {
    wmemset(buffer, 0, kTextBufferSize);
    if (FAILED(link->GetPath(buffer, kTextBufferSize, nullptr,
                             SLGP_UNCPRIORITY))) {
      return false;
    }
    properties->set_target(FilePath(TextUpToNul(buffer)));
  }
  if (options & ShortcutProperties::PROPERTIES_WORKING_DIR) {
    wmemset(buffer, 0, kTextBufferSize);
    if (FAILED(link->GetWorkingDirectory(buffer, kTextBufferSize)))
      return false;
    properties->set_working_dir(FilePath(TextUpToNul(buffer)));
  }
  if (options & ShortcutProperties::PROPERTIES_ARGUMENTS) {
    wmemset(buffer, 0, kTextBufferSize);
    if (FAILED(link->GetArguments(buffer, kTextBufferSize)))
      return false;
    properties->set_arguments(TextUpToNul(buffer));
  }
  if (options & ShortcutProperties::PROPERTIES_DESCRIPTION) {
    wmemset(buffer, 0, kTextBufferSize);
    if (FAILED(link->GetDescription(buffer, kTextBufferSize)))
      return false;
    properties->set_description(TextUpToNul(buffer));
  }
  if (options & ShortcutProperties::PROPERTIES_ICON) {
    wmemset(buffer, 0, kTextBufferSize);
    int icon_index = -1;
    if (FAILED(link->GetIconLocation(buffer, kTextBufferSize, &icon_index)))
      return false;
    properties->set_icon(FilePath(TextUpToNul(buffer)), icon_index);
  }

  constexpr uint32_t kStoreOptions = ShortcutProperties::PROPERTIES_APP_ID |
                                     ShortcutProperties::PROPERTIES_DUAL_MODE;
  if ((options & kStoreOptions) && GetWindowsVersion() >= VERSION_WIN7 &&
      !ReadStoreProperties(link.Get(), options, properties)) {
    return false;
  }
  return true;
}

bool ResolveShortcut(const FilePath& shortcut_path, FilePath* target_path) {
  ShortcutProperties properties;
  const uint32_t options =
      target_path ? ShortcutProperties::PROPERTIES_TARGET : 0;
  if (!ResolveShortcutProperties(shortcut_path, options, &properties))
    return false;
  if (target_path)
    *target_path = properties.target;
  return true;
}

bool CanPinShortcutToTaskbar() {
  // Windows 10 offers no pin verb to programs; the installer pins another way
  // there.
  const WindowsVersion version = GetWindowsVersion();
  return version >= VERSION_WIN7 && version < VERSION_WIN10;
}

bool TaskbarPinShortcutLink(const FilePath& shortcut_path) {
  return RunPinVerb(kPinVerb, shortcut_path);
}

bool TaskbarUnpinShortcutLink(const FilePath& shortcut_path) {
  if (GetWindowsVersion() < VERSION_WIN7)
    return false;
  return RunPinVerb(kUnpinVerb, shortcut_path);
}

namespace internal {

ScopedShortcutShellFunctionsForTesting::ScopedShortcutShellFunctionsForTesting(
    const ShortcutShellFunctions& functions)
    : functions_(functions), previous_(g_shell_functions) {
  g_shell_functions = &functions_;
}

ScopedShortcutShellFunctionsForTesting::
    ~ScopedShortcutShellFunctionsForTesting() {
  g_shell_functions = previous_;
}

}  // namespace internal

}  // namespace win
}  // namespace base

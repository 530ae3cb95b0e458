// Shell links (.lnk files) and the taskbar pin verbs.
//
// A ShortcutProperties record carries the properties to write or the ones
// read back, with a mask of which of them are meant. One call creates,
// replaces or updates a link from such a record, another reads properties of
// an existing link:
//
//   base::win::ShortcutProperties properties;
//   properties.set_target(exe_path);
//   properties.set_working_dir(exe_path.DirName());
//   properties.set_app_id(app_id);
//   if (!base::win::CreateOrUpdateShortcutLink(
//           link_path, properties, base::win::SHORTCUT_CREATE_ALWAYS)) {
//     LOG(ERROR) << "Failed to create shortcut at " << link_path.value();
//   }
//
// Failures are reported only by the result; nothing here logs, the callers
// do. The calling thread must have initialised COM. No locks are taken.
#ifndef BASE_WIN_SHORTCUT_H_
#define BASE_WIN_SHORTCUT_H_

#include <stdint.h>

#include "base/files/file_path.h"
#include "base/strings/string16.h"
#include "base/win/windows_types.h"

struct IPropertyStore;
struct IShellLinkW;

namespace base {
namespace win {

// What CreateOrUpdateShortcutLink does with the link file.
enum ShortcutOperation : uint32_t {
  // Writes a new link, overwriting any file at the path.
  SHORTCUT_CREATE_ALWAYS = 0,
  // Writes a new link in place of a loadable existing one; only the
  // arguments of the old link are carried over (when not given).
  SHORTCUT_REPLACE_EXISTING = 1,
  // Loads the existing link and changes only the given properties.
  SHORTCUT_UPDATE_EXISTING = 2,
};

// The properties of one shell link. |options| says which fields are meant:
// the setters fill a field and set its bit. When read back, a bit is set for
// every property that was read.
struct ShortcutProperties {
  enum IndividualProperties : uint32_t {
    PROPERTIES_TARGET = 1 << 0,
    PROPERTIES_WORKING_DIR = 1 << 1,
    PROPERTIES_ARGUMENTS = 1 << 2,
    PROPERTIES_DESCRIPTION = 1 << 3,
    PROPERTIES_ICON = 1 << 4,  // The icon path and index together.
    PROPERTIES_APP_ID = 1 << 5,
    PROPERTIES_DUAL_MODE = 1 << 6,
    // Everything a link file itself holds (no property-store values).
    PROPERTIES_BASIC = PROPERTIES_TARGET | PROPERTIES_WORKING_DIR |
                       PROPERTIES_ARGUMENTS | PROPERTIES_DESCRIPTION |
                       PROPERTIES_ICON,
    PROPERTIES_ALL = PROPERTIES_BASIC | PROPERTIES_APP_ID |
                     PROPERTIES_DUAL_MODE,
  };

  ShortcutProperties();
  ~ShortcutProperties();

  void set_target(const FilePath& target_in);
  void set_working_dir(const FilePath& working_dir_in);
  void set_arguments(const string16& arguments_in);
  void set_description(const string16& description_in);
  void set_icon(const FilePath& icon_in, int32_t icon_index_in);
  // The application user model id (System.AppUserModel.ID).
  void set_app_id(const string16& app_id_in);
  // System.AppUserModel.IsDualMode.
  void set_dual_mode(bool dual_mode_in);

  FilePath target;
  FilePath working_dir;
  string16 arguments;
  string16 description;
  FilePath icon;
  int32_t icon_index = -1;  // -1 when no icon is set.
  string16 app_id;
  bool dual_mode = false;
  uint32_t options = 0;  // IndividualProperties bits.
};

// Writes the link at |shortcut_path| from |properties|. Unless |operation| is
// SHORTCUT_UPDATE_EXISTING, the target must be among the properties.
// Replace and update fail when no loadable link exists at the path. The app
// id and dual-mode flag are written only from Windows 7 on and silently
// skipped before. Tells the shell about the new or changed link when the save
// succeeds; returns whether it did.
bool CreateOrUpdateShortcutLink(const FilePath& shortcut_path,
                                const ShortcutProperties& properties,
                                ShortcutOperation operation);

// Reads the properties named by |options| (IndividualProperties bits) from
// the link at |shortcut_path| into |properties|, whose options are replaced
// by the bits read. The app id and dual-mode flag are read only from
// Windows 7 on. False when the link cannot be loaded or any wanted property
// cannot be read.
bool ResolveShortcutProperties(const FilePath& shortcut_path,
                               uint32_t options,
                               ShortcutProperties* properties);

// Whether the link at |shortcut_path| loads; when |target_path| is given it
// also receives the link's target.
bool ResolveShortcut(const FilePath& shortcut_path, FilePath* target_path);

// Whether the shell's pin verbs are the way to pin: Windows 7 to 8.1.
bool CanPinShortcutToTaskbar();

// Runs the shell's "taskbarpin" verb on the link. Makes no version test; call
// it only when CanPinShortcutToTaskbar() is true.
bool TaskbarPinShortcutLink(const FilePath& shortcut_path);

// Runs the shell's "taskbarunpin" verb on the link; false before Windows 7.
bool TaskbarUnpinShortcutLink(const FilePath& shortcut_path);

// The shell calls this file makes beyond the link object itself. Tests
// replace them to see the property-store values, the pin verbs and the change
// notices, none of which Wine carries out.
struct ShortcutShellFunctions {
  // Gives the property store of |link|; the default queries the link.
  HRESULT (*get_property_store)(IShellLinkW* link, IPropertyStore** store);
  // ShellExecuteW.
  HINSTANCE (*shell_execute)(HWND window, const wchar_t* verb,
                             const wchar_t* file, const wchar_t* parameters,
                             const wchar_t* directory, INT show_command);
  // SHChangeNotify.
  void (*change_notify)(LONG event_id, UINT flags, const void* item1,
                        const void* item2);
};

namespace internal {

// For tests only: routes the calls above through |functions| for the scope's
// life. Scopes nest and must not overlap across threads.
class ScopedShortcutShellFunctionsForTesting {
 public:
  explicit ScopedShortcutShellFunctionsForTesting(
      const ShortcutShellFunctions& functions);
  ~ScopedShortcutShellFunctionsForTesting();
  ScopedShortcutShellFunctionsForTesting(
      const ScopedShortcutShellFunctionsForTesting&) = delete;
  ScopedShortcutShellFunctionsForTesting& operator=(
      const ScopedShortcutShellFunctionsForTesting&) = delete;

 private:
  ShortcutShellFunctions functions_;
  const ShortcutShellFunctions* previous_;
};

}  // namespace internal

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_SHORTCUT_H_

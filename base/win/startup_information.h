// The startup record handed to CreateProcessW, in its extended form where the
// system has one, so that a launch can carry a process-thread attribute list
// (for example the explicit list of handles a child may inherit).
//
//   base::win::StartupInformation startup;
//   if (!startup.InitializeProcThreadAttributeList(1) ||
//       !startup.UpdateProcThreadAttribute(PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
//                                          handles, handle_bytes)) {
//     return false;
//   }
//   ::CreateProcessW(..., EXTENDED_STARTUPINFO_PRESENT, ...,
//                    startup.startup_info(), ...);
//
// One owner, one thread; the attribute list lives as long as the object.
#ifndef BASE_WIN_STARTUP_INFORMATION_H_
#define BASE_WIN_STARTUP_INFORMATION_H_

#include <stddef.h>

#include <memory>

#include "base/win/windows_types.h"

namespace base {
namespace win {

class StartupInformation {
 public:
  // Zero-filled; the size field is that of STARTUPINFOEXW from Windows Vista
  // on, else that of a plain STARTUPINFOW.
  StartupInformation();
  ~StartupInformation();

  StartupInformation(const StartupInformation&) = delete;
  StartupInformation& operator=(const StartupInformation&) = delete;

  // Makes an empty attribute list for |attribute_count| attributes. False
  // without the extended form, when a list exists already or when the system
  // refuses; the thread's last error then tells why.
  bool InitializeProcThreadAttributeList(DWORD attribute_count);

  // Adds one attribute to the list. |value| must outlive the launch.
  bool UpdateProcThreadAttribute(DWORD_PTR attribute, void* value,
                                 size_t size);

  bool has_extended_startup_info() const {
    return startup_info_.StartupInfo.cb == sizeof(startup_info_);
  }
  bool has_attribute_list() const {
    return startup_info_.lpAttributeList != nullptr;
  }

  STARTUPINFOW* startup_info() { return &startup_info_.StartupInfo; }
  const STARTUPINFOW* startup_info() const {
    return &startup_info_.StartupInfo;
  }

 private:
  STARTUPINFOEXW startup_info_;
  // The memory lpAttributeList points into.
  std::unique_ptr<char[]> attribute_list_buffer_;
};

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_STARTUP_INFORMATION_H_

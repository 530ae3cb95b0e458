#include "base/win/startup_information.h"

#include <string.h>

#include "base/win/windows_version.h"

namespace base {
namespace win {

namespace {

typedef BOOL(WINAPI* InitializeProcThreadAttributeListFunction)(
    LPPROC_THREAD_ATTRIBUTE_LIST attribute_list, DWORD attribute_count,
    DWORD flags, SIZE_T* size);
typedef BOOL(WINAPI* UpdateProcThreadAttributeFunction)(
    LPPROC_THREAD_ATTRIBUTE_LIST attribute_list, DWORD flags,
    DWORD_PTR attribute, void* value, SIZE_T size, void* previous_value,
    SIZE_T* return_size);
typedef VOID(WINAPI* DeleteProcThreadAttributeListFunction)(
    LPPROC_THREAD_ATTRIBUTE_LIST attribute_list);

// Looked up by name because systems before Vista lack them. Racing lookups
// store the same addresses, so no lock is needed.
InitializeProcThreadAttributeListFunction initialize_attribute_list = nullptr;
UpdateProcThreadAttributeFunction update_attribute = nullptr;
DeleteProcThreadAttributeListFunction delete_attribute_list = nullptr;

void LookUpAttributeListFunctions() {
  if (initialize_attribute_list && update_attribute && delete_attribute_list)
    return;
  HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  initialize_attribute_list =
      reinterpret_cast<InitializeProcThreadAttributeListFunction>(
          reinterpret_cast<void*>(::GetProcAddress(
              kernel32, "InitializeProcThreadAttributeList")));
  update_attribute = reinterpret_cast<UpdateProcThreadAttributeFunction>(
      reinterpret_cast<void*>(
          ::GetProcAddress(kernel32, "UpdateProcThreadAttribute")));
  delete_attribute_list =
      reinterpret_cast<DeleteProcThreadAttributeListFunction>(
          reinterpret_cast<void*>(
              ::GetProcAddress(kernel32, "DeleteProcThreadAttributeList")));
}

}  // namespace

StartupInformation::StartupInformation() {
  memset(&startup_info_, 0, sizeof(startup_info_));
  if (GetWindowsVersion() >= VERSION_VISTA) {
    LookUpAttributeListFunctions();
    startup_info_.StartupInfo.cb = sizeof(startup_info_);
  } else {
    startup_info_.StartupInfo.cb = sizeof(startup_info_.StartupInfo);
  }
}

StartupInformation::~StartupInformation() {
  if (startup_info_.lpAttributeList && delete_attribute_list)
    delete_attribute_list(startup_info_.lpAttributeList);
}

bool StartupInformation::InitializeProcThreadAttributeList(
    DWORD attribute_count) {
  if (!has_extended_startup_info() || has_attribute_list() ||
      !initialize_attribute_list) {
    ::SetLastError(ERROR_NOT_SUPPORTED);
    return false;
  }
  // The first call only measures; it fails with ERROR_INSUFFICIENT_BUFFER.
  SIZE_T size = 0;
  initialize_attribute_list(nullptr, attribute_count, 0, &size);
  if (size == 0)
    return false;
  std::unique_ptr<char[]> buffer(new char[size]);
  auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer.get());
  if (!initialize_attribute_list(list, attribute_count, 0, &size))
    return false;
  attribute_list_buffer_ = std::move(buffer);
  startup_info_.lpAttributeList = list;
  return true;
}

bool StartupInformation::UpdateProcThreadAttribute(DWORD_PTR attribute,
                                                   void* value, size_t size) {
  if (!has_attribute_list() || !update_attribute) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  return update_attribute(startup_info_.lpAttributeList, 0, attribute, value,
                          size, nullptr, nullptr) != FALSE;
}

}  // namespace win
}  // namespace base

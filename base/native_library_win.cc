#include "base/native_library.h"

#include "base/files/file_path.h"
#include "base/files/file_util.h"

namespace base {

namespace {

HMODULE WINAPI CallLoadLibrary(const wchar_t* path) {
  return ::LoadLibraryW(path);
}

}  // namespace

NativeLibrary LoadNativeLibrary(const FilePath& library_path) {
  return LoadNativeLibraryFromFolder(library_path, &CallLoadLibrary);
}

NativeLibrary LoadNativeLibraryFromFolder(const FilePath& library_path,
                                          LoadLibraryFunction load) {
  // LoadLibraryW looks for dependencies in the current directory, not in the
  // library's own folder, so the load runs from that folder.
  FilePath saved_directory;
  FilePath load_path = library_path;
  bool switched = false;
  if (GetCurrentDirectory(&saved_directory)) {
    FilePath folder = library_path.DirName();
    if (!folder.empty() && folder.value() != FilePath::kCurrentDirectory) {
      // A relative path would be read again from inside its own folder
      // ("sub\x.dll" as "sub\sub\x.dll"), so it is made absolute first.
      if (!library_path.IsAbsolute()) {
        FilePath absolute = MakeAbsoluteFilePath(library_path);
        if (!absolute.empty()) load_path = absolute;
      }
      switched = ::SetCurrentDirectoryW(folder.value().c_str()) != 0;
    }
  }

  NativeLibrary library = load(load_path.value().c_str());

  if (switched)
    ::SetCurrentDirectoryW(saved_directory.value().c_str());
  return library;
}

void UnloadNativeLibrary(NativeLibrary library) {
  if (library)
    ::FreeLibrary(library);
}

void* GetNativeLibraryFunction(NativeLibrary library, const char* name) {
  if (!library)
    return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(library, name));
}

}  // namespace base

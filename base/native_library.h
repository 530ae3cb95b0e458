// Loading a library from a path so that the libraries it depends on are
// found in its own folder.
//
//   base::NativeLibrary library = base::LoadNativeLibrary(plugin_path);
//   if (!library) return false;
//   auto entry = reinterpret_cast<EntryFunction>(
//       base::GetNativeLibraryFunction(library, "Entry"));
//   ...
//   base::UnloadNativeLibrary(library);
//
// While a load runs, the process's current directory is the library's
// folder; other threads that use relative paths meanwhile see that folder.
#ifndef BASE_NATIVE_LIBRARY_H_
#define BASE_NATIVE_LIBRARY_H_

#include "base/win/windows_types.h"

namespace base {

class FilePath;

// The module handle of a loaded library; null means not loaded.
typedef HMODULE NativeLibrary;

// The signature of LoadLibraryW.
using LoadLibraryFunction = HMODULE(WINAPI*)(const wchar_t* path);

// Loads |library_path| with LoadLibraryW through LoadNativeLibraryFromFolder.
// Null when the load fails.
NativeLibrary LoadNativeLibrary(const FilePath& library_path);

// Calls |load| with |library_path| while the current directory is the
// library's folder, then restores the directory. A bare file name is loaded
// without changing the directory. Null when the load fails.
NativeLibrary LoadNativeLibraryFromFolder(const FilePath& library_path,
                                          LoadLibraryFunction load);

// Frees |library|; does nothing for null.
void UnloadNativeLibrary(NativeLibrary library);

// The address of the export |name| of |library|; null when |library| is
// null or lacks it.
void* GetNativeLibraryFunction(NativeLibrary library, const char* name);

}  // namespace base

#endif  // BASE_NATIVE_LIBRARY_H_

// A library that imports from native_library_test_dep.dll, so it loads only
// when that library is found.
extern "C" __declspec(dllimport) int NativeLibraryTestDepValue();

extern "C" __declspec(dllexport) int NativeLibraryTestValue() {
  return NativeLibraryTestDepValue() + 1;
}

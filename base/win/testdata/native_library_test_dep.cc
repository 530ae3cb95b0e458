// The dependency of native_library_test_main.dll. The native-library tests
// place it beside that library, in a folder the loader does not search by
// itself.
extern "C" __declspec(dllexport) int NativeLibraryTestDepValue() { return 42; }

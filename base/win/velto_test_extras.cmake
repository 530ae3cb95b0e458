# Helper executables that base_win_unittests runs as children; they land in
# bin/ beside the test and velto_installer.dll.

# Stand-ins for the installer's host executable, one per way of exporting
# GetHandleVerifier. They use only the verifier's interface header.
set(handle_verifier_hosts "")
foreach(variant exporting exporting_null plain)
  set(host handle_verifier_host_${variant})
  add_executable(${host} ${CMAKE_CURRENT_LIST_DIR}/testdata/handle_verifier_host.cc)
  list(APPEND handle_verifier_hosts ${host})
endforeach()
target_compile_definitions(handle_verifier_host_exporting PRIVATE HOST_VERIFIER=1)
target_compile_definitions(handle_verifier_host_exporting_null PRIVATE HOST_VERIFIER=2)

# The same version probe under two names, so that testing/wine_prefix.reg can
# give each its own Windows version. The manifest lets them see it.
set(windows_version_probes "")
foreach(version win10 win81)
  set(probe windows_version_probe_${version})
  add_executable(${probe} ${CMAKE_CURRENT_LIST_DIR}/testdata/windows_version_probe.cc)
  target_link_libraries(${probe} PRIVATE velto_manifest base)
  list(APPEND windows_version_probes ${probe})
endforeach()

add_dependencies(${name} velto_installer ${handle_verifier_hosts}
                 ${windows_version_probes})

# Libraries for the native-library and module-file tests. They land in a
# folder of their own, so the loader never finds the dependency beside the
# test; the tests copy them where they need them.
set(native_library_testdata_dir ${CMAKE_BINARY_DIR}/bin/native_library_testdata)
add_library(native_library_test_dep SHARED
            ${CMAKE_CURRENT_LIST_DIR}/testdata/native_library_test_dep.cc)
add_library(native_library_test_main SHARED
            ${CMAKE_CURRENT_LIST_DIR}/testdata/native_library_test_main.cc)
target_link_libraries(native_library_test_main PRIVATE native_library_test_dep)
add_library(path_service_probe SHARED
            ${CMAKE_CURRENT_LIST_DIR}/testdata/path_service_probe.cc)
target_link_libraries(path_service_probe PRIVATE base)
set_target_properties(native_library_test_dep native_library_test_main
                      path_service_probe PROPERTIES
                      PREFIX ""
                      RUNTIME_OUTPUT_DIRECTORY ${native_library_testdata_dir})
add_dependencies(${name} native_library_test_main path_service_probe)

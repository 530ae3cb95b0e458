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

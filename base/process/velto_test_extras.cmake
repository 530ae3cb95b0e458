# The child that the process tests launch; it lands in bin/ beside them.
# Other tests may run it too (see the switches at the top of its source).
add_executable(process_test_child
               ${CMAKE_CURRENT_LIST_DIR}/testdata/process_test_child.cc)
target_link_libraries(process_test_child PRIVATE velto_manifest base)
add_dependencies(${name} process_test_child)

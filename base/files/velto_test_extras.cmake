# The child that the important-file writer's kill test starts and ends again
# and again; it lands in bin/ beside the test.
add_executable(important_file_writer_child
               ${CMAKE_CURRENT_LIST_DIR}/testdata/important_file_writer_child.cc)
target_link_libraries(important_file_writer_child PRIVATE velto_manifest base
                      shell32)
add_dependencies(${name} important_file_writer_child)

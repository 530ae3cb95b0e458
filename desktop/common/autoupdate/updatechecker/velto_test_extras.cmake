# The storage tests read the product key from the standard product settings,
# and start a second process that takes the storage mutex or stresses the
# store; it lands in bin/ beside them.
set(globalstorage_settings_rc
    ${CMAKE_SOURCE_DIR}/desktop/windows/installer/service/resources/product_settings.rc)
set_source_files_properties(${globalstorage_settings_rc} PROPERTIES
                            COMPILE_OPTIONS "--codepage=65001")
target_sources(${name} PRIVATE ${globalstorage_settings_rc})

add_executable(globalstorage_test_child
               ${CMAKE_CURRENT_LIST_DIR}/testdata/globalstorage_test_child.cc
               ${globalstorage_settings_rc})
target_link_libraries(globalstorage_test_child PRIVATE velto_manifest
                      -Wl,--start-group ${libraries} -Wl,--end-group)
add_dependencies(${name} globalstorage_test_child)

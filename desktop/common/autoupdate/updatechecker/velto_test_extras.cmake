# The storage tests read the product key from the standard product settings.
set(globalstorage_settings_rc
    ${CMAKE_SOURCE_DIR}/desktop/windows/installer/service/resources/product_settings.rc)
set_source_files_properties(${globalstorage_settings_rc} PROPERTIES
                            COMPILE_OPTIONS "--codepage=65001")
target_sources(${name} PRIVATE ${globalstorage_settings_rc})


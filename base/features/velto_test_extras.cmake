# The experiments' masks follow the product token, so the tests carry the
# standard product settings.
set(settings_rc
    ${CMAKE_SOURCE_DIR}/desktop/windows/installer/service/resources/product_settings.rc)
set_source_files_properties(${settings_rc} PROPERTIES
                            COMPILE_OPTIONS "--codepage=65001")
target_sources(${name} PRIVATE ${settings_rc})

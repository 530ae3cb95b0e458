# The tests' executable is the host: it carries the string tables and the
# language list that the lookups read from the main module.
set(l10n_test_rc ${CMAKE_CURRENT_LIST_DIR}/testdata/l10n_test_strings.rc)
set_source_files_properties(${l10n_test_rc} PROPERTIES
                            COMPILE_OPTIONS "--codepage=65001")
target_sources(${name} PRIVATE ${l10n_test_rc})

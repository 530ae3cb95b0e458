# The service tests run with the standard product settings in their own
# executable, and start stand-ins for the host executable as children; all
# land in bin/ beside the test.
set(service_dir ${CMAKE_CURRENT_LIST_DIR})
set(settings_rc ${service_dir}/resources/product_settings.rc)
# The resource compiler does not report the JSON files it embeds.
set_source_files_properties(${settings_rc} PROPERTIES
                            COMPILE_OPTIONS "--codepage=65001"
                            OBJECT_DEPENDS ${service_dir}/resources/product_settings.json)
target_sources(${name} PRIVATE ${settings_rc})

# The host stand-in, with the standard settings and without any.
add_executable(product_settings_probe
               ${service_dir}/testdata/product_settings_probe.cc ${settings_rc})
add_executable(product_settings_probe_bare
               ${service_dir}/testdata/product_settings_probe.cc)
foreach(probe product_settings_probe product_settings_probe_bare)
  target_link_libraries(${probe} PRIVATE velto_manifest installer_service
                        base_json base)
endforeach()

# Another process that reads the install log while the tests save it.
add_executable(install_log_reader_child
               ${service_dir}/testdata/install_log_reader_child.cc)
target_link_libraries(install_log_reader_child PRIVATE velto_manifest base
                      shell32)
add_dependencies(${name} install_log_reader_child)

# A resource-only "_vlautolib.pyd" module in a folder of its own; the tests
# copy it where they need it.
set(fallback_rc ${service_dir}/testdata/fallback_settings.rc)
set_source_files_properties(${fallback_rc} PROPERTIES
                            COMPILE_OPTIONS "--codepage=65001"
                            OBJECT_DEPENDS
                                ${service_dir}/testdata/autotest_settings.json)
add_library(vlautolib_autotest SHARED ${fallback_rc})
target_link_options(vlautolib_autotest PRIVATE -nostdlib -Wl,-e0)
set_target_properties(vlautolib_autotest PROPERTIES
    LINKER_LANGUAGE C PREFIX "" OUTPUT_NAME _vlautolib SUFFIX ".pyd"
    RUNTIME_OUTPUT_DIRECTORY
        ${CMAKE_BINARY_DIR}/bin/product_settings_testdata/autotest)

add_dependencies(${name} product_settings_probe product_settings_probe_bare
                 vlautolib_autotest)

# The install log's golden document, which the tests compare saves with.
configure_file(${service_dir}/testdata/install_log_full.xml
               ${CMAKE_BINARY_DIR}/bin/install_log_testdata/install_log_full.xml
               COPYONLY)

# The signature check's certificates and signed images, made from scratch
# with openssl and osslsigncode around a small program of our own.
add_executable(signature_fixture_image
               ${service_dir}/testdata/signature_fixture_image.cc)
set(signature_fixture_dir ${CMAKE_BINARY_DIR}/bin/signature_testdata)
set(signature_fixtures "")
foreach(fixture unsigned expected expected32 other nested nested32
        nested_corrupted nested_replayed nested_rewritten nested_untrusted
        nested_rogue_root expected_rogue_root expected_not_code_signing
        expected_via_intermediate lower_case longer_name
        nested_appended expected_padded nested_padded nested_unknown_oid
        expected_data_type expected_two_digests
        nested_depth3
        nested_depth4 nested_depth5 nested_16_signers nested_17_signers
        tampered)
  list(APPEND signature_fixtures ${signature_fixture_dir}/${fixture}.exe)
endforeach()
list(APPEND signature_fixtures ${signature_fixture_dir}/root.cer)
add_custom_command(
  OUTPUT ${signature_fixtures}
  COMMAND bash ${service_dir}/testdata/make_signature_fixtures.sh
          $<TARGET_FILE:signature_fixture_image> ${signature_fixture_dir}
  DEPENDS ${service_dir}/testdata/make_signature_fixtures.sh
          signature_fixture_image
  COMMENT "Signing the signature test images"
  VERBATIM)
add_custom_target(signature_fixtures DEPENDS ${signature_fixtures})
add_dependencies(${name} signature_fixtures)

# The association tests run once per Windows release that decides how a
# default is made: testing/wine_prefix.reg gives each executable name its
# release, and the manifest of velto_test_main lets it see it. They leave
# the folder's own executable, which would only repeat the Windows 7 run.
set(association_test ${service_dir}/browser_registration_unittest.cc)
get_target_property(service_test_sources ${name} SOURCES)
list(REMOVE_ITEM service_test_sources ${association_test})
set_target_properties(${name} PROPERTIES SOURCES "${service_test_sources}")
foreach(release win7 win8 win10)
  set(release_test browser_registration_unittests_${release})
  add_executable(${release_test} ${association_test} ${settings_rc})
  target_link_libraries(${release_test} PRIVATE velto_test_main velto_manifest
                        -Wl,--start-group ${libraries} -Wl,--end-group
                        gmock gtest)
  velto_add_gtest(${release_test})
endforeach()

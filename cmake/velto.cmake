# Helpers that keep the per-folder CMake files short.
#
# velto_add_library(NAME DIR <folder> [EXCLUDE <subfolder>...] [DEPS <target>...])
#   One static library from every .cc file below <folder>, except unit tests,
#   benchmarks and the subfolders named in EXCLUDE (they are components of
#   their own). Every such component is linked into the DLL.
#
# velto_add_library(NAME STATIC|SHARED|OBJECT SOURCES <file>... [DEPS <target>...])
#   A library of the files named that is not a component of the DLL: the DLL
#   itself, the allocator shim, the test support. Anything it links besides
#   the targets whose headers it includes, its own CMakeLists.txt adds.
#
# DEPS names the targets whose headers the library includes, and the system
# libraries it calls.
#
# Every folder that holds *_unittest.cc files gets one test executable,
# <folder_path>_unittests, linked against every component; every
# *_benchmark.cc becomes an executable of its own (with its helper sources
# *_benchmark_*.cc) that CTest runs in its few-second smoke mode (--smoke).
#
# velto_add_gtest(NAME)
#   Has CTest run the GoogleTest executable NAME (built with velto_test_main)
#   through testing/run_test_executable.sh, which fails a run that ended
#   before its last test finished, whatever its exit code.

set_property(GLOBAL PROPERTY VELTO_LIBRARIES "")

function(velto_add_library name)
  cmake_parse_arguments(ARG "STATIC;SHARED;OBJECT" "DIR" "EXCLUDE;DEPS;SOURCES" ${ARGN})
  if(ARG_SOURCES)
    if(ARG_SHARED)
      add_library(${name} SHARED ${ARG_SOURCES})
      target_link_libraries(${name} PRIVATE ${ARG_DEPS})
    else()
      if(ARG_OBJECT)
        add_library(${name} OBJECT ${ARG_SOURCES})
      else()
        add_library(${name} STATIC ${ARG_SOURCES})
      endif()
      target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    endif()
    return()
  endif()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/${ARG_DIR}/*.cc ${CMAKE_SOURCE_DIR}/${ARG_DIR}/*.S)
  list(FILTER sources EXCLUDE REGEX "(_unittest|_benchmark|_benchmark_[a-z0-9_]+|_testmain)\\.cc$")
  list(FILTER sources EXCLUDE REGEX "/testdata/")
  foreach(excluded ${ARG_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "^${CMAKE_SOURCE_DIR}/${ARG_DIR}/${excluded}/")
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    set_property(GLOBAL APPEND PROPERTY VELTO_LIBRARIES ${name})
  else()
    # A component whose code has not been written yet.
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# The Wine environment of every test; tools/wine_env.sh sets the same for the
# scripts of tools/ and says why.
set(VELTO_TEST_ENVIRONMENT
    "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix"
    "WINEDEBUG=-all"
    "WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=")

function(velto_add_gtest name)
  add_test(NAME ${name}
           COMMAND bash ${CMAKE_SOURCE_DIR}/testing/run_test_executable.sh
                   ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${VELTO_TEST_ENVIRONMENT}"
                       TIMEOUT 600)
endfunction()

function(velto_add_all_tests)
  get_property(libraries GLOBAL PROPERTY VELTO_LIBRARIES)
  file(GLOB_RECURSE tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/*_unittest.cc)
  list(FILTER tests EXCLUDE REGEX "^${CMAKE_BINARY_DIR}/")
  set(folders "")
  foreach(test ${tests})
    get_filename_component(folder ${test} DIRECTORY)
    list(APPEND folders ${folder})
  endforeach()
  list(REMOVE_DUPLICATES folders)
  foreach(folder ${folders})
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${folder})
    string(REPLACE "/" "_" name "${relative}_unittests")
    file(GLOB sources CONFIGURE_DEPENDS ${folder}/*_unittest.cc)
    add_executable(${name} ${sources})
    # Folders may ask for more: a file velto_test_extras.cmake beside the
    # tests can add sources or libraries to ${name}.
    if(EXISTS ${folder}/velto_test_extras.cmake)
      include(${folder}/velto_test_extras.cmake)
    endif()
    target_link_libraries(${name} PRIVATE velto_test_main
                          -Wl,--start-group ${libraries} -Wl,--end-group
                          gmock gtest)
    velto_add_gtest(${name})
  endforeach()

  # The check of run_test_executable.sh, on probe cases that end their runs
  # in each way.
  add_test(NAME run_test_executable_check
           COMMAND bash ${CMAKE_SOURCE_DIR}/testing/run_test_executable_test.sh
                   ${CMAKE_CROSSCOMPILING_EMULATOR}
                   $<TARGET_FILE:run_test_executable_probe>)
  set_tests_properties(run_test_executable_check PROPERTIES
                       ENVIRONMENT "${VELTO_TEST_ENVIRONMENT}" TIMEOUT 120)

  file(GLOB_RECURSE benchmarks CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/*_benchmark.cc)
  list(FILTER benchmarks EXCLUDE REGEX "^${CMAKE_BINARY_DIR}/")
  foreach(benchmark ${benchmarks})
    get_filename_component(name ${benchmark} NAME_WE)
    get_filename_component(folder ${benchmark} DIRECTORY)
    # Helper sources <name>_*.cc beside it, for code that needs a translation
    # unit of its own (a peer built in a second configuration).
    file(GLOB helpers CONFIGURE_DEPENDS ${folder}/${name}_*.cc)
    add_executable(${name} ${benchmark} ${helpers})
    target_include_directories(${name} PRIVATE ${VELTO_PEER_INCLUDE_DIR})
    # Peers are measured as their users build them.
    target_compile_definitions(${name} PRIVATE NDEBUG)
    # ws2_32 and mswsock: the event library's sockets, linked even when only
    # its task queue is used.
    target_link_libraries(${name} PRIVATE velto_test_support
                          -Wl,--start-group ${libraries} -Wl,--end-group
                          ws2_32 mswsock)
    add_test(NAME ${name}_smoke COMMAND ${name} --smoke)
    set_tests_properties(${name}_smoke PROPERTIES ENVIRONMENT "${VELTO_TEST_ENVIRONMENT}"
                         TIMEOUT 300)
  endforeach()
endfunction()

# Header-only peers of the benchmarks, exposed through a folder of links so
# that the mingw build never sees the rest of /usr/include.
set(VELTO_PEER_INCLUDE_DIR ${CMAKE_BINARY_DIR}/peer_include)
file(MAKE_DIRECTORY ${VELTO_PEER_INCLUDE_DIR})
foreach(peer fmt rapidjson nlohmann asio asio.hpp)
  if(EXISTS /usr/include/${peer} AND NOT EXISTS ${VELTO_PEER_INCLUDE_DIR}/${peer})
    file(CREATE_LINK /usr/include/${peer} ${VELTO_PEER_INCLUDE_DIR}/${peer} SYMBOLIC)
  endif()
endforeach()

# SPDX-License-Identifier: GPL-3.0-or-later
# Every folder is one static library made of the sources in it, and one test
# program made of the sources in its tests/ folder. New files are picked up by
# the next build without editing any list.

function(clipmill_library name)
  cmake_parse_arguments(A "" "" "LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
  # A folder with headers only (contracts not yet implemented) is an
  # interface library: a static library needs at least one source file.
  set(cpps ${srcs})
  list(FILTER cpps INCLUDE REGEX "\\.cpp$")
  if(NOT cpps)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${A_LIBS})
    return()
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_LIBS})
endfunction()

# Tests run one process per test case, so the process-wide engine state is
# fresh for each. QT_QPA_PLATFORM defaults to offscreen; tests that need a
# real X server read CLIPMILL_TEST_DISPLAY themselves.
function(clipmill_tests name)
  cmake_parse_arguments(A "" "" "LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs} ${PROJECT_SOURCE_DIR}/testsupport/test_environment.cpp
                 ${PROJECT_SOURCE_DIR}/testsupport/sanitizer/tsan_options.cpp)
  target_compile_definitions(${name} PRIVATE
    CLIPMILL_DEFAULT_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    CLIPMILL_DEFAULT_MEDIA_CACHE="${PROJECT_BINARY_DIR}/test-media")
  target_link_libraries(${name} PRIVATE ${A_LIBS} clipmill_testsupport GTest::gtest)
  # One environment value only: several would be read as property names.
  # The rest of the environment comes from test_environment.cpp.
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 600 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

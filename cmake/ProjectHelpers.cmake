# Small helpers shared by every CMakeLists of the tree.

# Adds a subdirectory when it has a CMakeLists.txt, so parts of the tree can
# grow independently.
function(sw_add_subdirectory_if_present dir)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endfunction()

# sw_native_test(<name> SOURCES <files...> [LIBS <targets...>])
# A GoogleTest executable on the simulated machine; the machine is reset
# before every test case.
function(sw_native_test name)
  if(WIN32)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} test_support GTest::gmock GTest::gtest)
  gtest_discover_tests(${name}
    PROPERTIES LABELS native
    DISCOVERY_TIMEOUT 60)
endfunction()

# sw_wine_test(<name> SCRIPT <script> [ARGS <args...>] [DEPENDS <targets...>])
# A shell script run against the win64 build in a throw-away Wine prefix that
# one fixture creates for the whole run.
function(sw_wine_test name)
  if(NOT WIN32 OR NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
    return()
  endif()
  cmake_parse_arguments(T "" "SCRIPT" "ARGS" ${ARGN})
  add_test(NAME ${name} COMMAND bash ${T_SCRIPT} ${T_ARGS})
  set_tests_properties(${name} PROPERTIES
    LABELS wine
    FIXTURES_REQUIRED wine_prefix
    RESOURCE_LOCK wine_prefix
    TIMEOUT 300
    ENVIRONMENT "SW_WINE_STATE=${CMAKE_BINARY_DIR}/wine-state;SW_SOURCE_DIR=${CMAKE_SOURCE_DIR};SW_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()

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
    PROPERTIES LABELS native TIMEOUT 120
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

# sw_import_library(<target> DEF <file.def> DLL <name.dll>)
# Windows only: an import library built with dlltool from our own
# module-definition file, as an IMPORTED target to link against. On i686 the
# decorated __stdcall names of the .def map to the DLL's plain export names.
function(sw_import_library target)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(T "" "DEF;DLL" "" ${ARGN})
  set(lib ${CMAKE_CURRENT_BINARY_DIR}/lib${target}.a)
  set(kill_at "")
  set(def ${T_DEF})
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(kill_at --kill-at)
  else()
    # x86_64 has one calling convention and no name decoration.
    file(READ ${T_DEF} text)
    string(REGEX REPLACE "@[0-9]+" "" text "${text}")
    set(def ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
    file(WRITE ${def} "${text}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${T_DEF})
  endif()
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${T_DLL} ${kill_at} --output-lib ${lib}
    DEPENDS ${def}
    COMMENT "Import library for ${T_DLL}")
  add_custom_target(${target}_build DEPENDS ${lib})
  add_library(${target} STATIC IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES IMPORTED_LOCATION ${lib})
  add_dependencies(${target} ${target}_build)
endfunction()

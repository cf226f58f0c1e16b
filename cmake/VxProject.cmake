# Helpers shared by every CMakeLists of the project.

set(VX_SANITIZE "" CACHE STRING "Sanitizer flags for the host build")
set(VX_DEPS_PREFIX "" CACHE PATH "Prefix of zlib/minizip/libpng/libjpeg built for Windows")

# Options for the project's own code only: strict warnings, and narrow string
# literals in the ANSI code page of the target systems (sources are UTF-8,
# the program's texts are GBK bytes at run time).
function(vx_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror
    $<$<COMPILE_LANGUAGE:C,CXX>:-finput-charset=UTF-8 -fexec-charset=GBK>)
endfunction()

function(vx_add_subdirectories)
  foreach(dir IN LISTS ARGN)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# Every direct subdirectory that has a CMakeLists.txt, in name order.
function(vx_add_all_subdirectories)
  file(GLOB children LIST_DIRECTORIES true CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(dir IN LISTS children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${dir} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# Portable code (no <windows.h>): built in both builds.
function(vx_portable_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  vx_warnings(${name})
  if(NOT VX_WINDOWS AND VX_SANITIZE)
    target_compile_options(${name} PRIVATE ${VX_SANITIZE})
  endif()
endfunction()

# Win32 code: Windows build only. Call only inside if(VX_WINDOWS).
# A host tool: its code as library vx_<name> (so that native tests link it),
# the program <name> in the host build's bin folder, both under the
# sanitizers. vx_host_tool(name LIBRARY_SOURCES ... LIBS ...)
function(vx_host_tool name)
  cmake_parse_arguments(T "" "" "LIBRARY_SOURCES;LIBS" ${ARGN})
  add_library(vx_${name} STATIC ${T_LIBRARY_SOURCES})
  target_include_directories(vx_${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(vx_${name} PUBLIC ${T_LIBS})
  vx_warnings(vx_${name})
  add_executable(${name} main.cpp)
  target_link_libraries(${name} PRIVATE vx_${name})
  vx_warnings(${name})
  if(VX_SANITIZE)
    target_compile_options(vx_${name} PRIVATE ${VX_SANITIZE})
    target_compile_options(${name} PRIVATE ${VX_SANITIZE})
    target_link_options(${name} PRIVATE ${VX_SANITIZE})
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endfunction()

function(vx_windows_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${name} PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  vx_warnings(${name})
endfunction()

function(vx_setup_googletest)
  set(gtest_src /usr/src/googletest)
  if(NOT EXISTS ${gtest_src}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${gtest_src} (Debian package googletest)")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${gtest_src} ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)
  if(NOT VX_WINDOWS AND VX_SANITIZE)
    target_compile_options(gtest PRIVATE ${VX_SANITIZE})
    target_compile_options(gtest_main PRIVATE ${VX_SANITIZE})
  endif()
endfunction()

# vx_native_test(name SOURCES ... LIBS ...): host build only, with sanitizers.
function(vx_native_test name)
  if(VX_WINDOWS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  vx_warnings(${name})
  if(VX_SANITIZE)
    target_compile_options(${name} PRIVATE ${VX_SANITIZE})
    target_link_options(${name} PRIVATE ${VX_SANITIZE})
  endif()
  add_test(NAME native.${name} COMMAND ${name})
  # A failed allocation is a result to test, not a crash.
  set_tests_properties(native.${name} PROPERTIES TIMEOUT 300 LABELS native
    ENVIRONMENT "ASAN_OPTIONS=allocator_may_return_null=1")
endfunction()

# vx_wine_test(name SOURCES ... LIBS ... [GUI] [NO_MAIN] [TIMEOUT s]
#              [LOCALE <LC_ALL value> <gtest filter>]): a Windows console test
# exe, run under wine by ctest. GUI marks tests that need the X display
# (./dev test provides one through DISPLAY). Wine takes the ANSI code page
# from the process's locale: with LOCALE the cases the filter names run apart
# as wine.<name>.<language> under that locale, and the plain run leaves them
# out. The exe's property VX_TESTS lists the tests made.
function(vx_wine_test name)
  if(NOT VX_WINDOWS)
    return()
  endif()
  cmake_parse_arguments(T "GUI;NO_MAIN" "TIMEOUT" "SOURCES;LIBS;LOCALE" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_NO_MAIN)
    target_link_libraries(${name} PRIVATE ${T_LIBS} gtest)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} gtest_main)
  endif()
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${VX_WIN32_LIBS})
  target_compile_definitions(${name} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  vx_warnings(${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(tests wine.${name})
  if(T_LOCALE)
    list(GET T_LOCALE 0 locale)
    list(GET T_LOCALE 1 filter)
    string(REGEX REPLACE "[._].*" "" language "${locale}")
    add_test(NAME wine.${name} COMMAND ${name} --gtest_filter=-${filter})
    add_test(NAME wine.${name}.${language} COMMAND ${name} --gtest_filter=${filter})
    set_tests_properties(wine.${name}.${language} PROPERTIES ENVIRONMENT "LC_ALL=${locale}")
    list(APPEND tests wine.${name}.${language})
  else()
    add_test(NAME wine.${name} COMMAND ${name})
  endif()
  set_property(TARGET ${name} PROPERTY VX_TESTS ${tests})
  set(labels wine)
  if(T_GUI)
    list(APPEND labels gui)
  endif()
  # wine's own chatter on stderr must not fail a test; gtest's exit code does.
  set_tests_properties(${tests} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${labels}")
  if(T_GUI)
    # Windows and message boxes on the one screen take activation and clicks
    # from each other: one GUI test at a time. Tests setting locks of their
    # own name this one too.
    set_tests_properties(${tests} PROPERTIES RESOURCE_LOCK vx_display_mouse)
  endif()
endfunction()

set(VX_WIN32_LIBS user32 gdi32 comctl32 comdlg32 shell32 shlwapi ole32 oleaut32 uuid advapi32 msimg32 winmm version)

# Every system DLL but kernel32 and msvcrt is delay-loaded: the loader looks
# for a statically imported DLL that is not a known DLL beside the exe first,
# before WinMain can narrow the search with SetDefaultDllDirectories. These
# are those DLLs; uuid is a static library.
set(VX_DELAY_LOADED_DLLS user32 gdi32 comctl32 comdlg32 shell32 shlwapi ole32 oleaut32 advapi32 msimg32 winmm oleacc
  version uxtheme)

# A delay-load import library made by dlltool from a .def file.
function(vx_make_delay_library def lib)
  if(EXISTS ${lib} AND NOT ${def} IS_NEWER_THAN ${lib})
    return()
  endif()
  execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --output-delaylib ${lib}
    RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "dlltool could not make ${lib}: ${err}")
  endif()
endfunction()

# vx_delay_library_from_def(target def): an imported library `target` that
# delay-loads the DLL the .def file names.
function(vx_delay_library_from_def target def)
  set(lib ${CMAKE_BINARY_DIR}/delayimp/lib${target}.a)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/delayimp)
  vx_make_delay_library(${def} ${lib})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
  add_library(${target} STATIC IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES IMPORTED_LOCATION ${lib})
endfunction()

# Turns each name of VX_DELAY_LOADED_DLLS into an imported target of the same
# name, so that every target_link_libraries(... user32 ...) of the tree links
# the delay-load import library made from MinGW's import library: its
# function exports (data exports cannot be delay-loaded and are left out)
# under the DLL name that library carries.
function(vx_delay_load_system_dlls)
  foreach(name IN LISTS VX_DELAY_LOADED_DLLS)
    find_library(VX_IMPORT_LIBRARY_${name} NAMES ${name} REQUIRED)
    set(import ${VX_IMPORT_LIBRARY_${name}})
    set(def ${CMAKE_BINARY_DIR}/delayimp/${name}.def)
    if(NOT EXISTS ${def} OR ${import} IS_NEWER_THAN ${def}
       OR ${CMAKE_CURRENT_FUNCTION_LIST_FILE} IS_NEWER_THAN ${def})
      execute_process(COMMAND ${CMAKE_DLLTOOL} --identify ${import}
        OUTPUT_VARIABLE dll OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
      if(NOT rc EQUAL 0 OR dll STREQUAL "" OR dll MATCHES "\n")
        message(FATAL_ERROR "${import} does not name exactly one DLL")
      endif()
      execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${import} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
      if(NOT rc EQUAL 0)
        message(FATAL_ERROR "nm could not read ${import}")
      endif()
      # A function has its thunk (T name) beside its pointer (I __imp_name).
      string(REGEX MATCHALL "[0-9a-f]+ T [^\n]+" thunks "${symbols}")
      set(exports "")
      foreach(line IN LISTS thunks)
        string(REGEX REPLACE "^[0-9a-f]+ T " "" fn "${line}")
        string(APPEND exports "  ${fn}\n")
      endforeach()
      file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/delayimp)
      file(WRITE ${def} "LIBRARY ${dll}\nEXPORTS\n${exports}")
    endif()
    vx_delay_library_from_def(${name} ${def})
  endforeach()
endfunction()

# Third-party libraries as targets vx_dep_zlib, vx_dep_minizip, vx_dep_png,
# vx_dep_jpeg: Debian's -dev packages in the host build, the libraries ./dev
# builds from Debian's sources in the Windows build.
function(vx_import_deps)
  if(NOT VX_WINDOWS)
    find_package(ZLIB REQUIRED)
    find_package(PNG REQUIRED)
    find_package(JPEG REQUIRED)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET GLOBAL minizip)
    foreach(lib zlib minizip png jpeg)
      add_library(vx_dep_${lib} INTERFACE IMPORTED GLOBAL)
    endforeach()
    set_target_properties(vx_dep_zlib PROPERTIES INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)
    set_target_properties(vx_dep_minizip PROPERTIES INTERFACE_LINK_LIBRARIES PkgConfig::MINIZIP)
    set_target_properties(vx_dep_png PROPERTIES INTERFACE_LINK_LIBRARIES PNG::PNG)
    set_target_properties(vx_dep_jpeg PROPERTIES INTERFACE_LINK_LIBRARIES JPEG::JPEG)
    return()
  endif()
  if(NOT VX_DEPS_PREFIX)
    message(FATAL_ERROR "VX_DEPS_PREFIX is not set (./dev builds the Windows dependencies)")
  endif()
  foreach(lib zlib minizip png jpeg)
    if(NOT TARGET vx_dep_${lib})
      add_library(vx_dep_${lib} STATIC IMPORTED GLOBAL)
    endif()
  endforeach()
  set_target_properties(vx_dep_zlib PROPERTIES IMPORTED_LOCATION ${VX_DEPS_PREFIX}/lib/libz.a
    INTERFACE_INCLUDE_DIRECTORIES ${VX_DEPS_PREFIX}/include)
  set_target_properties(vx_dep_minizip PROPERTIES IMPORTED_LOCATION ${VX_DEPS_PREFIX}/lib/libminizip.a
    INTERFACE_INCLUDE_DIRECTORIES ${VX_DEPS_PREFIX}/include INTERFACE_LINK_LIBRARIES vx_dep_zlib)
  set_target_properties(vx_dep_png PROPERTIES IMPORTED_LOCATION ${VX_DEPS_PREFIX}/lib/libpng16.a
    INTERFACE_INCLUDE_DIRECTORIES ${VX_DEPS_PREFIX}/include INTERFACE_LINK_LIBRARIES vx_dep_zlib)
  set_target_properties(vx_dep_jpeg PROPERTIES IMPORTED_LOCATION ${VX_DEPS_PREFIX}/lib/libjpeg.a
    INTERFACE_INCLUDE_DIRECTORIES ${VX_DEPS_PREFIX}/include)
endfunction()

# The installer as shipped (./dev dist, build/release): optimised, unused
# code and data collected, no symbols, and nothing of the time or the folder
# of the build in the image, so that two builds of one commit in different
# folders are byte-identical. Archives are deterministic (no member times,
# owners or modes) so that nothing downstream sees the build's clock.
option(VX_RELEASE "Build the shipped form: optimised, stripped, reproducible" OFF)
if(VX_RELEASE)
  add_compile_options(-ffunction-sections -fdata-sections
    -ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
  add_link_options(-Wl,--gc-sections -Wl,--no-insert-timestamp -s)
  # Link-time optimisation of the C++ code, in one partition (one LTO unit,
  # no parallel jobs whose split could vary). The generated C sources are
  # data in top-level asm, which LTO cannot see: they stay plain objects.
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-flto> $<$<COMPILE_LANGUAGE:CXX>:-flto-partition=none>)
  add_link_options(-flto -flto-partition=none)
  # The collection on its own keeps every function that has unwind data:
  # the launcher links twice to drop the ones nothing calls.
  set(CMAKE_C_LINKER_LAUNCHER bash ${CMAKE_CURRENT_LIST_DIR}/unwind-gc-link.sh)
  set(CMAKE_CXX_LINKER_LAUNCHER bash ${CMAKE_CURRENT_LIST_DIR}/unwind-gc-link.sh)
  foreach(lang C CXX ASM)
    set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
  endforeach()
endif()

# SPDX-License-Identifier: GPL-3.0-or-later
# Dirlix Pro on Windows (mingw-w64), before the targets: where the programs find their DLLs, and the
# tests of a cross build run under wine (ctest puts a wrapper before each test program).

# The Qt prefix the programs are built against: its DLLs and plugins are what they load.
if(NOT DIRLIX_CORE_ONLY)
  get_filename_component(DIRLIX_WINDOWS_QT "${Qt6_DIR}/../../.." ABSOLUTE)
endif()

# The compiler's runtime DLLs (the posix-threads mingw-w64 runtime): Qt's DLLs need them anyway, so the
# programs use the same ones rather than a static copy of their own.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                OUTPUT_VARIABLE dirlix_libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libwinpthread-1.dll
                OUTPUT_VARIABLE dirlix_winpthread OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(dirlix_gcc_dlls "${dirlix_libstdcxx}" DIRECTORY)
get_filename_component(dirlix_pthread_dlls "${dirlix_winpthread}" DIRECTORY)
if(NOT EXISTS "${dirlix_pthread_dlls}/libwinpthread-1.dll")
  set(dirlix_pthread_dlls /usr/${CMAKE_CXX_COMPILER_TARGET}/lib)
  if(NOT EXISTS "${dirlix_pthread_dlls}/libwinpthread-1.dll")
    set(dirlix_pthread_dlls /usr/x86_64-w64-mingw32/lib)
  endif()
endif()
# Where a Windows program of this build finds the DLLs it needs.
set(DIRLIX_WINDOWS_DLL_DIRS ${dirlix_gcc_dlls} ${dirlix_pthread_dlls})
if(DIRLIX_WINDOWS_QT)
  list(PREPEND DIRLIX_WINDOWS_DLL_DIRS ${DIRLIX_WINDOWS_QT}/bin)
endif()

# Every program of the build carries the manifest that makes the narrow file functions take UTF-8 (the
# workbook library opens its files with fopen). Linked as an object through the platform library, which
# every program uses; see src/platform/CMakeLists.txt.
set(DIRLIX_MANIFEST ${PROJECT_SOURCE_DIR}/packaging/windows/dirlix.manifest)
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/dirlix-manifest.rc.in ${PROJECT_BINARY_DIR}/dirlix-manifest.rc @ONLY)
add_library(dirlix_manifest OBJECT ${PROJECT_BINARY_DIR}/dirlix-manifest.rc)
set_source_files_properties(${PROJECT_BINARY_DIR}/dirlix-manifest.rc PROPERTIES OBJECT_DEPENDS ${DIRLIX_MANIFEST})

# Tests of a cross build run under wine: every add_test whose command is a program of this build
# gets the wrapper put before it.
if(CMAKE_CROSSCOMPILING)
  set(DIRLIX_WINE_PREFIX "${PROJECT_BINARY_DIR}/wineprefix" CACHE PATH "The wine prefix tests run in")
  set(dirlix_winepath "")
  foreach(dir ${DIRLIX_WINDOWS_DLL_DIRS})
    string(REPLACE "/" "\\\\" windir "Z:${dir}")
    string(APPEND dirlix_winepath "${windir};")
  endforeach()
  set(DIRLIX_WINE_PLUGINS "Z:${DIRLIX_WINDOWS_QT}/plugins")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.in ${PROJECT_BINARY_DIR}/wine-run @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_BINARY_DIR}/wine-run)
endif()


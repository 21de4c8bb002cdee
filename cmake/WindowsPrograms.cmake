# SPDX-License-Identifier: GPL-3.0-or-later
# Dirlix Pro on Windows (mingw-w64), after the targets: the window program without a console, its icon,
# and the installer and portable zip (target windows-package, made by cmake/WindowsPackage.cmake).

# The window program starts without a console; Qt's entry point gives it its WinMain.
set_target_properties(dirlix-pro PROPERTIES WIN32_EXECUTABLE ON)

# The icon, made from the program's own PNGs, in the resource Windows shows for the file.
find_program(DIRLIX_CONVERT convert REQUIRED)
set(dirlix_icons ${PROJECT_SOURCE_DIR}/src/app/icons)
set(DIRLIX_ICO ${PROJECT_BINARY_DIR}/dirlix-pro.ico)
add_custom_command(OUTPUT ${DIRLIX_ICO}
  COMMAND ${DIRLIX_CONVERT} ${dirlix_icons}/dirlix-pro-16.png ${dirlix_icons}/dirlix-pro-32.png
          ${dirlix_icons}/dirlix-pro-48.png -depth 8 ${DIRLIX_ICO}
  DEPENDS ${dirlix_icons}/dirlix-pro-16.png ${dirlix_icons}/dirlix-pro-32.png ${dirlix_icons}/dirlix-pro-48.png
  COMMENT "Making dirlix-pro.ico")
add_custom_target(dirlix_ico DEPENDS ${DIRLIX_ICO})
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/dirlix-pro.rc.in ${PROJECT_BINARY_DIR}/dirlix-pro.rc @ONLY)
target_sources(dirlix-pro PRIVATE ${PROJECT_BINARY_DIR}/dirlix-pro.rc)
set_source_files_properties(${PROJECT_BINARY_DIR}/dirlix-pro.rc PROPERTIES OBJECT_DEPENDS ${DIRLIX_ICO})
add_dependencies(dirlix-pro dirlix_ico)

# The installer and the portable zip: the programs, their DLLs and Qt's plugins as Qt's deployment tool
# places them, the help pages in Help\, gathered in one folder that both are made from.
find_program(DIRLIX_MAKENSIS makensis)
find_program(DIRLIX_ZIP zip)
find_program(DIRLIX_OBJDUMP NAMES ${CMAKE_CXX_COMPILER_TARGET}-objdump x86_64-w64-mingw32-objdump objdump)
file(WRITE ${PROJECT_BINARY_DIR}/version.txt "${DIRLIX_VERSION_TEXT}")
add_custom_target(windows-package
  COMMAND ${CMAKE_COMMAND}
          -DSTAGE=${PROJECT_BINARY_DIR}/windows-stage
          -DPROGRAMS=$<TARGET_FILE:dirlix-pro>$<SEMICOLON>$<TARGET_FILE:dirlix-list>
          -DHELP=${PROJECT_BINARY_DIR}/src/app/Help
          -DICON=${DIRLIX_ICO}
          -DQT=${DIRLIX_WINDOWS_QT}
          "-DDLL_DIRS=${DIRLIX_WINDOWS_DLL_DIRS}"
          -DOBJDUMP=${DIRLIX_OBJDUMP}
          -DMAKENSIS=${DIRLIX_MAKENSIS} -DZIP=${DIRLIX_ZIP}
          -DNSI=${PROJECT_SOURCE_DIR}/packaging/windows/dirlix-pro.nsi
          -DVERSION=${DIRLIX_VERSION_TEXT} -DVERSION_DOTTED=${PROJECT_VERSION}
          -DOUT=${PROJECT_BINARY_DIR}
          -P ${PROJECT_SOURCE_DIR}/cmake/WindowsPackage.cmake
  DEPENDS dirlix-pro dirlix-list dirlix_ico
  VERBATIM)

# SPDX-License-Identifier: GPL-3.0-or-later
# Dirlix Pro: the Debian package, made by CPack from the install rules (scripts/package runs it).

set(DIRLIX_PACKAGE_MAINTAINER "Quillborne <dirlix-pro@quillborne.invalid>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dirlix-pro)
set(CPACK_PACKAGE_VENDOR Quillborne)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "A program for producing usable lists of files on your computer")
# The long description, one line of the control file per line here.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Dirlix Pro lists every file below a folder: its name, size, attribute letters,"
  "created and modified times in a date pattern of your choice, and the folder"
  "that holds it. The list can be written to a text file, each line made from a"
  "template of your own, or to a spreadsheet workbook."
  ""
  "The package holds the desktop program dirlix-pro and the command-line"
  "companion dirlix-list, which makes the same lists from a terminal or a script.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DIRLIX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The run-time packages (Qt 6, libxlsxwriter, the C and C++ libraries) are worked out by
# dpkg-shlibdeps from the libraries the two programs link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# xdg-open hands help pages, the text output and workbooks to the desktop's programs; the hicolor
# theme holds the index under which the icon is found.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hicolor-icon-theme, xdg-utils")
if(DIRLIX_WEBSITE)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${DIRLIX_WEBSITE}")
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)

; SPDX-License-Identifier: GPL-3.0-or-later
; Dirlix Pro: the Windows installer. Installs for the current user without administrator rights, or for
; all users when run elevated (or with /AllUsers); a Start menu entry; an uninstaller that removes
; exactly the files it installed. Made by cmake/WindowsPackage.cmake, which defines VERSION,
; VERSION_DOTTED, STAGE (the gathered files), OUTFILE, INSTALL_FILES and UNINSTALL_FILES.
; A 64-bit installer for the 64-bit programs (it also runs where only 64-bit wine is installed).
Target amd64-unicode
SetCompressor /SOLID lzma

!define PRODUCT "Dirlix Pro"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\DirlixPro"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_MUI
!include MultiUser.nsh
!include MUI2.nsh

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION_DOTTED}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "Quillborne"
VIAddVersionKey "FileDescription" "${PRODUCT} installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "GPL-3.0-or-later"

!define MUI_ICON "${STAGE}/dirlix-pro.ico"
!define MUI_UNICON "${STAGE}/dirlix-pro.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\dirlix-pro.exe"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

; A program of an earlier install that still runs cannot be replaced: Windows keeps its file open.
; Asks the user to close it; a silent install gives up with exit status 2 rather than leave the old
; program in place and report success.
!macro WAIT_UNTIL_CLOSED FILE
  IfFileExists "$INSTDIR\${FILE}" 0 +8
  ClearErrors
  FileOpen $0 "$INSTDIR\${FILE}" a
  IfErrors 0 +4
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} is running ($INSTDIR\${FILE}). Close it, then choose Retry." /SD IDCANCEL IDRETRY -3
  SetErrorLevel 2
  Quit
  FileClose $0
!macroend

Section "Dirlix Pro"
  !insertmacro WAIT_UNTIL_CLOSED "dirlix-pro.exe"
  !insertmacro WAIT_UNTIL_CLOSED "dirlix-list.exe"
  ClearErrors
  !include "${INSTALL_FILES}"
  ; A file that could not be written (and was skipped in a silent install) is a failed install.
  IfErrors 0 +3
  SetErrorLevel 2
  DetailPrint "Some files could not be written; the install is incomplete."
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\dirlix-pro.exe" "" "$INSTDIR\dirlix-pro.ico" 0
  ; Settings' Apps list: the uninstaller runs in the same mode (all users or this user) as the install.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "Quillborne"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\dirlix-pro.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  !include "${UNINSTALL_FILES}"
  Delete "$INSTDIR\Uninstall.exe"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ; Only once empty: files the user put there stay, and so does the folder holding them.
  RMDir "$INSTDIR"
SectionEnd

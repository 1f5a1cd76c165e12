; SPDX-License-Identifier: GPL-3.0-or-later
; The Windows installer: Quillon.exe into Program Files, a Start-menu entry, an uninstaller and
; an entry in Windows' list of installed programs. In Simplified Chinese, as the program is.
;   makensis -DEXE=Quillon.exe -DOUT=Quillon-1.0.0.0-setup.exe -DVERSION=1.0.0.0 -DVERSION_TEXT=1.00
;            -DLICENSE=LICENSE -DNOTICES=THIRD-PARTY-NOTICES.txt quillon.nsi
; It shows the licence before installing, and installs it with the notices of the libraries inside
; the program.
; A 32-bit installer for a 32-bit program: it runs on every Windows the program runs on, and
; installs into Program Files (x86) on a 64-bit one.
Target x86-unicode
!include "MUI2.nsh"

Name "Quillon"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES\Quillon"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; The files keep no time of their own inside the installer, which thus comes out the same whenever
; it is made.
SetDateSave off
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "Quillon"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION_TEXT}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION_TEXT}"
VIAddVersionKey /LANG=2052 "FileDescription" "Quillon 安装程序"
VIAddVersionKey /LANG=2052 "LegalCopyright" "Quillon developers, GPL-3.0-or-later"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon"
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Section
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=Quillon.exe" "${EXE}"
  File "/oname=LICENSE.txt" "${LICENSE}"
  File "/oname=THIRD-PARTY-NOTICES.txt" "${NOTICES}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Quillon.lnk" "$INSTDIR\Quillon.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Quillon"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION_TEXT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quillon.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Quillon.lnk"
  Delete "$INSTDIR\Quillon.exe"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\THIRD-PARTY-NOTICES.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; The Windows installer: Quillon.exe into Program Files, a Start-menu entry, an uninstaller and
; an entry in Windows' list of installed programs. In Simplified Chinese, as the program is.
;   makensis -DEXE=path/to/Quillon.exe -DOUT=path/to/Quillon-1.0.0.0-setup.exe quillon.nsi
Target amd64-unicode
!include "MUI2.nsh"

Name "Quillon"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES64\Quillon"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
VIProductVersion "1.0.0.0"
VIAddVersionKey /LANG=2052 "ProductName" "Quillon"
VIAddVersionKey /LANG=2052 "FileVersion" "1.00"
VIAddVersionKey /LANG=2052 "ProductVersion" "1.00"
VIAddVersionKey /LANG=2052 "FileDescription" "Quillon 安装程序"
VIAddVersionKey /LANG=2052 "LegalCopyright" "Quillon developers"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Section
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=Quillon.exe" "${EXE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Quillon.lnk" "$INSTDIR\Quillon.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Quillon"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "1.00"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quillon.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Quillon.lnk"
  Delete "$INSTDIR\Quillon.exe"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows program as the standard tools read it: one 32-bit GUI program file, made for Windows
# 6.1, that needs nothing Windows 7 SP1 lacks, with the version resource and the six-image icon;
# and its installer, with the same version, run silently under Wine (WINEPREFIX), puts it, its
# Start-menu entry and its entry in the list of programs in place and takes them away again.
#   tests/check_windows_program.sh path/to/Quillon.exe path/to/Quillon-<version>-setup.exe 1.00
set -uo pipefail
exe=$1 setup=$2 text=${3//./\\.} cc=i686-w64-mingw32-gcc-posix
failures=0
check() { grep -qE -- "$2" <<<"$3" || { echo "FAIL: $1: $(head -c 300 <<<"$3")"; failures=$((failures + 1)); }; }

# Windows 7 SP1's own DLLs. Its functions are those mingw-w64's headers (written from Microsoft's)
# declare for it, but for these, declared for every version though Windows 8 brought them.
windows7='advapi32|authz|bcrypt|comctl32|comdlg32|crypt32|d3d9|d3d11|dwmapi|dwrite|dxgi|gdi32|imm32|iphlpapi|kernel32|msvcrt|netapi32|normaliz|ole32|oleaut32|secur32|setupapi|shell32|shlwapi|user32|userenv|uxtheme|version|winhttp|winmm|winspool\.drv|ws2_32|wtsapi32'
windows8='WaitOnAddress|WakeByAddressSingle|WakeByAddressAll|CreateDXGIFactory2|GetSystemTimePreciseAsFileTime|SetCoalescableTimer'
headers='windows.h winsock2.h ws2tcpip.h winhttp.h bcrypt.h commctrl.h commdlg.h dwmapi.h uxtheme.h shlobj.h shlwapi.h userenv.h wtsapi32.h iphlpapi.h lm.h setupapi.h security.h ntsecapi.h aclapi.h dwrite.h d3d11.h d3d9.h imm.h'
# What a program file imports that Windows 7 SP1 lacks, one a line: each DLL outside its set, then
# each function it does not have; nothing when it has all. The C runtime's are not Windows'.
too_new() {
  local imports names
  imports=$(x86_64-w64-mingw32-objdump -p "$1")
  sed -n 's/.*DLL Name: //p' <<<"$imports" | tr 'A-Z' 'a-z' | grep -vxE "($windows7)\.dll"
  names=$(awk '/DLL Name:/ { dll = tolower($3) } NF == 3 && $2 ~ /^[0-9]+$/ && dll != "msvcrt.dll" { print $3 }' <<<"$imports" | sort -u)
  grep -xE "$windows8" <<<"$names"
  { echo '#define SECURITY_WIN32'; printf '#include <%s>\n' $headers; echo 'void* imported[] = {'
    printf '(void*)&%s,\n' $names; echo '};'; } |
    LC_ALL=C "$cc" -D_WIN32_WINNT=0x0601 -DWINVER=0x0601 -fsyntax-only -x c++ - 2>&1 |
    sed -n "s/.*error: '\([A-Za-z0-9_]*\)' was not declared.*/\1/p"
}
check "32-bit GUI program" "PE32 executable \(GUI\) Intel 80386" "$(file -b "$exe")"
check "made for Windows 6.1" "^6 1 6 1 $" "$(x86_64-w64-mingw32-objdump -p "$exe" | sed -nE 's/^M..or(OSystem|Subsystem)Version\s+//p' | tr '\n' ' ')"
check "nothing Windows 7 SP1 lacks" "^$" "$(too_new "$exe")"
# A stand-in for the Qt 6 program, with three of what kept that from starting on Windows 7.
qt6=$(dirname "$exe")/qt6-stand-in.exe
printf '%s\n' '#include <windows.h>' '#include <shellscalingapi.h>' 'int main(void) { UINT x, y;' \
  'GetDpiForMonitor(0, MDT_EFFECTIVE_DPI, &x, &y); WaitOnAddress(0, 0, 0, 0);' \
  'return (int)GetDpiForWindow(0); }' |
  "$cc" -D_WIN32_WINNT=0x0A00 -x c - -o "$qt6" -lshcore -lsynchronization
check "what the Qt 6 program needed, named" "^shcore\.dll api-ms-win-core-synch-l1-2-0\.dll WaitOnAddress GetDpiForMonitor GetDpiForWindow $" "$(too_new "$qt6" | tr '\n' ' ')"
resource() { wrestool -x --raw --type=16 "$1" | strings -el | tr '\n' ' '; }
check "version resource" "080404B0 .*FileVersion $text .*InternalName Quillon .*OriginalFilename Quillon\.exe .*ProductName Quillon .*ProductVersion $text" "$(resource "$exe")"
check "icon of six images" "^6$" "$(wrestool -l --type=3 "$exe" | wc -l)"
check "installer's version" "FileVersion $text .*ProductVersion $text" "$(resource "$setup")"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quillon.lnk"
programs='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon'
wine "$setup" /S '/D=C:\Quillon'  # a folder without blanks: NSIS takes /D= and _?= unquoted
check "installed" "^LICENSE\.txt Quillon\.exe THIRD-PARTY-NOTICES\.txt Uninstall\.exe $" "$(ls "$WINEPREFIX/drive_c/Quillon" | tr '\n' ' ')"
check "Start-menu entry" "Quillon\.lnk" "$(ls "$menu")"
check "its version in the list of programs" "DisplayVersion +REG_SZ +$text" "$(wine reg query "$programs" /v DisplayVersion)"
cmp -s "$exe" "$WINEPREFIX/drive_c/Quillon/Quillon.exe" || check "the installed program" "^$" "differs"
wine 'C:\Quillon\Uninstall.exe' /S '_?=C:\Quillon'  # waits; leaves only the uninstaller itself
check "uninstalled" "^Uninstall\.exe $" "$(ls "$WINEPREFIX/drive_c/Quillon" | tr '\n' ' ')$(ls "$menu" 2>/dev/null)"
rm -rf "$WINEPREFIX/drive_c/Quillon"
echo "$failures failures"
exit "$failures"

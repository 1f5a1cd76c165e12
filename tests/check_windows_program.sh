#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows program as the standard tools read it: one x86-64 GUI program file whose imports are
# DLLs every Windows 10 has, with the version resource and the six-image icon; and its installer,
# run silently under Wine (WINEPREFIX), puts it and its Start-menu entry in place and takes them
# away again.
#   tests/check_windows_program.sh path/to/Quillon.exe path/to/Quillon-<version>-setup.exe 1.00
set -uo pipefail
exe=$1 setup=$2 text=${3//./\\.}
failures=0
check() { grep -qE -- "$2" <<<"$3" || { echo "FAIL: $1: $(head -c 300 <<<"$3")"; failures=$((failures + 1)); }; }

check "GUI program for x86-64" "PE32\+ executable \(GUI\) x86-64" "$(file -b "$exe")"
system='advapi32|bcrypt|comctl32|comdlg32|crypt32|d3d11|d3d12|d3d9|dwmapi|dwrite|dxgi|gdi32|imm32|kernel32|msvcrt|netapi32|ole32|oleaut32|secur32|setupapi|shcore|shell32|shlwapi|user32|userenv|uxtheme|version|winmm|winspool\.drv|ws2_32|wtsapi32|iphlpapi|normaliz|authz|winhttp|api-ms-win-[a-z0-9-]+'
# The DLLs a program imports that are not Windows' own, one a line; nothing when all are.
foreign() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | grep -vxE "($system)(\.dll)?"; }
check "imports only Windows' own DLLs" "^$" "$(foreign "$exe")"
version=$(wrestool -x --raw --type=16 "$exe" | strings -el | tr '\n' ' ')
check "version resource" "080404B0 .*FileVersion $text .*InternalName Quillon .*OriginalFilename Quillon\.exe .*ProductName Quillon .*ProductVersion $text" "$version"
check "icon of six images" "^6$" "$(wrestool -l --type=3 "$exe" | wc -l)"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quillon.lnk"
wine "$setup" /S '/D=C:\Quillon'  # a folder without blanks: NSIS takes /D= and _?= unquoted
check "installed" "^LICENSE\.txt Quillon\.exe THIRD-PARTY-NOTICES\.txt Uninstall\.exe $" "$(ls "$WINEPREFIX/drive_c/Quillon" | tr '\n' ' ')"
check "Start-menu entry" "Quillon\.lnk" "$(ls "$menu")"
cmp -s "$exe" "$WINEPREFIX/drive_c/Quillon/Quillon.exe" || check "the installed program" "^$" "differs"
wine 'C:\Quillon\Uninstall.exe' /S '_?=C:\Quillon'  # waits; leaves only the uninstaller itself
check "uninstalled" "^Uninstall\.exe $" "$(ls "$WINEPREFIX/drive_c/Quillon" | tr '\n' ' ')$(ls "$menu" 2>/dev/null)"
rm -rf "$WINEPREFIX/drive_c/Quillon"
echo "$failures failures"
exit "$failures"

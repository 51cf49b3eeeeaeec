#!/usr/bin/env bash
# Fails when a Windows program imports a DLL that is not part of Windows itself, so that the operator
# never has to install a runtime. Usage: tools/check-imports.sh program.exe
set -eu
exe=$1
# DLLs that every supported Windows has in System32.
system_dlls="kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll shell32.dll shlwapi.dll
 ws2_32.dll wsock32.dll advapi32.dll ole32.dll oleaut32.dll msvcrt.dll uxtheme.dll version.dll
 psapi.dll ntdll.dll imm32.dll winmm.dll iphlpapi.dll bcrypt.dll winhttp.dll"

dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
[ -n "$dlls" ] || { echo "check-imports: no import table in $exe" >&2; exit 1; }
bad=0
for d in $dlls; do
    if printf '%s\n' $system_dlls | grep -qxF "$d"; then
        echo "  import: $d"
    else
        echo "  import: $d   <- not a system DLL" >&2
        bad=1
    fi
done
if [ "$bad" -ne 0 ]; then
    echo "check-imports: $exe needs DLLs that Windows does not ship" >&2
    exit 1
fi
echo "check-imports: $(basename "$exe") imports only system DLLs"

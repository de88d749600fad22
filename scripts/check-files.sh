#!/usr/bin/env bash
# Checks the built Windows files of one flavour without running them, with MinGW's objdump and
# windres: the program and KeyloftSend.exe are GUI programs of the flavour's format that import
# only Windows' own DLLs (KeyloftSend.exe at most 64 KiB), the hook libraries export their entry
# points under plain names, the project's kbhook.dll imports only system DLLs and stays within 40 KiB,
# the stripped program stays under 320 KiB, and the program file holds its three icons and its
# version record. Usage: check-files.sh BUILD_DIR FLAVOUR
set -uo pipefail
bin="$1/bin"
flavour="$2"
objdump="$flavour-w64-mingw32-objdump"
windres="$flavour-w64-mingw32-windres"
if [ "$flavour" = i686 ]; then format=pei-i386; else format=pei-x86-64; fi
# What a program of the static runtime may import: the system's own libraries (ole32: the
# checker writes its shortcut with COM).
system_dlls='^(kernel32|user32|shell32|advapi32|gdi32|ole32|msvcrt|version)\.dll$'
failures=0

fail() {
    echo "check $flavour: $*" >&2
    failures=$((failures + 1))
}

# A program: its file format, its subsystem and its imports.
check_program() { # file subsystem-text
    local file="$bin/$1" headers dll
    [ -f "$file" ] || { fail "$1 is missing"; return; }
    headers="$("$objdump" -p "$file")"
    grep -q "file format $format" <<<"$headers" || fail "$1 is not of format $format"
    grep -qE "^Subsystem[[:space:]]+[0-9a-f]+[[:space:]]+\($2\)" <<<"$headers" ||
        fail "$1 is not a $2 program"
    while read -r dll; do
        grep -qiE "$system_dlls" <<<"$dll" || fail "$1 imports $dll"
    done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
}

# A hook library: its format and the names it exports (plain ones: no stdcall decoration).
check_hook_library() { # file export...
    local file="$bin/$1" headers names name
    shift
    [ -f "$file" ] || { fail "${file##*/} is missing"; return; }
    headers="$("$objdump" -p "$file")"
    grep -q "file format $format" <<<"$headers" || fail "${file##*/} is not of format $format"
    names="$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' \
        <<<"$headers")"
    for name in "$@"; do
        grep -qx "$name" <<<"$names" || fail "${file##*/} does not export $name"
    done
    grep -q '@' <<<"$names" && fail "${file##*/} exports decorated names: $(tr '\n' ' ' <<<"$names")"
}

check_program Keyloft.exe "Windows GUI"
check_program KeyloftCheck.exe "Windows CUI"
# It starts once per key press: plain Win32, no C++ library, at most 64 KiB.
check_program KeyloftSend.exe "Windows GUI"
send_size="$(stat -c %s "$bin/KeyloftSend.exe" 2>/dev/null || echo 0)"
[ "$send_size" -le 65536 ] || fail "KeyloftSend.exe weighs $send_size bytes, more than 64 KiB"
check_hook_library kbhook.dll HookKeyboard SystemSleepKeyProc
# It lives in the path of every key and mouse button: plain Win32, no C++ library, at most 40 KiB.
check_program kbhook.dll "Windows (GUI|CUI)"
hook_size="$(stat -c %s "$bin/kbhook.dll" 2>/dev/null || echo 0)"
[ "$hook_size" -le 40960 ] || fail "kbhook.dll weighs $hook_size bytes, more than 40 KiB"
check_hook_library TestHook.dll HookKeyboard SystemSleepKeyProc
check_hook_library TestHookNoSleep.dll HookKeyboard

# The program file's resources: the three icons by name and the version record.
resources="$("$windres" -i "$bin/Keyloft.exe" -O rc 2>/dev/null)"
for icon in MAINICON ZOPPOSITE ZGRAY; do
    grep -q "^\"$icon\" 14 " <<<"$resources" || fail "Keyloft.exe lacks the icon $icon"
done
grep -q 'VERSIONINFO' <<<"$resources" || fail "Keyloft.exe lacks its version record"

# The program as it ships, stripped in the release folder: at most 320 KiB.
program_size="$(stat -c %s "$1/release/Keyloft.exe" 2>/dev/null || echo 0)"
[ "$program_size" -gt 0 ] || fail "the release lacks Keyloft.exe"
[ "$program_size" -le 327680 ] || fail "Keyloft.exe weighs $program_size bytes stripped, more than 320 KiB"

if [ "$failures" -gt 0 ]; then
    echo "check $flavour: $failures problem(s) in $bin" >&2
    exit 1
fi
echo "check $flavour: the program files are sound ($bin)"

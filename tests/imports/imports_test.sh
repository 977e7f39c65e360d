#!/usr/bin/env bash
# The shipped binaries import only the system's KnownDLLs, which the loader
# takes from the system folder whatever its search order, so that no library
# planted beside the program runs with its rights; Purvane.exe imports
# comctl32.dll too, which its manifest binds to the system's side-by-side
# version 6. The import directory's names are compared without regard to
# case; the delay-load directory must be empty.
#   imports_test.sh OBJDUMP PURVANE_EXE QZ_SSCAN_DLL
set -uo pipefail
objdump=$1 program=$2 engine=$3

# KnownDLLs on every Windows from 7 to 11; ntdll.dll is always the system's.
known="kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll comdlg32.dll imm32.dll
msvcrt.dll psapi.dll rpcrt4.dll sechost.dll setupapi.dll shlwapi.dll ws2_32.dll wldap32.dll normaliz.dll nsi.dll
imagehlp.dll msctf.dll ntdll.dll"

failures=0

# The libraries file imports, lower case, one a line: the import tables' and
# the delay import tables' "DLL Name" lines.
imported() { "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: *//p' | tr -d '\r' | tr 'A-Z' 'a-z' | sort -u; }

# The delay import directory's size in the PE header's data directories.
delay_directory_size() { "$objdump" -p "$1" | awk '/Delay Import Directory/ { print $3; exit }'; }

# check FILE EXTRA...: every library FILE imports is known or among EXTRA.
check() {
  local file=$1 name libs lib
  shift
  name=$(basename "$file")
  [ -f "$file" ] || { echo "FAIL: $name: missing"; failures=$((failures + 1)); return; }
  libs=$(imported "$file")
  [ -n "$libs" ] || { echo "FAIL: $name: no import table read"; failures=$((failures + 1)); return; }
  for lib in $libs; do
    if grep -qixF -- "$lib" <<<"$(tr ' ' '\n' <<<"$known $*")"; then
      echo "ok: $name imports $lib"
    else
      echo "FAIL: $name imports $lib, which is not a KnownDLL"; failures=$((failures + 1))
    fi
  done
  # The program delay-loads nothing: a delay import directory in the
  # header, whatever it names, is a library that slipped in.
  local size
  size=$(delay_directory_size "$file")
  if [ -z "$size" ]; then
    echo "FAIL: $name: the data directories could not be read"; failures=$((failures + 1))
  elif [ "$((16#$size))" -ne 0 ]; then
    echo "FAIL: $name has a delay import directory"; failures=$((failures + 1))
  else
    echo "ok: $name has no delay import directory"
  fi
}

check "$program" comctl32.dll
check "$engine"

[ "$failures" -eq 0 ] && echo "PASS" || { echo "$failures failure(s)"; exit 1; }

#!/bin/sh
# Compares the tables of a DLL, as objdump -p reads them, with what it must show: it exports exactly the
# functions of LIST by name, and imports from exactly the DLLs named (the GCC runtime is inside it).
# usage: check_dll.sh OBJDUMP DLL LIST IMPORTED_DLL...
set -eu
objdump=$1
dll=$2
list=$3
shift 3
tables=$("$objdump" -p "$dll")
status=0
# same WHAT ACTUAL EXPECTED: says how the two sorted lists differ.
same() {
  [ "$2" = "$3" ] && return 0
  echo "$(basename "$dll"): $1 (-actual +expected):"
  actual=$(mktemp)
  printf '%s\n' "$2" >"$actual"
  printf '%s\n' "$3" | diff -u "$actual" - || true
  rm -f "$actual"
  status=1
}
same "exported functions" \
  "$(echo "$tables" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' | sort)" \
  "$(grep -v '^#' "$list" | sort)"
same "imported DLLs" "$(echo "$tables" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort)" \
  "$(printf '%s\n' "$@" | tr 'A-Z' 'a-z' | sort)"
[ "$status" -eq 0 ] && echo "$(basename "$dll"): exports the $(grep -vc '^#' "$list") functions of $list; imports from $*"
exit "$status"

#!/bin/sh
# Compares the functions that libcustor.so makes visible with the list of exported functions: the
# export table must show exactly these and nothing else (toolchain symbols such as _init aside).
# usage: check_exports.sh LIBRARY LIST
set -eu
library=$1
list=$2
actual=$(nm -D --defined-only "$library" | awk '{print $3}' | grep -v -E '^(_init|_fini|_edata|_end|__bss_start)$' | sort)
expected=$(grep -v "^#" "$list" | sort)
if [ "$actual" != "$expected" ]; then
  echo "exported symbols differ from $list:"
  diff -u "$list" - <<EOT || true
$actual
EOT
  exit 1
fi
echo "$(echo "$expected" | wc -l) exported functions, as listed"

#!/bin/sh
# Compares the functions that custor.h declares with the list of exported functions, in order.
# usage: check_header.sh HEADER LIST
set -eu
header=$1
list=$2
# A declaration begins at the start of a line with its return type: "char *createUser(".
declared=$(sed -n 's/^[A-Za-z_][A-Za-z0-9_]* *\**\([A-Za-z_][A-Za-z0-9_]*\)(.*/\1/p' "$header")
listed=$(grep -v '^#' "$list")
if [ "$declared" != "$listed" ]; then
  echo "$header declares other functions than $list:"
  diff -u "$list" - <<EOT || true
$declared
EOT
  exit 1
fi
echo "$(echo "$listed" | wc -l) functions declared, as listed"

#!/bin/sh
# End to end on Windows: custor.exe under wine (in the prefix WINE_PREFIX; without one, CUSTOR runs as it
# is) against a Linux corvaned of its own on a free loopback port. It creates, reads, modifies and deletes
# an ACL, a group and a user, and adds an entry to the ACL; every step must succeed and every read show
# what was stored. Then the commands that corvaned logged, session keys aside, must be exactly those of
# EXPECTED, the commands that the Linux build sends for the same steps.
# usage: cli_e2e.sh CORVANED EXPECTED CUSTOR [WINE_PREFIX]
set -eu
corvaned=$1
expected=$2
program=$3
prefix=${4:-}
wine_run=$(cd "$(dirname "$0")/../.." && pwd)/scripts/wine-run
work=$(mktemp -d /tmp/custor-windows-e2e-XXXXXX)
server_pid=""
stop() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap stop EXIT INT TERM

"$corvaned" --listen 127.0.0.1:0 --data "$work/data" --auto-create --ready-file "$work/port" \
  --request-log "$work/requests.log" >"$work/corvaned.out" 2>&1 &
server_pid=$!
tries=0
until [ -s "$work/port" ]; do
  tries=$((tries + 1))
  [ "$tries" -le 600 ] || { echo "corvaned did not start" >&2; exit 1; }
  sleep 0.05
done
export CUSTOR_PORT="$(cat "$work/port")" CUSTOR_DB=e2e CUSTOR_KEY_FILE="$work/data/corvaned.key"
# UTF-8 content from a file: the bytes travel unchanged, whatever the system's code page.
printf '<name>J\303\266rg</name>' >"$work/content.xml"

failures=0
# custor TEXT ARGS...: runs the command, which must succeed and, unless TEXT is empty, print TEXT.
custor() {
  want=$1
  shift
  status=0
  if [ -n "$prefix" ]; then
    "$wine_run" "$prefix" "$program" "$@" >"$work/out" 2>&1 || status=$?
  else
    "$program" "$@" >"$work/out" 2>&1 || status=$?
  fi
  if [ "$status" -ne 0 ] || { [ -n "$want" ] && ! tr -d '\r' <"$work/out" | grep -qF -- "$want"; }; then
    echo "!! custor $* (exit $status, expected 0 and \"$want\"):"
    cat "$work/out"
    failures=$((failures + 1))
  fi
}

custor "" acl create readers --ace read=/docs --ace write=/wiki
custor "" group create staff --acl readers
custor "" user create alice --content-file "$work/content.xml" --group staff
custor "$(printf 'J\303\266rg')" user show alice
custor "alice" group show staff
custor "/wiki" acl show readers
custor "" acl add-ace readers --ace read=/blog
custor "/blog" acl show readers --no-session
custor "" user modify alice --to alicia --content '<name>Alicia</name>' --group staff
custor "Alicia" user show alicia --no-session
custor "" group modify staff --to crew --user alicia --acl readers
custor "readers" group show crew --no-session
custor "" acl modify readers --to authors --ace write=/docs --group crew
custor "authors" group show crew
custor "" user delete alicia
custor "" acl delete authors
custor "" group delete crew
custor "[]" --json users

# The commands as logged, with the random session keys as K.
sed -E 's/_sessionkey=[0-9a-f]{16}/_sessionkey=K/g; s/"kiv:sessionkey=\\"[0-9a-f]{16}/"kiv:sessionkey=\\"K/g' \
  "$work/requests.log" >"$work/commands"
if ! diff -u "$expected" "$work/commands"; then
  echo "!! the commands sent differ from $expected"
  failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] || exit 1
echo "custor: $(wc -l <"$work/commands") commands, as expected"

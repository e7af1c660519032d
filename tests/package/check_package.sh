#!/bin/sh
# Installs build tree BUILD into a temporary prefix and builds the consumer of CONSUMER_DIR against it
# twice, with find_package(custor) and with pkg-config (custor, custor-agent): each build must link
# libcustor.so with the agent services and print BANNER. CFLAGS go to both builds (the sanitizers of
# a sanitized library).
# usage: check_package.sh BUILD CONSUMER_DIR CC BANNER [CFLAGS]
set -eu
build=$1 consumer=$2 cc=$3 banner=$4 cflags=${5:-}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix

cmake --install "$build" --prefix "$prefix" >"$tmp/install.log"

cmake -S "$consumer" -B "$tmp/by-cmake" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_C_COMPILER="$cc" \
      -DCMAKE_C_FLAGS="$cflags" >"$tmp/configure.log"
cmake --build "$tmp/by-cmake" >"$tmp/build.log"
printed=$("$tmp/by-cmake/consumer")
[ "$printed" = "$banner" ] || { echo "find_package consumer printed '$printed', not '$banner'"; exit 1; }

pcdir=$(dirname "$(find "$prefix" -name custor.pc)")
export PKG_CONFIG_PATH="$pcdir"
for pc in custor custor-agent; do
  case "$(pkg-config --cflags --libs "$pc")" in
    *"-I$prefix/"*"-L$prefix/"*) ;;
    *) echo "$pc.pc does not point into the installation: $(pkg-config --cflags --libs "$pc")"; exit 1 ;;
  esac
done
flags=$(pkg-config --cflags --libs custor custor-agent)
# shellcheck disable=SC2086  # the flags are words
"$cc" $cflags "$consumer/consumer.c" -o "$tmp/by-pkg-config" $flags
printed=$(LD_LIBRARY_PATH=$(pkg-config --variable=libdir custor) "$tmp/by-pkg-config")
[ "$printed" = "$banner" ] || { echo "pkg-config consumer printed '$printed', not '$banner'"; exit 1; }
echo "installed package: find_package and pkg-config consumers print '$banner'"

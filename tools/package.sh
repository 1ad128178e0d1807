#!/usr/bin/env bash
# Builds the Release tree (when needed), installs it into a scratch folder to
# check that every file lands, and makes the Debian package with CPack.
# Usage: tools/package.sh [BUILD_DIR]    (the .deb is left in BUILD_DIR)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
[ -f "$build/CMakeCache.txt" ] || BUILD_TYPE=Release "$root/tools/setup.sh" "$build" -DTARVEX_BENCH=OFF
cmake --build "$build" -j "$(nproc)" --target tarvex lumeno

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cmake --install "$build" --prefix "$stage/usr" >/dev/null
for f in bin/tarvex bin/lumeno share/man/man1/tarvex.1 share/applications/lumeno.desktop \
         share/icons/hicolor/scalable/apps/lumeno.svg share/tarvex/examples/diffeq share/doc/tarvex/help/help.html; do
  [ -e "$stage/usr/$f" ] || { echo "package: $f was not installed"; exit 1; }
done
(cd "$stage" && "$stage/usr/bin/tarvex" "$stage/usr/share/tarvex/examples/diffeq" -n 0 -1 >analysis.log 2>&1) \
  || { cat "$stage/analysis.log"; echo "package: the installed tarvex failed"; exit 1; }

(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/tarvex_*.deb | head -1)
dpkg-deb -f "$deb" Depends | grep -q yosys || { echo "package: $deb does not depend on yosys"; exit 1; }
echo "package: $deb"
dpkg-deb -f "$deb" Package Version Architecture Depends

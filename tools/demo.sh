#!/usr/bin/env bash
# Builds the project and runs tarvex on a bundled example.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh" "$root/build"
out="$root/build/demo"
mkdir -p "$out"
cp "$root/examples/ex" "$out/"
cd "$out"
"$root/build/engine/tarvex" ex -n 0 -1
echo
echo "Reports are in $out"

#!/usr/bin/env bash
# Builds the project and runs a testability analysis of the benchmark circuit
# diffeq; the result files are written to build/demo/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh" "$root/build"
out="$root/build/demo"
mkdir -p "$out"
cp "$root/examples/diffeq" "$out/"
cd "$out"
"$root/build/engine/tarvex" diffeq -n 0 -1
echo
echo "Reports are in $out:"
for ext in txt tex html par eva pro dot; do echo "  diffeq.$ext"; done

#!/usr/bin/env bash
# Builds the project and runs tarvex on a bundled example.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh" "$root/build"

# With a display (DISPLAY or WAYLAND_DISPLAY set) the demo is the lumeno front
# end, working on a copy of the benchmark diffeq in build/lumeno-demo.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$root/build/frontend/lumeno" ]; then
  work="$root/build/lumeno-demo"
  mkdir -p "$work"
  [ -f "$work/diffeq" ] || cp "$root/examples/diffeq" "$work/"
  cd "$work"
  echo "Starting lumeno in $work"
  exec "$root/build/frontend/lumeno"
fi

out="$root/build/demo"
mkdir -p "$out"
cp "$root/examples/ex" "$out/"
cd "$out"
"$root/build/engine/tarvex" ex -n 0 -1
echo
echo "Reports are in $out"

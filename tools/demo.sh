#!/usr/bin/env bash
# Builds the project. With a display (DISPLAY or WAYLAND_DISPLAY set) it starts
# the lumeno front end on the diffeq benchmark; without one it runs tarvex on
# a bundled example.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh" "$root/build"
out="$root/build/demo"
mkdir -p "$out"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$root/build/frontend/lumeno" ]; then
  # lumeno works in the current folder when it holds the diffeq description.
  [ -f "$out/diffeq" ] || cp "$root/examples/diffeq" "$out/"
  cd "$out"
  echo "Starting lumeno in $out"
  exec "$root/build/frontend/lumeno"
fi

cp "$root/examples/ex" "$out/"
cd "$out"
"$root/build/engine/tarvex" ex -n 0 -1
echo
echo "Reports are in $out"

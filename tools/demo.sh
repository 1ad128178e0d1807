#!/usr/bin/env bash
# Builds the project. With a display it starts the lumeno front end on the
# benchmark diffeq; without one it analyses the bundled examples, then lets
# the layout solver design the scan chains of diffeq with the front end's
# default settings and shows the layout it found.
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
rm -rf "$out"
mkdir -p "$out"
cp "$root/examples/ex" "$root/examples/diffeq" "$out/"
cd "$out"
tarvex="$root/build/engine/tarvex"

echo "=== Testability analysis of the worked example 'ex'"
"$tarvex" ex -n 0 -1
echo
echo "=== Testability analysis of the benchmark 'diffeq'"
"$tarvex" diffeq -n 0 -1
echo
echo "=== Scan layout design for 'diffeq': ordered scan, at most 7 % area and 13 % pins,"
echo "    population 20, no elitism, stop after 500 generations without improvement"
"$tarvex" diffeq -n 1 1 7 13 20 0 500

# diffeq.par: 'notation' bits testability C% O% pin-overhead area-overhead fitness
read -r -a par < diffeq.par || true
notation=${par[0]//\'/}
echo
echo "=== Layout found: '$notation' (fitness ${par[7]}, pin overhead ${par[5]} %, area overhead ${par[6]} %)"
# In the notation each group is a chain, listed from its scan input; digit d is
# the register described d-th (from 0), i.e. reg(d+1) in diffeq.
chain=0
IFS='.' read -r -a groups <<< "$notation"
for g in "${groups[@]}"; do
  [ -n "$g" ] || continue
  line="    chain $chain: SCAN_IN$chain"
  for ((k = 0; k < ${#g}; k++)); do line+=" -> reg$((${g:k:1} + 1))"; done
  echo "$line -> SCAN_OUT$chain"
  chain=$((chain + 1))
done
echo
echo "Reports are in $out"

#!/usr/bin/env bash
# Regenerates the README pictures of lumeno in docs/: builds the tree, then
# drives the front end through a short session on the benchmark (an analysis
# without scan, one with full scan and an auto-design) and through a Verilog
# example (analysis, loop breaking, comparison), the scan-readiness checks of
# a design that fails them, a comparison with fault simulation and the
# register summary of a larger hierarchical design, and grabs its windows.
# Needs no display: the windows are drawn off screen.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$root/build}"
"$root/tools/setup.sh" "$build"
# A desktop screen with room for every window at its 96-DPI size.
QT_QPA_PLATFORM="offscreen:configfile=$root/tests/frontend/screens/desktop96.json" "$build/frontend/lumeno-screenshots" "$root/docs" "$build/engine/tarvex" \
  "$root/examples/verilog/fir.v" "$root/examples/verilog/timer.v" "$root/examples/verilog/diffeq.v" \
  "$root/examples/verilog/soc.v"

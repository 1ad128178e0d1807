#!/usr/bin/env bash
# Builds the whole project with warnings as errors and runs every test, then
# builds and runs the tests again under AddressSanitizer and UBSan.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
export QT_QPA_PLATFORM=offscreen

"$root/tools/setup.sh" "$root/build" -DTARVEX_WERROR=ON -DTARVEX_SANITIZE=OFF
ctest --test-dir "$root/build" --output-on-failure -j "$(nproc)"

BUILD_TYPE=Debug "$root/tools/setup.sh" "$root/build-asan" -DTARVEX_WERROR=ON -DTARVEX_SANITIZE=ON -DTARVEX_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j "$(nproc)"
echo "All tests passed (plain and sanitizer builds)."

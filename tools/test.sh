#!/usr/bin/env bash
# Builds the whole project with warnings as errors and runs every test; builds
# and tests it again in Release (as users build it) and under AddressSanitizer
# and UBSan (Debug); then fuzzes every reader for FUZZ_SECONDS (60) each.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
export QT_QPA_PLATFORM=offscreen

"$root/tools/setup.sh" "$root/build" -DTARVEX_WERROR=ON -DTARVEX_SANITIZE=OFF
ctest --test-dir "$root/build" --output-on-failure -j "$(nproc)"

BUILD_TYPE=Release "$root/tools/setup.sh" "$root/build-release" -DTARVEX_WERROR=ON
ctest --test-dir "$root/build-release" --output-on-failure -j "$(nproc)"
"$root/tools/package.sh" "$root/build-release"

BUILD_TYPE=Debug "$root/tools/setup.sh" "$root/build-asan" -DTARVEX_WERROR=ON -DTARVEX_SANITIZE=ON -DTARVEX_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions="$root/tests/lsan.supp" ctest --test-dir "$root/build-asan" --output-on-failure -j "$(nproc)"
"$root/tools/fuzz.sh" "$root/build-fuzz"
echo "All tests passed (RelWithDebInfo, Release and sanitizer builds, fuzzing)."

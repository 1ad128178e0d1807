#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each one
# for FUZZ_SECONDS seconds (default 60) from its seed corpus in
# tests/fuzz/corpus/NAME. A crash, leak, sanitizer report or timeout fails the
# script; the input that caused it is left in BUILD/artifacts/NAME/ and must be
# added to the corpus as a regression input once fixed.
# Usage: tools/fuzz.sh [BUILD_DIR] [TARGET...]
#   FUZZ_SECONDS: seconds per target (60); FUZZ_JOBS: targets run at once (one per core)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-fuzz}")
shift || true
seconds=${FUZZ_SECONDS:-60}
jobs=${FUZZ_JOBS:-$(nproc)}

CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEX_FUZZ=ON >/dev/null
cmake --build "$build" -j "$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for dir in "$root"/tests/fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi

# Runs one target; new inputs go to a scratch corpus, the seeds stay as they are.
run_target() {
  local name=$1
  local exe="$build/tests/fuzz/fuzz_$name"
  local work="$build/work/$name" artifacts="$build/artifacts/$name"
  mkdir -p "$work" "$artifacts"
  local dict=()
  [ -f "$root/tests/fuzz/$name.dict" ] && dict=(-dict="$root/tests/fuzz/$name.dict")
  echo "fuzz: $name for ${seconds}s"
  if ! (cd "$work" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -artifact_prefix="$artifacts/" -print_final_stats=1 "${dict[@]}" \
        "$work" "$root/tests/fuzz/corpus/$name" >"$build/$name.log" 2>&1); then
    echo "fuzz: $name FAILED; see $build/$name.log and $artifacts/"
    tail -40 "$build/$name.log"
    return 1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|cov: ' "$build/$name.log" | tail -3 | sed "s/^/fuzz: $name: /"
}
export -f run_target
export build root seconds

printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_target "$@"' _ {}
echo "fuzz: every target ran ${seconds}s without a finding."

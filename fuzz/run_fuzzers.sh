#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time from its seed
# corpus. Fails when any target crashes, leaks, hangs or trips a sanitizer; the
# input that did it is kept in the build folder's artifacts/.
#
#   fuzz/run_fuzzers.sh [SECONDS [TARGET...]]
#
# SECONDS per target (default 20). TARGET names limit the run to those targets
# (base64_decode, text_operations, ...; see the build folder's fuzzers.txt).
# Environment: FUZZ_BUILD_DIR (default build-fuzz in the source tree), FUZZ_JOBS
# (build jobs, default 2). Needs clang and libclang-rt-14-dev (libFuzzer).
set -euo pipefail

seconds=${1:-20}
shift || true
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "usage: $0 [SECONDS [TARGET...]]" >&2
  exit 2
fi

fuzz_dir=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$fuzz_dir/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
jobs=${FUZZ_JOBS:-2}

for tool in clang clang++ cmake ninja; do
  if ! command -v "$tool" >/dev/null; then
    echo "run_fuzzers: $tool is missing (install clang, libclang-rt-14-dev, cmake, ninja-build)" >&2
    exit 2
  fi
done

echo "== fuzz targets: configure and build in $build"
CC=clang CXX=clang++ cmake -S "$fuzz_dir" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j "$jobs"

if [ $# -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < "$build/fuzzers.txt"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/pelvaro-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
artifacts="$build/artifacts"
mkdir -p "$artifacts"

# Sanitizer reports end the run; leaks are looked for after every input.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
summary=()
for target in "${targets[@]}"; do
  [ -n "$target" ] || continue
  binary="$build/${target}_fuzzer"
  if [ ! -x "$binary" ]; then
    echo "run_fuzzers: no target named $target" >&2
    failed+=("$target")
    continue
  fi
  # The committed seeds stay untouched: the fuzzer adds to a copy.
  corpus="$work/corpus/$target"
  mkdir -p "$corpus"
  if [ -d "$fuzz_dir/corpus/$target" ]; then
    cp -R "$fuzz_dir/corpus/$target/." "$corpus/"
  fi
  # Words of the input's format, where a target has them.
  dictionary=()
  if [ -f "$fuzz_dir/dict/$target.dict" ]; then
    dictionary=(-dict="$fuzz_dir/dict/$target.dict")
  fi
  log="$work/$target.log"
  echo "== $target: ${seconds} s"
  status=0
  "$binary" "$corpus" "${dictionary[@]}" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$target-" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ "$status" -ne 0 ] || grep -q -E '^SUMMARY: |runtime error:|property does not hold' "$log"; then
    echo "!! $target failed (exit $status); the end of its log:"
    grep -v -E '^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse|INITED)' "$log" | tail -n 40
    failed+=("$target")
    summary+=("$(printf '%-20s %12s runs  FAILED' "$target" "${runs:-?}")")
  else
    summary+=("$(printf '%-20s %12s runs  ok' "$target" "${runs:-?}")")
  fi
done

echo "== fuzz summary (${seconds} s each)"
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzz targets failed: ${failed[*]} (inputs in $artifacts)"
  exit 1
fi
echo "All fuzz targets ran clean."

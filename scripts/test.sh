#!/usr/bin/env bash
# Installs what is needed, then builds and runs every test twice: a normal build
# and one with AddressSanitizer and UndefinedBehaviorSanitizer; then runs every
# fuzz target briefly (PELVARO_FUZZ_SECONDS, 20 by default). Between the two
# builds it checks the installed files and the Debian package. Last, it builds
# the Windows programs with mingw-w64 and runs the whole suite for them under
# Wine, the window on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

run_suite() {
  local dir=$1; shift
  echo "== $dir: configure and build"
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "== $dir: tests"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== build: installed files and the Debian package"
scripts/check-package.sh build
run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DPELVARO_SANITIZE=ON -DPELVARO_BENCH=OFF
echo "== fuzz targets: a short run of each"
fuzz/run_fuzzers.sh "${PELVARO_FUZZ_SECONDS:-20}"

echo "== build-windows: the Windows programs, the zip and the installer"
scripts/build-windows.sh -DPELVARO_TESTS=ON
cmake --build build-windows -j "$jobs"
echo "== build-windows: tests under Wine"
# Wine's server for the build's own prefix stays up between test programs; it
# is ended however the tests went.
stop_wine() {
  for prefix in build-windows/wine-prefix build-windows/wine-prefix-display \
      build-windows/wine-prefix-display-144dpi build-windows/wine-prefix-install; do
    WINEPREFIX="$PWD/$prefix" wineserver -k 2>/dev/null || true
  done
}
trap stop_wine EXIT
ctest --test-dir build-windows --output-on-failure -j "$jobs"
echo "All test suites passed."

#!/usr/bin/env bash
# Builds the Windows programs (pelvaro.exe, pelvaro-cli.exe) with mingw-w64 into
# build-windows/ and makes, in dist/, pelvaro-<version>-windows-x64.zip (the two
# .exe files and a short read-me in Chinese and English) and
# pelvaro-<version>-windows-x64-setup.exe, an installer of the same files.
# Extra arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps-windows.sh

cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
# The build stages the stripped programs and the read-me in build-windows/dist/
# and makes the installer of them there (packaging/windows/CMakeLists.txt).
cmake --build build-windows --target pelvaro_windows_files pelvaro_windows_installer

version=$(sed -n 's/^project(Pelvaro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name="pelvaro-${version}-windows-x64"
mkdir -p dist
rm -f "dist/${name}.zip"
(cd build-windows/dist && zip -q -X -r "../../dist/${name}.zip" "$name")
cp "build-windows/dist/${name}-setup.exe" "dist/${name}-setup.exe"
echo "dist/${name}.zip"
echo "dist/${name}-setup.exe"

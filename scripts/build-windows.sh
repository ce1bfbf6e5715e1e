#!/usr/bin/env bash
# Builds the Windows programs (pelvaro.exe, pelvaro-cli.exe) with mingw-w64 into
# build-windows/ and packs dist/pelvaro-<version>-windows-x64.zip: the two .exe
# files and a short read-me in Chinese and English. Extra arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps-windows.sh

cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build build-windows --target pelvaro pelvaro-cli

version=$(sed -n 's/^project(Pelvaro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name="pelvaro-${version}-windows-x64"
staging="build-windows/dist/${name}"
rm -rf "$staging"
mkdir -p "$staging" dist
x86_64-w64-mingw32-strip -o "$staging/pelvaro.exe" build-windows/gui/win32/pelvaro.exe
x86_64-w64-mingw32-strip -o "$staging/pelvaro-cli.exe" build-windows/cli/pelvaro-cli.exe
# Notepad reads the read-me right with a byte order mark and CR LF line ends.
{
  printf '\xEF\xBB\xBF'
  sed -e "s/%VERSION%/${version}/" -e 's/$/\r/' packaging/windows/readme.txt
} > "$staging/readme.txt"

rm -f "dist/${name}.zip"
(cd build-windows/dist && zip -q -X -r "../../dist/${name}.zip" "$name")
echo "dist/${name}.zip"

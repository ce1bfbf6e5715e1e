#!/usr/bin/env bash
# Installs what building the Windows programs here and testing them under Wine
# needs: the mingw-w64 cross compilers, Wine, a virtual display with input and
# clipboard tools, a CJK font and zip. Does nothing when they are all there.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64
  xvfb xauth xdotool xclip fonts-wqy-microhei
  zip unzip
  duktape-dev libgtest-dev googletest cmake ninja-build
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Does nothing when they are all there already.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libcurl4-openssl-dev libssl-dev duktape-dev libgtest-dev libicu-dev
  openssl fonts-wqy-microhei
  xvfb python3-xlib
  clang libclang-rt-14-dev llvm
  dpkg-dev lintian desktop-file-utils appstream
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

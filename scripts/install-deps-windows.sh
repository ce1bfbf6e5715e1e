#!/usr/bin/env bash
# Installs what building the Windows programs here and testing them under Wine
# needs: the mingw-w64 cross compilers, Wine, a virtual display with input and
# clipboard tools, a CJK font, zip, NSIS (the installer), and the tools that
# draw the program icon (rsvg-convert, icotool; icotool's package also reads
# resources back). Does nothing when they are all there.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64
  xvfb xauth xdotool xclip fonts-wqy-microhei
  zip unzip locales nsis
  librsvg2-bin icoutils
  duktape-dev libgtest-dev googletest cmake ninja-build
)

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

# Wine takes its ANSI code page (936) from the zh_CN.UTF-8 locale, and can spell
# Chinese file names on the Linux side only when that locale exists.
ensure_chinese_locale() {
  locale -a 2>/dev/null | grep -qix 'zh_CN.utf8' && return 0
  "${sudo_cmd[@]}" localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
}

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  ensure_chinese_locale
  exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
ensure_chinese_locale

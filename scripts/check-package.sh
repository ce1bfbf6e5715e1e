#!/usr/bin/env bash
# Checks what an installed Pelvaro is made of, from a configured and built build
# folder: the installed desktop entry and AppStream metadata validate, the manual
# page names every option of pelvaro-cli, the Debian package holds exactly the
# files it should and lintian finds no error in it, and the package installs
# with apt and removes without a trace.
#
#   scripts/check-package.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:?usage: scripts/check-package.sh BUILD_DIR}
build=$(cd "$build" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

echo "-- installing into a staging prefix"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
desktop-file-validate "$work"/prefix/share/applications/*.desktop
appstreamcli validate --no-net "$work"/prefix/share/metainfo/*.metainfo.xml

echo "-- the manual page names every option of --help"
"$build/cli/pelvaro-cli" --help | grep -o -- '--[a-z][a-z-]*' | sort -u > "$work/options"
zcat "$work/prefix/share/man/man1/pelvaro-cli.1.gz" | sed 's/\\-/-/g' > "$work/manual"
while read -r option; do
  grep -q -- "$option" "$work/manual" || fail "the manual page lacks $option"
done < "$work/options"

echo "-- building the Debian package"
rm -rf "$build/package"
(cd "$build" && cpack -G DEB >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb="$build/package/pelvaro_${version}_amd64.deb"
[ -f "$deb" ] || fail "no package at $deb"

dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort > "$work/files"
sort > "$work/expected" <<LIST
./usr/bin/pelvaro
./usr/bin/pelvaro-cli
./usr/share/applications/org.pelvaro.Pelvaro.desktop
./usr/share/doc/pelvaro/changelog.gz
./usr/share/doc/pelvaro/copyright
./usr/share/icons/hicolor/256x256/apps/org.pelvaro.Pelvaro.png
./usr/share/icons/hicolor/scalable/apps/org.pelvaro.Pelvaro.svg
./usr/share/man/man1/pelvaro-cli.1.gz
./usr/share/man/man1/pelvaro.1.gz
./usr/share/metainfo/org.pelvaro.Pelvaro.metainfo.xml
LIST
diff -u "$work/expected" "$work/files" || fail "the package's file list differs from the expected one"
dpkg-deb -x "$deb" "$work/unpacked"
if grep -r -l -F "$build" "$work/unpacked"; then fail "the package holds paths of the build folder"; fi

echo "-- lintian"
lintian --tag-display-limit 0 "$deb" 2>/dev/null || fail "lintian reports errors"

echo "-- installing and removing the package with apt"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  if ! sudo -n true 2>/dev/null; then
    echo "SKIPPED: installing the package needs root or password-less sudo"
    exit 0
  fi
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get install -y -qq "$deb" >/dev/null
[ "$(/usr/bin/pelvaro-cli --version)" = "pelvaro-cli $version" ] || fail "the installed pelvaro-cli gives the wrong version"
dpkg-query -L pelvaro | sort > "$work/installed"
"${sudo_cmd[@]}" apt-get purge -y -qq pelvaro >/dev/null
while read -r path; do
  if [ -f "$path" ]; then fail "$path stayed after the package was removed"; fi
done < "$work/installed"
echo "package checks passed"

#!/bin/sh
# The installer as a user runs it silently: `setup.exe /S` puts both programs,
# the read-me and the uninstaller under Program Files, a Start-menu shortcut for
# all users and the "Apps & features" entry in place, and the installed command
# runs; `uninstall.exe /S` then removes every one of them again.
#   install_and_uninstall.sh <setup.exe> <Wine prefix of its own> <version>
# The prefix is this test's alone: installing changes the machine-wide parts of it.
set -u
setup=$1
export WINEPREFIX=$2
version=$3

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*"; status=1; }

command -v wine >/dev/null 2>&1 || skip "wine is not installed"
[ -f "$setup" ] || { echo "FAILED: no installer at $setup (build the pelvaro_windows_installer target)"; exit 1; }

export WINEDEBUG=-all
export LC_ALL=zh_CN.UTF-8
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY
# No prompts for Wine's .NET and HTML engines; no Linux menu entries in the real
# home folder for the Start-menu shortcut.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Wine programs are started with their output in files: the background programs
# the first one starts would keep a pipe open for as long as the server runs.
log=$WINEPREFIX.log
wine_quiet() { wine "$@" </dev/null >>"$log" 2>&1; }
# Without a persistent server, the server ends once every program in the prefix
# has: waiting for that also waits for what a program left running.
wait_for_wine() { wineserver -w; }
trap 'wineserver -k 2>/dev/null' EXIT
: >"$log"

if [ ! -f "$WINEPREFIX/.pelvaro-ready" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot --init >>"$log" 2>&1
  wait_for_wine
  touch "$WINEPREFIX/.pelvaro-ready"
fi

drive_c=$WINEPREFIX/drive_c
install_dir="$drive_c/Program Files/Pelvaro"
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Pelvaro.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelvaro'
windows_dir='C:\Program Files\Pelvaro'

# A clean machine, whatever an earlier run left behind.
rm -rf "$install_dir" "$shortcut"
wine_quiet reg delete "$key" /f
wait_for_wine

status=0
wine_quiet "$setup" /S || fail "setup.exe /S exited with $?"
wait_for_wine

for file in pelvaro.exe pelvaro-cli.exe readme.txt uninstall.exe; do
  [ -f "$install_dir/$file" ] || fail "not installed: $file"
done
[ -f "$shortcut" ] || fail "no Start-menu shortcut"

values=$WINEPREFIX.uninstall-key
wine reg query "$key" </dev/null >"$values" 2>>"$log" || fail "no uninstall key"
tr -d '\r' <"$values" >"$values.unix"
has_value() { grep -qxF "    $1    $2    $3" "$values.unix" || fail "uninstall key: $1 is not $3"; }
has_value DisplayName REG_SZ "Pelvaro"
has_value DisplayVersion REG_SZ "$version"
has_value Publisher REG_SZ "Pelvaro"
has_value DisplayIcon REG_SZ "$windows_dir\\pelvaro.exe"
has_value InstallLocation REG_SZ "$windows_dir"
has_value UninstallString REG_SZ "\"$windows_dir\\uninstall.exe\""
has_value QuietUninstallString REG_SZ "\"$windows_dir\\uninstall.exe\" /S"
has_value NoModify REG_DWORD 0x1
has_value NoRepair REG_DWORD 0x1
grep -q '^    EstimatedSize    REG_DWORD    0x' "$values.unix" || fail "uninstall key: no EstimatedSize"

answer=$WINEPREFIX.version
wine "$windows_dir\\pelvaro-cli.exe" --version </dev/null >"$answer" 2>>"$log"
[ "$(tr -d '\r' <"$answer")" = "pelvaro-cli $version" ] ||
  fail "installed pelvaro-cli --version said: $(cat "$answer")"

# The uninstaller copies itself to the temp folder, starts the copy and returns
# at once; the copy does the work.
wine_quiet "$windows_dir\\uninstall.exe" /S || fail "uninstall.exe /S exited with $?"
wait_for_wine

[ -e "$install_dir" ] && fail "left behind: $(ls -A "$install_dir" | tr '\n' ' ')"
[ -e "$shortcut" ] && fail "Start-menu shortcut left behind"
wine_quiet reg query "$key" && fail "uninstall key left behind"

if [ "$status" -ne 0 ]; then
  echo "Wine's output:"
  # Wine's own programs answer in code page 936.
  iconv -f GBK -t UTF-8 "$log" 2>/dev/null || cat "$log"
  exit 1
fi
echo "installed, ran pelvaro-cli $version and uninstalled"

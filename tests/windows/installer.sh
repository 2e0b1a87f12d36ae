#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The installer under Wine, silently, as an administrator's deployment would
# run it:
#   tests/windows/installer.sh SETUP_EXE BRELON_EXE
# Installs into Program Files, checks the program, the Start-menu entry and
# the entry in the list of installed programs, then uninstalls and checks
# that all of it is gone. The Wine prefix is WINEPREFIX.
set -euo pipefail
setup=$1
exe=$2
: "${WINEPREFIX:?the Wine prefix}"
export WINEDEBUG=-all

# shellcheck source=tests/windows/tally.sh
source "$(dirname "$0")/tally.sh"
trap 'wineserver -k 2>/dev/null || true' EXIT

folder="$WINEPREFIX/drive_c/Program Files/Brelon"
link="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Brelon.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brelon'

status=0
timeout 300 wine "$setup" /S || status=$?
if [[ $status -eq 0 ]]; then
  pass "the installer ends with status 0"
else
  fail "the installer ends with status $status"
fi
for file in brelon.exe COPYING.txt README.txt uninstall.exe; do
  if [[ -f "$folder/$file" ]]; then
    pass "installed: Program Files\\Brelon\\$file"
  else
    fail "not installed: Program Files\\Brelon\\$file"
  fi
done
if cmp -s "$exe" "$folder/brelon.exe"; then
  pass "the installed brelon.exe is the one built"
else
  fail "the installed brelon.exe differs from the one built"
fi
if [[ -f "$link" ]] && grep -a -q -i 'brelon\.exe' "$link"; then
  pass "the Start-menu entry Brelon.lnk starts brelon.exe"
else
  fail "no Start-menu entry Brelon.lnk pointing at brelon.exe"
fi
entry=$(wine reg query "$key" /v DisplayName 2>/dev/null | tr -d '\r' || true)
if [[ "$entry" == *"Brelon"* ]]; then
  pass "listed among the installed programs"
else
  fail "not listed among the installed programs ($key)"
fi

# The uninstaller copies itself elsewhere and returns at once: wait until it
# has done its work.
timeout 300 wine "C:\\Program Files\\Brelon\\uninstall.exe" /S || true
for _ in $(seq 600); do
  [[ ! -e "$folder" && ! -e "$link" ]] && break
  sleep 0.2
done
wineserver -w
if [[ ! -e "$folder" && ! -e "$link" ]]; then
  pass "the uninstaller removes the folder and the Start-menu entry"
else
  fail "after uninstalling, the folder or the Start-menu entry is left"
fi
if wine reg query "$key" >/dev/null 2>&1; then
  fail "still listed among the installed programs after uninstalling"
else
  pass "no longer listed among the installed programs"
fi

finish "installer under Wine"

#!/usr/bin/env bash
# Follows INSTALL.txt of the Windows package as a new user would, under Wine
# in the prefix that WINEPREFIX names: unzip the package, put the module into
# a program folder and the settings and menu files into a fresh profile, load
# the module with the package's qxsim.exe, press a device key and run a toggle
# command, unload. Checks that the module loaded and found the
# installed files: the menu's first key macro sent, the toggled setting
# written back into the installed settings file, the log where that file
# puts it.
#   tools/ci/try_install.sh BUILD_DIR     (BUILD_DIR: the windows preset's)
set -euo pipefail
build=$(cd "$1" && pwd)
zip=$(ls "$build"/package/qxautocad-*-win64.zip)
trial=$(mktemp -d /tmp/qx-install.XXXXXX)
trap 'rm -rf "$trial"' EXIT
cd "$trial"

unzip -q "$zip"
package=$(basename "$zip" .zip)
for file in qxautocad.arx qxsim.exe arxsim.dll win32sim.dll qxtranscript.dll qxv_daemon.dll \
  qxv_ctrlr_64.dll autocad_addin.ini autocad.mnu tour.qxs INSTALL.txt; do
  [ -f "$package/$file" ] || { echo "the package lacks $file"; exit 1; }
done

# Step 1 of INSTALL.txt.
program="Program Files/QuorvexDevice/AutoCAD"
apps="profile/QuorvexDevice/Applications"
mkdir -p "$program" "$apps"
cp "$package/qxautocad.arx" "$program/"
cp "$package/autocad_addin.ini" "$package/autocad.mnu" "$apps/"

# Step 2: qxsim.exe, where the package was unzipped, loads the module from
# the program folder.
cat > session.qxs <<'STEPS'
wait 200
key 0x20020
wait 300
command QX_Toggle_Scroll_Mode
wait 100
STEPS
wine "$package/qxsim.exe" --real-time --profile profile --transcript session.jsonl \
  --module "$program/qxautocad.arx" session.qxs

failures=0
check() {  # check FILE TEXT WHAT
  if ! grep -qF -- "$2" "$1"; then
    echo "FAILED: $3 ($1 lacks '$2')"
    failures=1
  fi
}
check session.jsonl '"ev":"load"' "the module loaded"
check session.jsonl 'mQxAutoCadP constructed' "the module started"
check session.jsonl '"ev":"send","text":"_line' "the installed menu file's first macro ran"
check session.jsonl '"ev":"unload"' "the module unloaded"
check "$apps/autocad_addin.ini" 'scrollTreeAndList     = off' \
  "the toggle was written back into the installed settings file"
check profile/QuorvexDevice/autocad_addin_log.txt 'Destructed.' "the log is where INSTALL.txt says"
[ $failures -eq 0 ] && echo "INSTALL.txt followed: module loaded from '$program', settings, menu and log in the profile"
exit $failures

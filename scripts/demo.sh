#!/usr/bin/env bash
# The run command: installs what is missing, builds install.exe, stages a demo source folder
# (install.exe beside small generated product files) in a Wine prefix of its own under the
# build tree, and starts the installer from that folder.
#   With a display ($DISPLAY reachable): the dialog appears; the command ends with the installer.
#   Without one: an Xvfb display is used, a screenshot of the dialog is saved and its path
#   printed, the installer is closed and the command exits 0.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLMAR_BUILD:-$root/build}

bash "$root/scripts/setup-deps.sh"

# The shipped program is 32-bit. Where this machine's kernel cannot run 32-bit programs, the
# demo runs the same code built for x86_64.
arch=$("$root/scripts/wine-arch")
out=$build/demo-$arch
"$root/scripts/build-win" "$out" "$arch" installer rigctl
[ "$arch" = i686 ] || echo "demo: this machine cannot run 32-bit programs; running the $arch build of install.exe"

rigdir=$build/demo-rig
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export RIG_DISPLAY=$DISPLAY
  headless=
else
  unset RIG_DISPLAY
  headless=1
fi
"$root/scripts/rig" start "$rigdir" "$arch"
trap '"$root/scripts/rig" stop "$rigdir" >/dev/null 2>&1 || true' EXIT
# shellcheck disable=SC1091
. "$rigdir/env"

# The source folder: the product's files and the installer, as a user receives them.
src=$WINEPREFIX/drive_c/quillmar-setup
mkdir -p "$src"
printf 'MZ Quillmar demo program\r\n' > "$src/quillmar.exe"
printf 'Quillmar help (demo)\r\n' > "$src/userhelp.hlp"
printf '*.txt\r\n*.doc\r\n' > "$src/criteria.inc"
printf '*.tmp\r\n*.bak\r\n' > "$src/criteria.exc"
cp "$out/install.exe" "$src/install.exe"
cp "$out/rigctl.exe" "$rigdir/rigctl.exe"
echo "demo: source folder C:\\quillmar-setup ($src)"

cd "$src"
if [ -z "$headless" ]; then
  "$QUILLMAR_WINE" install.exe
  echo "demo: installer ended with status $?; settings file: $WINEPREFIX/drive_c/windows/QUILLMAR.INI"
  exit 0
fi

"$QUILLMAR_WINE" install.exe &
pid=$!
if ! "$QUILLMAR_WINE" "$rigdir/rigctl.exe" wait "Install Quillmar" 60; then
  echo "demo: the installer dialog did not appear" >&2
  kill "$pid" 2>/dev/null || true
  exit 1
fi
sleep 1
shot=$build/demo-dialog.png
import -window root "$shot"
echo "demo: screenshot of the dialog: $shot"
"$QUILLMAR_WINE" "$rigdir/rigctl.exe" close "Install Quillmar"
status=0
wait "$pid" || status=$?
echo "demo: installer closed, exit status $status"
exit 0

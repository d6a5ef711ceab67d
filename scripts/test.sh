#!/usr/bin/env bash
# The test command: installs what is missing, builds the shipped 32-bit install.exe, compiles
# the test programs and the benchmark for both i686 and x86_64, and runs the whole suite
# through ctest for each architecture that this machine's Wine runs. Extra arguments go to
# ctest (for example -R browser).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLMAR_BUILD:-$root/build}

bash "$root/scripts/setup-deps.sh"

# The tests must leave the machine as they found it. A program that reaches /dev/null or
# /dev/full through a link can change them (a mode of 775 on /dev/null makes every program that
# writes it as another user fail, apt's downloads among them): the run fails if either changed,
# and both are put back as Linux makes them.
devices() { stat -c '%n: %F %t,%T mode %a %U:%G' /dev/null /dev/full 2>&1; }
standard="/dev/null: character special file 1,3 mode 666 root:root
/dev/full: character special file 1,7 mode 666 root:root"
restore_devices() {
  local name minor n
  for name in null:3 full:7; do
    n=/dev/${name%:*} minor=${name#*:}
    { [ "$(stat -c '%F %t,%T' "$n")" = "character special file 1,$minor" ] ||
        { rm -f "$n" && mknod -m 666 "$n" c 1 "$minor"; }; } &&
      chown root:root "$n" && chmod 666 "$n" ||
      echo "test: could not restore $n (as root: mknod -m 666 $n c 1 $minor)" >&2
  done
}
devices_before=$(devices)
if [ "$devices_before" != "$standard" ]; then
  printf 'test: before the run:\n%s\ntest: restoring them\n' "$devices_before" >&2
  restore_devices
  devices_before=$(devices)
fi

# One run at a time per build tree: runs share its build and its Wine prefix.
mkdir -p "$build"
exec 9>"$build/.test-lock"
flock 9

# The program as it ships: 32-bit, release, stripped.
shipped=$build/release/install.exe
"$root/scripts/build-win" "$build/release" i686 installer

# Both architectures compile on every machine, so that an error of either fails here.
for a in i686 x86_64; do
  "$root/scripts/build-win" "$build/test-$a" "$a" -- -DSHIPPED_INSTALL_EXE="$shipped"
done

# The suite runs for what this machine's Wine can run: i686 where the kernel runs 32-bit
# programs, then the Windows programs of x86_64 too; x86_64 alone where it cannot.
arch=$("$root/scripts/wine-arch")
tests=$build/test-$arch
if [ "$arch" = i686 ]; then
  echo "test: running the i686 programs (this machine runs 32-bit programs), then the x86_64 ones"
else
  echo "test: running the x86_64 programs (this machine's kernel refuses 32-bit programs); i686 compiled only"
fi
echo "test: end-to-end tests drive $(cat "$tests/e2e-install-exe")"
status=0
ctest --test-dir "$tests" --output-on-failure "$@" || status=$?
if [ "$arch" = i686 ]; then
  # The checks that do not run under Wine, and the release's, have run once already.
  echo "test: the x86_64 programs; end-to-end tests drive $(cat "$build/test-x86_64/e2e-install-exe")"
  ctest --test-dir "$build/test-x86_64" --output-on-failure -E '^(static_analysis|setup_deps|shipped_binary|fuzz|release)$' "$@" || status=$?
fi
devices_after=$(devices)
if [ "$devices_after" != "$devices_before" ]; then
  printf 'test: FAILED: the machine'"'"'s devices changed during the run\nbefore:\n%s\nafter:\n%s\n' \
         "$devices_before" "$devices_after" >&2
  restore_devices
  echo "test: restored: $(devices | tr '\n' ' ')" >&2
  status=1
fi
exit $status

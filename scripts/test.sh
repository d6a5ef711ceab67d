#!/usr/bin/env bash
# The test command: installs what is missing, builds the shipped 32-bit install.exe, compiles
# the test programs and the benchmark for both i686 and x86_64, and runs the whole suite
# through ctest for each architecture that this machine's Wine runs. Extra arguments go to
# ctest (for example -R browser).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLMAR_BUILD:-$root/build}

bash "$root/scripts/setup-deps.sh"

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
  ctest --test-dir "$build/test-x86_64" --output-on-failure -E '^(static_analysis|shipped_binary|fuzz|release)$' "$@" || status=$?
fi
exit $status

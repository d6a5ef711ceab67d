#!/usr/bin/env bash
# The benchmark command (not part of the test command): installs what is missing, builds the
# shipped 32-bit install.exe and the benchmark program, starts a Wine rig of its own
# (build/bench-rig: prefix, Xvfb, wineserver), runs the benchmark there and prints its figures,
# then the shipped install.exe's size and imports against their goals.
#   bash scripts/bench.sh [--reps N] [--slow-reps N] [--only files,trees,startup]
# Extra arguments go to the benchmark program (bench/bench.cpp says what they do). The first
# run creates the benchmark's folders on the rig's T: drive (build/bench-rig/drives/t), about
# half a minute; later runs reuse them. A whole run takes about five minutes, most of it
# DlgDirListA filling a visible list box with 10,000 files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLMAR_BUILD:-$root/build}

bash "$root/scripts/setup-deps.sh"

# The program as it ships: 32-bit, release, stripped; configured exactly as the test command
# builds it in build/release, but in a tree of its own so that a test run going on at the
# same time is left alone.
shipped=$build/bench-release
"$root/scripts/build-win" "$shipped" i686 installer

# The benchmark runs the program's code built for what this machine's Wine can run, with the
# same optimisation as the shipped program.
arch=$("$root/scripts/wine-arch")
out=$build/bench-$arch
"$root/scripts/build-win" "$out" "$arch" quillmar_bench

# A rig of its own, always on its own Xvfb display, so that runs are alike.
rigdir=$build/bench-rig
unset RIG_DISPLAY
"$root/scripts/rig" start "$rigdir" "$arch"
trap '"$root/scripts/rig" stop "$rigdir" >/dev/null 2>&1 || true' EXIT

# shellcheck disable=SC1091
echo "bench: $arch build of the program's code under $(. "$rigdir/env" && "$QUILLMAR_WINE" --version)," \
     "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) (other work on the machine shows as noise)"
status=0
(cd "$rigdir/prefix/drive_c" && "$root/scripts/wine-run" "$rigdir" "$out/bench/bench.exe" "$@") || status=$?

# 4. Size of the shipped program and the DLLs it imports.
exe=$shipped/install.exe
goal=26624
size=$(stat -c %s "$exe")
mapfile -t dlls < <(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print $3}')
extra=()
for d in "${dlls[@]}"; do
  case ${d^^} in
    KERNEL32.DLL|USER32.DLL|GDI32.DLL|MSVCRT.DLL|ADVAPI32.DLL) ;;
    *) extra+=("$d") ;;
  esac
done
echo
echo "4. Size: install.exe as it ships (i686, MinSizeRel, stripped): $exe"
printf '     %-34s %10d bytes  goal <= %d: %s\n' "install.exe" "$size" "$goal" \
       "$([ "$size" -le "$goal" ] && echo met || echo "NOT MET")"
printf '     %-34s %s  (only KERNEL32, USER32, GDI32, msvcrt, ADVAPI32 allowed): %s\n' "imports" "${dlls[*]}" \
       "$([ ${#extra[@]} -eq 0 ] && echo met || echo "NOT MET: ${extra[*]}")"
exit "$status"

#!/usr/bin/env bash
# Fuzzes the installer's platform-free rules (tests/fuzz): installs what is missing, builds the
# native libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer) into
# build/fuzz, and runs each target for SECONDS (default 60) on a fresh copy of its seed corpus.
# Prints executions and time per target. A target that crashes does not stop the others; the
# command fails at the end and names each reproducer.
#
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]     e.g. bash scripts/fuzz.sh 600 tree
#   bash scripts/fuzz.sh --ci BUILD_DIR            what the test command runs (ctest test "fuzz"):
#        builds into BUILD_DIR, replays every seed, then fuzzes about 30 s in all
#        (QUILLMAR_FUZZ_CI_SECONDS), split between the targets.
#
# To replay one reproducer: build/fuzz/fuzz_<target> <file>.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

ci=
if [ "${1:-}" = --ci ]; then
  ci=1
  out=${2:?usage: fuzz.sh --ci BUILD_DIR}
  shift 2
  seconds=
else
  seconds=60
  if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
    seconds=$1
    shift
  fi
  out=${QUILLMAR_BUILD:-$root/build}/fuzz
  bash "$root/scripts/setup-deps.sh"   # clang, libclang-rt-14-dev (libFuzzer), cmake, make
fi
[ "${seconds:-1}" -gt 0 ] || { echo "fuzz: SECONDS must be at least 1" >&2; exit 2; }

# One run at a time per build folder.
mkdir -p "$out"
exec 8>"$out/.fuzz-lock"
flock 8

cmake -S "$root/tests/fuzz" -B "$out" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out" -j"$(nproc)"

mapfile -t all < "$out/targets.txt"
if [ $# -gt 0 ]; then
  targets=("$@")
  for t in "${targets[@]}"; do
    [ -x "$out/fuzz_$t" ] || { echo "fuzz: no target $t (there are: ${all[*]})" >&2; exit 2; }
  done
else
  targets=("${all[@]}")
fi
if [ -n "$ci" ]; then
  total=${QUILLMAR_FUZZ_CI_SECONDS:-30}
  seconds=$(( total / ${#targets[@]} ))
  [ "$seconds" -ge 1 ] || seconds=1
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=0:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
summary=()
for t in "${targets[@]}"; do
  bin=$out/fuzz_$t
  seeds=$root/tests/fuzz/corpus/$t
  work=$out/work/$t
  artifacts=$out/artifacts/$t
  log=$out/logs/$t.log
  rm -rf "$work"
  mkdir -p "$work" "$artifacts" "$(dirname "$log")"
  if [ -d "$seeds" ] && [ -n "$(ls -A "$seeds")" ]; then
    cp "$seeds"/* "$work"/
  fi
  nseeds=$(ls -A "$work" | wc -l)

  # Every seed once, on its own: a seed that fails names itself.
  if [ -n "$ci" ] && [ "$nseeds" -gt 0 ]; then
    if ! "$bin" -timeout=10 "$work"/* >"$out/logs/$t.replay.log" 2>&1; then
      echo "fuzz: $t: a seed of tests/fuzz/corpus/$t fails:"
      grep -E "Running:|broken rule|while:|ERROR|runtime error|SUMMARY" "$out/logs/$t.replay.log" | tail -8
      failed+=("$t (seed replay; log $out/logs/$t.replay.log)")
      summary+=("$(printf '%-12s seed replay FAILED' "$t")")
      continue
    fi
    echo "fuzz: $t: $nseeds seeds replayed"
  fi

  echo "fuzz: $t: fuzzing for ${seconds} s (log $log)"
  start=$(date +%s)
  rc=0
  "$bin" "$work" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
         -artifact_prefix="$artifacts/" >"$log" 2>&1 || rc=$?
  elapsed=$(( $(date +%s) - start ))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  [ -n "$runs" ] || runs=$(sed -n 's/^#\([0-9]*\).*/\1/p' "$log" | tail -1)
  cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | cut -d' ' -f2)
  found=$(ls -A "$work" | wc -l)
  if [ "$rc" -eq 0 ]; then
    status=ok
  else
    status="CRASH (exit $rc)"
    repro=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)
    echo "fuzz: $t: crashed; the report:"
    grep -E "broken rule|while:|ERROR: |runtime error|SUMMARY|^    #[0-9] " "$log" | head -20
    failed+=("$t: reproducer ${repro:-(none written)}; replay with $bin ${repro:-FILE}")
  fi
  summary+=("$(printf '%-12s %10s runs in %4s s  coverage %5s  corpus %4s -> %-5s %s' \
                 "$t" "${runs:-?}" "$elapsed" "${cov:-?}" "$nseeds" "$found" "$status")")
done

echo
echo "fuzz: per target (the grown corpora are in $out/work):"
printf '  %s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: FAILED"
  printf '  %s\n' "${failed[@]}"
  exit 1
fi
echo "fuzz: no crash"

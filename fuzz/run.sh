#!/usr/bin/env bash
# Builds the fuzz targets and runs each for SECONDS seconds over a scratch copy
# of its corpus. Exits non-zero when any target crashed, hung or leaked.
# Usage: fuzz/run.sh SECONDS [TARGET...]
# FERNWICK_FUZZ_TIMEOUT (seconds, default 20) is the time one input may take;
# a low value hunts slow inputs.
set -u
seconds=${1:?usage: fuzz/run.sh SECONDS [TARGET...]}
shift
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FERNWICK_FUZZ_BUILD:-$root/build-fuzz}
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_obj fuzz_gltf fuzz_scene fuzz_modifier_load fuzz_script)

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DFERNWICK_FUZZ=ON -DFERNWICK_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 2
fi
cmake --build "$build" --target "${targets[@]}" -j2 >"$build/fuzz_build.log" 2>&1 || {
  tail -30 "$build/fuzz_build.log"; exit 2; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/fernwick-fuzz.XXXXXX")
failed=0
export OMP_NUM_THREADS=1
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
for t in "${targets[@]}"; do
  work="$scratch/$t"
  mkdir -p "$work/corpus" "$work/artifacts"
  cp "$root/fuzz/corpus/$t/"* "$work/corpus/" 2>/dev/null
  log="$work/log.txt"
  start=$SECONDS
  (cd "$work" && "$build/fuzz/$t" -max_total_time="$seconds" -timeout=${FERNWICK_FUZZ_TIMEOUT:-20} -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$work/artifacts/" corpus >"$log" 2>&1)
  rc=$?
  took=$((SECONDS - start))
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  found=$(ls "$work/artifacts" 2>/dev/null | wc -l)
  if [ "$rc" -ne 0 ] || [ "$found" -ne 0 ]; then
    failed=1
    echo "$t: ${runs:-?} runs in ${took}s: FOUND (exit $rc), artifacts in $work/artifacts, log $log"
    grep -m3 -E 'ERROR: |runtime error|SUMMARY' "$log" | sed 's/^/    /'
  else
    echo "$t: ${runs:-?} runs in ${took}s: nothing found"
  fi
done
# The copies are kept only where something was found: its artifacts and logs.
if [ "$failed" -eq 0 ]; then
  rm -rf "$scratch"
else
  echo "scratch: $scratch"
fi
exit $failed

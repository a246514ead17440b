#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour sanitizers) and runs
# each for FUZZ_SECONDS on a scratch copy of its seed corpus, in a temporary folder of its own
# that is removed at the end. Exits non-zero on any finding; then the folder is kept, with the
# inputs that caused the findings and the logs.
#
#   FUZZ_SECONDS  seconds per target (60)
#   FUZZ_TARGETS  targets to run (all)
#   BUILD_DIR     build folder, relative to the repository (build-fuzz)
#   FUZZ_OUT      where findings and logs go instead (kept)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${FUZZ_SECONDS:-60}"
build="${BUILD_DIR:-build-fuzz}"
[[ "$build" = /* ]] || build="$root/$build"
targets=(${FUZZ_TARGETS:-fuzz_libraryfiles fuzz_parsenumber fuzz_formatter fuzz_lumeo fuzz_clipboard fuzz_import})

"$root/scripts/install-deps.sh" clang libclang-rt-14-dev

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DQUILLON_FUZZ=ON -DQUILLON_BUILD_TESTS=OFF \
  -DQUILLON_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# Font configuration keeps its caches until exit.
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp:print_suppressions=0"

# Concurrent runs each fuzz in their own folder.
scratch="$(mktemp -d "${TMPDIR:-/tmp}/quillon-fuzz.XXXXXX")"
out="${FUZZ_OUT:-$scratch/findings}"
mkdir -p "$out"
summary=()
failed=0
finish() {
  if [ "$failed" -ne 0 ] && [ -z "${FUZZ_OUT:-}" ]; then
    echo "Findings and logs kept in $out" >&2
  else
    rm -rf "$scratch"
  fi
}
trap finish EXIT

for target in "${targets[@]}"; do
  corpus="$scratch/$target"
  mkdir -p "$corpus" "$out/$target"
  cp "$root/fuzz/corpus/$target/"* "$corpus/"
  log="$out/$target/fuzz.log"
  rm -f "$out/$target/"{crash,leak,timeout,oom,slow-unit}-*
  echo "== $target ($seconds s)"
  status=0
  (cd "$scratch" && "$build/fuzz/$target" "$corpus" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/$target/") >"$log" 2>&1 ||
    status=$?
  execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)"
  if [ "$status" -eq 0 ]; then
    result="ok"
  else
    failed=1
    result="FINDING (exit $status; log and input in $out/$target/)"
    grep -m 5 -E "property violated|ERROR:|runtime error" "$log" | sed 's/^/    /' || true
  fi
  summary+=("$(printf '%-18s %s, %s execs, %s execs/s' "$target" "$result" "${execs:-?}" "${rate:-?}")")
done

echo
printf '%s\n' "${summary[@]}"
exit "$failed"

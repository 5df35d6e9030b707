#!/usr/bin/env bash
# Long fuzz runs of the engine: builds the libFuzzer harnesses with clang in a build directory of
# their own (build-fuzz), then runs each harness for MINUTES minutes on a corpus seeded from the
# xBase fixtures and the regression inputs. Needs clang with libFuzzer (Debian: clang).
# An input that fails is left as crash-*/timeout-*/oom-* in build-fuzz/findings/<harness>: copy it into
# tests/fuzz/regressions/<harness>/ once fixed, so every test run replays it.
# Usage: scripts/fuzz.sh MINUTES [harness...]   (harnesses: tableAndMemo index keyExpression)
set -euo pipefail
cd "$(dirname "$0")/.."
minutes="${1:?usage: scripts/fuzz.sh MINUTES [harness...]}"
shift
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(tableAndMemo index keyExpression)
build=build-fuzz

if ! echo 'int main(){}' | clang++ -x c++ -fsanitize=fuzzer-no-link -o /dev/null - 2>/dev/null; then
  echo "clang++ with libFuzzer is needed (apt-get install clang)" >&2
  exit 2
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DCORVANE_FUZZ=ON -DCORVANE_SANITIZE=ON \
  -DCORVANE_TESTS=OFF -DCORVANE_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target fuzz_tableAndMemo fuzz_index fuzz_keyExpression

# Seeds: the fixtures as each harness reads them (a table input is a length-prefixed DBF and its DBT).
seed_dir() {
  local harness=$1 dir="$build/corpus/$1"
  mkdir -p "$dir"
  cp tests/fuzz/regressions/"$harness"/* "$dir"/ 2>/dev/null || true
  case "$harness" in
    tableAndMemo)
      for set in tests/fixtures/xbase/*/; do
        local dbf=$(ls "$set"*.dbf) dbt=$(ls "$set"*.dbt)
        python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(); m=open(sys.argv[2],"rb").read()[:65536]
sys.stdout.buffer.write(struct.pack("<I",len(d))+d+m)' "$dbf" "$dbt" >"$dir/seed-$(basename "$set")"
      done ;;
    index)
      for f in tests/fixtures/xbase/*/*.ntx; do cp "$f" "$dir/seed-$(basename "$(dirname "$f")")-$(basename "$f")"; done ;;
    keyExpression)
      for e in 'UPPER(NAME)' 'NAME+DTOS(IDATE)' 'STR(CNO,6)+UPPER(NAME)' 'DUE' 'IDATE' 'PAID' 'Str(DUE, 12, 2)'; do
        printf '%s' "$e" >"$dir/seed-$(printf '%s' "$e" | md5sum | cut -c1-8)"
      done ;;
  esac
}

for harness in "${harnesses[@]}"; do
  seed_dir "$harness"
  findings="$build/findings/$harness"
  mkdir -p "$findings"
  log="$build/fuzz-$harness.log"
  echo "== $harness: $minutes minutes (log: $log)"
  status=0
  "$build/tests/fuzz/fuzz_$harness" "$build/corpus/$harness" -max_total_time=$((minutes * 60)) \
    -max_len=262144 -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" \
    >"$log" 2>&1 || status=$?
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  cov=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1 || echo "?")
  echo "$harness: exit $status, executions $execs, $cov, corpus $(ls "$build/corpus/$harness" | wc -l) inputs"
  ls "$findings" | sed 's/^/  finding: /' || true
done

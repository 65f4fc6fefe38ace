#!/usr/bin/env bash
# Builds the fuzz targets with libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer and
# runs each over its corpus, then on new inputs:
#   fuzz.sh [INPUTS]        for INPUTS new inputs (default 200000)
#   fuzz.sh --seconds N     for N seconds (the test command's short run)
# Any finding fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --seconds ]; then
  [ -n "${2:-}" ] || { echo "usage: $0 [INPUTS | --seconds N]" >&2; exit 2; }
  limit=(-max_total_time="$2")
  what="$2 s"
else
  limit=(-runs="${1:-200000}")
  what="${1:-200000} inputs"
fi
# Every rejected input would be logged: the fuzzers run without the program's log.
export QT_LOGGING_RULES='sonavia.*=false'
cmake -S . -B build-fuzz -G Ninja -DSONAVIA_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j "$(nproc)"
# Everything a run writes (corpus copy, log, the fuzzers' scratch files) stays in one folder,
# removed however the script ends.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for source in fuzz/*_fuzzer.cpp; do
  name=$(basename "$source" .cpp)
  corpus_seed="fuzz/corpus/${name%_fuzzer}"
  work="$scratch/$name"
  mkdir -p "$work/corpus" "$work/tmp"
  [ -d "$corpus_seed" ] && cp -r "$corpus_seed/." "$work/corpus/"
  echo "== $name: its corpus, then $what"
  status=0
  TMPDIR="$work/tmp" ./build-fuzz/fuzz/"$name" "${limit[@]}" -max_len=4096 -seed=1 \
    -print_final_stats=1 "$work/corpus" >"$work/log" 2>&1 || status=$?
  grep -E "^(stat::number_of_executed_units|Done|==[0-9]+==ERROR|SUMMARY)" "$work/log" || true
  [ "$status" -eq 0 ] || tail -n 60 "$work/log"
  rm -rf "$work"
  if [ "$status" -ne 0 ]; then
    echo "$name: finding (exit $status)"
    exit 1
  fi
done

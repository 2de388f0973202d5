#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A clang build with AddressSanitizer, LeakSanitizer and UndefinedBehavior-
# Sanitizer runs the GIMP-free tests, then every libFuzzer target runs for
# FUZZ_SECONDS (20) from its committed seed corpus. New inputs the fuzzers
# find go to a temporary folder, never into the corpus.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-20}"
targets=(chain_bytes chain_syntax benchmark_list report_merge histogram jpeg results_table)

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTRANDEL_FUZZ=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target core_tests tools_tests strandel-chain native_tests strandel-bench strandel-report \
  "${targets[@]/#/fuzz_}" >/dev/null

# AiNet's every-pixel cross-check takes some 90 s under the sanitizers and
# runs no code the other AiNet cases do not; the plain build runs it.
(cd "$build" && ctest -R '^(core|tools|cli|native)\.' -E 'SameResultAndProgressAsPresentingEveryPixel' \
  -j"$(nproc)" --output-on-failure </dev/null)

found="$(mktemp -d)"
trap 'rm -rf "$found"' EXIT
for t in "${targets[@]}"; do
  mkdir -p "$found/$t"
  echo "fuzzing $t for $seconds s"
  # A failing input is printed (Base64) in the log tail; nothing lands in the tree.
  "$build/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$found/$t-" \
    "$found/$t" "$root/fuzz/corpus/$t" </dev/null 2>"$found/$t.log" || { tail -n 40 "$found/$t.log"; exit 1; }
  grep -E '^stat::number_of_executed_units' "$found/$t.log" || true
done

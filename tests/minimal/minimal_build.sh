#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The tools and the Python module built, as an ordinary user, in a Debian 12
# root that holds only the README's minimal package list
# (scripts/minimal-root.sh), installed with `cmake --install --prefix
# ~/.local`, then the sample benchmark run there: its reports and table
# must be the host build's, times apart; the module imports without
# PYTHONPATH and gives the table's values; a file only GEGL reads is refused
# saying so. Skipped (77) when not run as root or the root cannot be made.
# Usage: minimal_build.sh HOST_STRANDEL_BENCH
set -u
host_bench=$1
checkout="$(cd "$(dirname "$0")/../.." && pwd)"
[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root to make and enter the minimal root"; exit 77; }
started=$SECONDS
bash "$checkout/scripts/minimal-root.sh" --prepare || exit $?
echo "root ready in $((SECONDS - started)) s"
work=$(mktemp -d /tmp/strandel-minimal.XXXXXX) || exit 1
trap 'rm -rf "$work"' EXIT
chmod 777 "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
chains=(--chain "K-Means(10, 4)" --chain "AiNet; Fuzzy C-Means" --seed-each 1)
list="$checkout/samples/benchmark/sample.list"

# In the root, as builder: configure, build, install, run.
started=$SECONDS
bash "$checkout/scripts/minimal-root.sh" /bin/bash -c '
  set -e
  checkout=$1 work=$2
  shift 2
  list=${*: -1}
  # A build folder kept in the root for the same checkout only.
  build=$HOME/build
  if [ -f "$build/CMakeCache.txt" ] && ! grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$checkout" "$build/CMakeCache.txt"; then
    rm -rf "$build"
  fi
  cmake -S "$checkout" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTRANDEL_GIMP=OFF -DSTRANDEL_TESTS=OFF \
    >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; exit 1; }
  cmake --build "$build" -j"$(nproc)" >"$work/build.log" 2>&1 || { tail -n 40 "$work/build.log"; exit 1; }
  cmake --install "$build" --prefix "$HOME/.local" >"$work/install.log"
  cd "$work"
  strandel-bench "$@" --out "$work/min-{n}.txt" --table "$work/min.csv" 2>"$work/bench.err"
  strandel-report "$work/min.csv" --html "$work/min.html" 2>"$work/report.err"
  # A 16-bit PNG: GEGL alone reads it.
  python3 -c "import struct, sys, zlib
def chunk(kind, data): return struct.pack(\">I\", len(data)) + kind + data + struct.pack(\">I\", zlib.crc32(kind + data))
rows = b\"\".join(b\"\\0\" + b\"\\x12\\x34\" * 4 for _ in range(4))
sys.stdout.buffer.write(b\"\\x89PNG\\r\\n\\x1a\\n\" + chunk(b\"IHDR\", struct.pack(\">IIBBBBB\", 4, 4, 16, 0, 0, 0, 0))
  + chunk(b\"IDAT\", zlib.compress(rows)) + chunk(b\"IEND\", b\"\"))" >"$work/deep.png"
  strandel-chain "$work/deep.png" >/dev/null 2>"$work/deep.err" && exit 3
  python3 -c "import csv, sys, strandel
rows = list(strandel.bench(sys.argv[1], [\"K-Means(10, 4)\", \"AiNet; Fuzzy C-Means\"], seed_each=1))
table = list(csv.DictReader(open(sys.argv[2], newline=\"\")))
same = all(r[\"centres\"] == [float(c) for c in t[\"centres\"].split()] and r[\"turi\"] == float(t[\"turi\"])
           for r, t in zip(rows, table) if r[\"status\"] == \"ok\")
print(strandel.__version__, len(rows), len(table), \"same\" if same and len(rows) == len(table) else \"differ\")
print(strandel.__file__)" "$list" "$work/min.csv" >"$work/python.txt"
' _ "$checkout" "$work" "${chains[@]}" --list "$list"
status=$?
echo "built, installed and run in the root in $((SECONDS - started)) s"
[ "$status" -eq 0 ] || { fail "the build or run in the minimal root ended with $status"; cat "$work"/*.err 2>/dev/null; exit 1; }

"$host_bench" "${chains[@]}" --list "$list" --out "$work/host-{n}.txt" --table "$work/host.csv" 2>/dev/null ||
  fail "the host's run failed"
masked() { awk -F'\t' -v OFS='\t' '/^[0-9]/ { $3 = "-" } { print }' "$1"; }
untimed() { awk -F, -v OFS=, '{ if (NR > 1 && $1 !~ /"/) $7 = "-"; print }' "$1"; }
for n in 1 2; do
  diff <(masked "$work/host-$n.txt") <(masked "$work/min-$n.txt") >/dev/null ||
    fail "chain $n's report differs from the host build's"
done
python3 - "$work/host.csv" "$work/min.csv" <<'CHECK' || fail "the table differs from the host build's"
import csv, sys
host, minimal = (list(csv.reader(open(p, newline=""))) for p in sys.argv[1:])
for rows in (host, minimal):
    for row in rows[1:]:
        row[6] = "-"
assert host == minimal, (host, minimal)
CHECK
grep -q "<!DOCTYPE html>" "$work/min.html" || fail "no report page"
grep -q "made without GEGL" "$work/deep.err" || { fail "a 16-bit PNG was not refused for want of GEGL:"; cat "$work/deep.err"; }
grep -q " 12 12 same$" "$work/python.txt" || { fail "the module's rows differ from the table:"; cat "$work/python.txt"; }
grep -q "^/home/builder/.local/lib/python3" "$work/python.txt" || fail "the module was not imported from ~/.local"
[ "$failures" -eq 0 ] || exit 1
echo "the minimal build gives the host's results; $(head -n 1 "$work/python.txt")"

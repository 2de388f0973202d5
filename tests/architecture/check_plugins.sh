#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The GIMP plug-ins carry neither the command-line tools (option parser,
# GIMP launcher) nor the GEGL decoder, and do not link GEGL themselves
# (libgimp brings its own).
# Usage: check_plugins.sh PLUGIN...
set -u
failures=0
for plugin in "$@"; do
  name=$(basename "$plugin")
  symbols=$(nm -C "$plugin" 2>/dev/null)
  [ -n "$symbols" ] || { echo "FAIL: $name: nm shows no symbols"; failures=$((failures + 1)); continue; }
  found=$(grep -E 'parse_bench_options|bench_usage|run_bench_command|run_benchmark_in_gimp|start_gimp|script_fu_string|read_image_native|native_engine|gegl_' <<<"$symbols")
  if [ -n "$found" ]; then
    echo "FAIL: $name carries what it does not use:"
    echo "$found" | head -5
    failures=$((failures + 1))
  fi
  if readelf -d "$plugin" | grep NEEDED | grep -q 'libgegl'; then
    echo "FAIL: $name links GEGL"
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] && echo "$# plug-in(s) checked"
exit $((failures > 0))

#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The GIMP plug-ins carry neither the command-line tools (option parser,
# GIMP launcher) nor the GEGL decoder, and do not link GEGL themselves
# (libgimp brings its own). GIMP 3's plug-ins read pixels through GEGL
# buffers themselves (--gimp3): there only the decoder and the tools count.
# Usage: check_plugins.sh [--gimp3] PLUGIN...
set -u
failures=0
forbidden='parse_bench_options|bench_usage|run_bench_command|run_benchmark_in_gimp|start_gimp|script_fu_string|read_image_native|native_engine|gegl_'
gegl_allowed=false
if [ "${1:-}" = --gimp3 ]; then
  forbidden="${forbidden%|gegl_}"
  gegl_allowed=true
  shift
fi
for plugin in "$@"; do
  name=$(basename "$plugin")
  symbols=$(nm -C "$plugin" 2>/dev/null)
  [ -n "$symbols" ] || { echo "FAIL: $name: nm shows no symbols"; failures=$((failures + 1)); continue; }
  found=$(grep -E "$forbidden" <<<"$symbols")
  if [ -n "$found" ]; then
    echo "FAIL: $name carries what it does not use:"
    echo "$found" | head -5
    failures=$((failures + 1))
  fi
  if ! $gegl_allowed && readelf -d "$plugin" | grep NEEDED | grep -q 'libgegl'; then
    echo "FAIL: $name links GEGL"
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] && echo "$# plug-in(s) checked"
exit $((failures > 0))

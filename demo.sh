#!/bin/bash
# Installs what is missing, builds, and segments the sample image with the
# default chain (one AiNet pass) and with a K-Means + Fuzzy C-Means chain.
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" >/dev/null
chain="${BUILD_DIR:-$root/build}/strandel-chain"
sample="$root/samples/chain/sample.pgm"
echo "== default chain on $sample"
"$chain" "$sample"
echo "== 'AiNet; K-Means(10, 4); Fuzzy C-Means' on $sample"
"$chain" --chain 'AiNet; K-Means(10, 4); Fuzzy C-Means' "$sample"

#!/bin/bash
# Installs what is missing, builds, and segments the sample image with the
# default chain (one AiNet pass) and with a K-Means + Fuzzy C-Means chain.
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" >/dev/null
chain="${BUILD_DIR:-$root/build}/strandel-chain"
sample="$root/samples/chain/gradient.pgm"
echo "== default chain on $sample"
"$chain" "$sample"
echo "== 'K-Means(10, 3); Fuzzy C-Means' on $sample"
"$chain" --chain 'K-Means(10, 3); Fuzzy C-Means' "$sample"

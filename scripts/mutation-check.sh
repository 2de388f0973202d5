#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Injects the faults of scripts/mutants.txt one at a time into a scratch copy
# (build-mutation/), runs the fast test groups on each and prints the kill
# rate and the survivors. Options: scripts/mutation-check.sh --help
exec python3 "$(dirname "$0")/mutation_check.py" "$@"

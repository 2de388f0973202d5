# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the strandel-chain scripts of this directory, each run as
#   bash SCRIPT.sh PATH_TO_strandel-chain
# (this file's name does not end in .sh, so it is not a test itself).

tool="$1"
if [ -z "$tool" ] || [ ! -x "$tool" ]; then
    echo "usage: bash $0 PATH_TO_strandel-chain" >&2
    exit 2
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# histogram NAME LEVEL=COUNT...: writes 256 counts (0 where not given) to
# $work/NAME and prints the path.
histogram() {
    local file="$work/$1"
    shift
    awk -v given="$*" 'BEGIN {
        n = split(given, pairs, " ")
        for (i = 1; i <= n; i++) { split(pairs[i], kv, "="); c[kv[1]] = kv[2] }
        for (g = 0; g < 256; g++) print (g in c ? c[g] : 0)
    }' >"$file"
    echo "$file"
}

# lines TEXT...: one line per argument, "\t" standing for a tab.
lines() { printf '%b\n' "$@"; }

# run_tool ARGS...: sets $status, $out and $err.
run_tool() {
    out=$("$tool" "$@" 2>"$work/stderr")
    status=$?
    err=$(cat "$work/stderr")
}

report() {
    local what="$1" ok="$2" expected="$3"
    shift 3
    if [ "$ok" = yes ]; then
        echo "ok: $what"
        return
    fi
    failures=$((failures + 1))
    echo "FAIL: $what"
    echo "  command: strandel-chain $*"
    echo "  exit status: $status"
    echo "  expected:"
    printf '%s\n' "$expected" | sed 's/^/    /'
    echo "  got (stdout):"
    printf '%s\n' "$out" | sed 's/^/    /'
    [ -n "$err" ] && printf '  stderr: %s\n' "$err"
}

# expect_output WHAT EXPECTED ARGS...: exit status 0 and exactly EXPECTED on
# standard output.
expect_output() {
    local what="$1" expected="$2"
    shift 2
    run_tool "$@"
    local ok=no
    [ "$status" -eq 0 ] && [ "$out" = "$expected" ] && ok=yes
    report "$what" "$ok" "$expected" "$@"
}

# expect_start WHAT EXPECTED ARGS...: exit status 0 and standard output
# beginning with the lines EXPECTED.
expect_start() {
    local what="$1" expected="$2"
    shift 2
    run_tool "$@"
    local n ok=no
    n=$(printf '%s\n' "$expected" | wc -l)
    [ "$status" -eq 0 ] && [ "$(printf '%s\n' "$out" | head -n "$n")" = "$expected" ] && ok=yes
    report "$what" "$ok" "$expected (then the measures)" "$@"
}

# expect_failure WHAT STATUS MESSAGE ARGS...: that exit status, nothing on
# standard output, and MESSAGE within standard error.
expect_failure() {
    local what="$1" want="$2" message="$3"
    shift 3
    run_tool "$@"
    local ok=no
    [ "$status" -eq "$want" ] && [ -z "$out" ] && [[ "$err" == *"$message"* ]] && ok=yes
    report "$what" "$ok" "exit status $want, stderr containing: $message" "$@"
}

finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed"
        exit 1
    fi
    exit 0
}

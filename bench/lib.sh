# Shared helpers for bench/<name>/run scripts (source this file).
# SLATEBOX_BENCH_BUILD: the Release build tree; SLATEBOX_BENCH_WORK: a scratch folder for inputs.

# best_seconds N CMD...: the fastest wall time of N runs, in seconds (warm cache after the first).
best_seconds() {
    local runs=$1; shift
    local best="" t
    for ((i = 0; i < runs; i++)); do
        local start end
        start=$(date +%s.%N)
        "$@" >/dev/null
        end=$(date +%s.%N)
        t=$(echo "$end - $start" | bc -l)
        if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
    done
    printf '%.4f\n' "$best"
}

# peak_rss_mb CMD...: the peak resident set size of one run, in MB.
peak_rss_mb() {
    local kb
    kb=$( { /usr/bin/time -f '%M' "$@" >/dev/null; } 2>&1 >/dev/null | tail -n 1)
    printf '%.1f\n' "$(echo "$kb / 1024" | bc -l)"
}

# report NAME OURS PEER UNIT BUDGET: the one figure line of the benchmark convention.
report() {
    local name=$1 ours=$2 peer=$3 unit=$4 budget=$5
    local ratio
    ratio=$(echo "$ours / $peer" | bc -l)
    printf '%s: ours=%s%s peer=%s%s ratio=%.2f budget=%s\n' "$name" "$ours" "$unit" "$peer" "$unit" "$ratio" "$budget"
}

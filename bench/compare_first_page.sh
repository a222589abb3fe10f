#!/usr/bin/env bash
# Times the first page of a song nobody rendered ahead (BM_OpenAndRenderFirstPage)
# in two builds at once, each on a pair of CPUs of its own, the pairs swapped every
# round, and prints per document the medians, the ratio of the medians and the
# median of the rounds' own ratios. Run side by side, both builds meet the same
# moments of a shared or virtual machine, whose speed can wander by a quarter from
# one run to the next: alternating runs of one build against itself differ more
# than two renderers do. Not run by CI:
#   bench/compare_first_page.sh OLD/bench/tolvane_bench NEW/bench/tolvane_bench ROUNDS song.pdf... [sheet] [scan]
# `sheet` and `scan` are the benchmark's own six-page vector sheet and 300-dpi scan.
# CPUS="4-5 6-7" chooses the pairs; MIN_TIME (seconds of timed pages per run, 0.5).
set -eu
old=${1:?the older tolvane_bench}
new=${2:?the newer tolvane_bench}
rounds=${3:?rounds}
shift 3
read -r pairA pairB <<<"${CPUS:-4-5 6-7}"
export QT_QPA_PLATFORM=offscreen
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

one() { # bench cpus doc out
    local arg=0 pdf=()
    case $3 in
    sheet) ;;
    scan) arg=1 ;;
    *) pdf=(TOLVANE_BENCH_PDF="$(realpath "$3")") ;;
    esac
    taskset -c "$2" env "${pdf[@]}" "$1" --benchmark_filter="^BM_OpenAndRenderFirstPage/$arg/" \
        --benchmark_min_time="${MIN_TIME:-0.5}" --benchmark_format=csv 2>/dev/null |
        awk -F, '/OpenAndRender/ {print $3}' >"$4"
}

for r in $(seq "$rounds"); do
    for doc in "$@"; do
        if ((r % 2)); then co=$pairA cn=$pairB; else co=$pairB cn=$pairA; fi
        one "$old" "$co" "$doc" "$tmp/old" &
        one "$new" "$cn" "$doc" "$tmp/new"
        wait
        echo "$r $(basename "$doc") $(cat "$tmp/old") $(cat "$tmp/new") $(cut -d' ' -f1 /proc/loadavg)"
    done
done | tee "$tmp/rounds"

echo
awk '
function median(a, n,   i, j, t) {
    for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
}
NF == 5 && $3 > 0 && $4 > 0 {
    if (!($2 in n)) order[++docs] = $2
    k = ++n[$2]; o[$2, k] = $3; w[$2, k] = $4; q[$2, k] = $4 / $3
    if (lo == "" || $5 < lo) lo = $5
    if ($5 > hi) hi = $5
}
END {
    printf "%-28s %9s %9s %7s %7s %11s\n", "document", "old ms", "new ms", "ratio", "paired", "range"
    for (d = 1; d <= docs; d++) {
        doc = order[d]; m = n[doc]
        min = 1e9; max = 0
        for (i = 1; i <= m; i++) { a[i] = o[doc, i]; b[i] = w[doc, i]; c[i] = q[doc, i]; if (c[i] < min) min = c[i]; if (c[i] > max) max = c[i] }
        mo = median(a, m); mn = median(b, m)
        printf "%-28s %9.1f %9.1f %7.2f %7.2f %5.2f-%.2f\n", doc, mo, mn, mn / mo, median(c, m), min, max
    }
    printf "1-minute load average %s-%s\n", lo, hi
}' "$tmp/rounds"

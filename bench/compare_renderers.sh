#!/bin/sh
# Renders the same pages of a PDF at the same pixel size with this program's
# renderer and with the stand-alone renderers `mutool draw` (mupdf-tools) and
# `pdftoppm` (poppler-utils), and prints milliseconds per page and the ratio
# to the fastest stand-alone one. Not run by CI; run it with every change to
# the renderer:
#   bench/compare_renderers.sh build/rel/bench/tolvane_bench song.pdf [958x1055]
# A stand-alone figure is the time of one process drawing the page 31
# times (a copy of the PDF holding the page 31 times, made with
# `mutool merge`) less that of one drawing it once, over 30: the render
# alone, without the process start and the opening (mutool keeps what it
# decoded of a page for its repeats, so its figure is a lower bound).
set -eu
bench=${1:?tolvane_bench path}
pdf=${2:?a PDF file}
size=${3:-958x1055}
w=${size%x*}
h=${size#*x}
pages=$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')
[ "$pages" -gt 6 ] && pages=6
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

now_ms() { date +%s%N | awk '{printf "%.3f", $1 / 1000000}'; }
# Median of five runs of a command, in ms.
median_ms() {
    for _ in 1 2 3 4 5; do
        t0=$(now_ms)
        "$@" >/dev/null 2>&1
        t1=$(now_ms)
        echo "$t1 - $t0" | bc
    done | sort -n | sed -n 3p
}

ours=$(TOLVANE_BENCH_PDF="$pdf" TOLVANE_BENCH_SIZE="$size" QT_QPA_PLATFORM=offscreen \
    "$bench" --benchmark_filter='BM_RenderPageOfFile' --benchmark_format=csv 2>/dev/null |
    awk -F, '/BM_RenderPageOfFile\/[0-9]/ {gsub(/"/, "", $1); split($1, n, "/"); if ($3 > 0) printf "%s=%s\n", n[2], $3}')

# Per-page ms of a renderer: $1 is a command taking the file and the last page.
per_page() {
    one=$(median_ms "$@" "$tmp/once.pdf" 1)
    many=$(median_ms "$@" "$tmp/many.pdf" 31)
    echo "scale=2; ($many - $one) / 30" | bc
}
draw_mutool() { mutool draw -q -w "$w" -h "$h" -F ppm -o /dev/null "$1" "1-$2"; }
draw_poppler() { pdftoppm -r 72 -scale-to-x "$w" -scale-to-y "$h" -f 1 -l "$2" "$1" "$tmp/p"; rm -f "$tmp"/p*; }

printf '%-5s %10s %10s %10s %8s\n' page tolvane mutool pdftoppm ratio
for p in $(seq 1 "$pages"); do
    mine=$(echo "$ours" | awk -F= -v p="$p" '$1 == p {printf "%.2f", $2}')
    mutool merge -o "$tmp/once.pdf" "$pdf" "$p"
    mutool merge -o "$tmp/many.pdf" "$pdf" "$(yes "$p" | head -31 | paste -sd,)"
    m=$(per_page draw_mutool)
    pp=$(per_page draw_poppler)
    best=$(printf '%s\n%s\n' "$m" "$pp" | sort -n | head -1)
    ratio=$(echo "scale=2; ${mine:-0} / $best" | bc 2>/dev/null || echo '?')
    printf '%-5s %10s %10s %10s %8s\n' "$p" "${mine:-?}" "$m" "$pp" "$ratio"
done

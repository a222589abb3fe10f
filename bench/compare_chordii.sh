#!/bin/sh
# Times what a user would otherwise run on Debian to turn ChordPro songs into
# PDF files: `chordii` (PostScript, with its chord grids) then `ps2pdf`
# (ghostscript), one song at a time, beside this program's own figures.
# Not run by CI:
#   bench/compare_chordii.sh build/rel/bench/tolvane_bench
# Prints the median ms of one three-page song of twenty chords (five runs),
# then the total for a tab of 200 such songs, and our BM_PdfExport figures.
set -eu
bench=${1:?tolvane_bench path}
command -v chordii >/dev/null || { echo "chordii is not installed" >&2; exit 1; }
command -v ps2pdf >/dev/null || { echo "ps2pdf is not installed" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

chords="C D E F G A B Am Bm Cm Dm Em Fm Gm C7 D7 E7 G7 A7 B7"
song() {
    printf '{title: %s}\n{st: The Band}\n' "$1"
    i=0
    while [ $i -lt 30 ]; do
        a=$(echo $chords | cut -d' ' -f$(( (2 * i) % 20 + 1 )))
        b=$(echo $chords | cut -d' ' -f$(( (2 * i + 1) % 20 + 1 )))
        printf '[%s]Walking down the road at [%s]night, the city lights are shining\n' "$a" "$b"
        i=$((i + 1))
    done
}
song "Night Road" > "$tmp/song.cho"

now_ms() { date +%s%N | awk '{printf "%.3f", $1 / 1000000}'; }
one() { chordii -o "$tmp/song.ps" "$tmp/song.cho" 2>/dev/null && ps2pdf "$tmp/song.ps" "$tmp/song.pdf"; }

runs=""
for _ in 1 2 3 4 5; do
    t0=$(now_ms); one; t1=$(now_ms)
    runs="$runs $(echo "$t1 $t0" | awk '{printf "%.1f", $1 - $2}')"
done
median=$(echo $runs | tr ' ' '\n' | sort -n | sed -n 3p)
echo "chordii + ps2pdf, one song: ${median} ms median, $(stat -c %s "$tmp/song.pdf") bytes, $(pdfinfo "$tmp/song.pdf" 2>/dev/null | awk '/^Pages:/ {print $2}') pages"

t0=$(now_ms)
n=0
while [ $n -lt 200 ]; do one; n=$((n + 1)); done
t1=$(now_ms)
echo "chordii + ps2pdf, 200 songs: $(echo "$t1 $t0" | awk '{printf "%.0f", $1 - $2}') ms"

"$bench" --benchmark_filter='BM_PdfExportSong' --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
"$bench" --benchmark_filter='BM_PdfExportTab'

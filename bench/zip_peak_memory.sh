#!/bin/bash
# Peak resident memory of "vornzip create" archiving one 1 GB file (the
# writer keeps at most a few scratch pages in memory and swaps the rest),
# measured with /usr/bin/time -v beside "zip -6" on the same file.
#
# usage: bench/zip_peak_memory.sh [VORNZIP] [SIZE_MB]
#   VORNZIP  default: build/release/tools/vornzip
#   SIZE_MB  default: 1024
# Goal: peak_rss_kb below 65536 (64 MB).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
vornzip=$(realpath "${1:-$here/../build/release/tools/vornzip}")
size_mb=${2:-1024}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 "$here/make_zip_bench_data.py" "$work/data" "$size_mb" BIG.DB
echo "source: $(du -m "$work/data/BIG.DB" | cut -f1) MB"

peak() { # command... -> "seconds peak_kb"
  /usr/bin/time -v -o "$work/t" "$@" >/dev/null 2>&1
  awk -F': ' '/Elapsed/ { t = $2 } /Maximum resident/ { m = $2 } END { print t, m }' "$work/t"
}
read -r vz_t vz_kb < <(peak env VORN_MACHINE="$work/no-machine" TMPDIR="$work" "$vornzip" create "$work/v.zip" "$work/data" '*.*')
read -r zip_t zip_kb < <(cd "$work/data" && peak zip -6 -q "$work/i.zip" BIG.DB)
printf '%-16s %12s %14s %14s\n' "" "elapsed" "peak RSS (KB)" "archive bytes"
printf '%-16s %12s %14s %14s\n' "vornzip create" "$vz_t" "$vz_kb" "$(stat -c %s "$work/v.zip")"
printf '%-16s %12s %14s %14s\n' "zip -6" "$zip_t" "$zip_kb" "$(stat -c %s "$work/i.zip")"
echo "peak_rss_kb $vz_kb"
[ "$vz_kb" -lt 65536 ] && echo "within 64 MB" || echo "ABOVE 64 MB"

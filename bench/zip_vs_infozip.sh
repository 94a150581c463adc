#!/bin/bash
# vornzip against Info-ZIP on one generated ~200 MB data folder, side by side
# in one run: create time and archive size against "zip -6 -r", and the
# speed of "vornzip test" against "unzip -t" on the same archive.
#
# usage: bench/zip_vs_infozip.sh [VORNZIP] [SIZE_MB]
#   VORNZIP  default: build/release/tools/vornzip
#   SIZE_MB  default: 200
# Goals: create_time_vs_zip6 <= 1.5, create_size_vs_zip6 <= 1.05,
#        test_speed_vs_unzip >= 1.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
vornzip=$(realpath "${1:-$here/../build/release/tools/vornzip}")
size_mb=${2:-200}
for tool in zip unzip /usr/bin/python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 "$here/make_zip_bench_data.py" "$work/data" "$size_mb"
echo "data folder: $(du -sm "$work/data" | cut -f1) MB in $(ls "$work/data" | wc -l) files"

seconds() { # command... -> elapsed seconds on stdout, command output discarded
  /usr/bin/time -f %e -o "$work/t" "$@" >/dev/null 2>&1
  cat "$work/t"
}
# Warm the page cache so both sides read from memory.
cat "$work"/data/* >/dev/null

zip_s=$(cd "$work/data" && seconds zip -6 -r -q "$work/infozip.zip" .)
vz_s=$(seconds env VORN_MACHINE="$work/no-machine" "$vornzip" create "$work/vornzip.zip" "$work/data" '*.*')
zip_b=$(stat -c %s "$work/infozip.zip")
vz_b=$(stat -c %s "$work/vornzip.zip")
unzip_s=$(seconds unzip -tq "$work/vornzip.zip")
vt_s=$(seconds env VORN_MACHINE="$work/no-machine" "$vornzip" test "$work/vornzip.zip")

printf '%-26s %10s %14s\n' "" "seconds" "bytes"
printf '%-26s %10s %14s\n' "zip -6 -r" "$zip_s" "$zip_b"
printf '%-26s %10s %14s\n' "vornzip create" "$vz_s" "$vz_b"
printf '%-26s %10s\n' "unzip -t (our archive)" "$unzip_s"
printf '%-26s %10s\n' "vornzip test" "$vt_s"
awk -v a="$vz_s" -v b="$zip_s" 'BEGIN { printf "ratio create_time_vs_zip6 %.3f\n", a / (b > 0 ? b : 0.001) }'
awk -v a="$vz_b" -v b="$zip_b" 'BEGIN { printf "ratio create_size_vs_zip6 %.4f\n", a / b }'
awk -v a="$unzip_s" -v b="$vt_s" 'BEGIN { printf "ratio test_speed_vs_unzip %.3f\n", a / (b > 0 ? b : 0.001) }'

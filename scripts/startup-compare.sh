#!/usr/bin/env bash
# Compares the time until Quillon's window is mapped with the time a bare Qt window of the same
# size takes, side by side on the same X display (an Xvfb of its own when none is set), and
# prints both medians and their ratio; exits 1 when the ratio exceeds 1.3.
# Usage: scripts/startup-compare.sh [QUILLON_EXECUTABLE]   (default: build/src/app/quillon)
#   RUNS  runs of each program (15)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=$(realpath "${1:-$root/build/src/app/quillon}")
runs="${RUNS:-15}"
if [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a -s '-screen 0 1280x1024x24' "$0" "$exe"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cc -O2 -o "$work/probe" "$root/scripts/startup-probe.c" -lX11
# shellcheck disable=SC2046
c++ -O2 -std=c++20 -fPIC -o "$work/bare" "$root/scripts/bare-window.cpp" \
  $(pkg-config --cflags --libs Qt6Widgets)
# Quillon starts from a folder of its own with the sample library, as installed.
mkdir "$work/quillon"
cp "$exe" "$work/quillon/quillon"
cp "$root/data/Korvane.mat" "$root/data/korcolor.mat" "$work/quillon/"
export LC_NUMERIC=en_US.UTF-8

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
bare=() quillon=()
"$work/probe" "$work/bare" >/dev/null           # warm the caches once
"$work/probe" "$work/quillon/quillon" >/dev/null
for ((i = 0; i < runs; i++)); do
  bare+=("$("$work/probe" "$work/bare")")
  quillon+=("$("$work/probe" "$work/quillon/quillon")")
done
b=$(printf '%s\n' "${bare[@]}" | median)
q=$(printf '%s\n' "${quillon[@]}" | median)
ratio=$(awk -v q="$q" -v b="$b" 'BEGIN { printf "%.2f", q / b }')
printf 'bare Qt window  %8.1f ms (median of %d)\nQuillon         %8.1f ms\nratio           %8s (goal 1.3)\n' \
  "$b" "$runs" "$q" "$ratio"
awk -v r="$ratio" 'BEGIN { exit !(r <= 1.3) }'

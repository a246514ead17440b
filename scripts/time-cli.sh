#!/usr/bin/env bash
# Times whole runs of the command line, start to exit, on a library of 999 materials made from
# the sample library, and an import of a 100-material pyroomacoustics database. Uses hyperfine
# when installed, otherwise a loop of 30 runs (median).
# Usage: scripts/time-cli.sh [QUILLON_EXECUTABLE]   (default: build/src/app/quillon)
# NO_HYPERFINE=1 uses the loop even where hyperfine is installed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=$(realpath "${1:-$root/build/src/app/quillon}")
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT

# The sample's lines over and over, each with its own number, so the library reads cleanly.
python3 - "$root/data" "$folder" <<'PY'
import sys
from pathlib import Path
data, out = Path(sys.argv[1]), Path(sys.argv[2])
materials = (data / "Korvane.mat").read_bytes().split(b"\r\n")[:-1]
colors = (data / "korcolor.mat").read_bytes().split(b"\r\n")[:-1]
(out / "Korvane.mat").write_bytes(b"".join(
    b"%3d" % n + materials[n % len(materials)][3:] + b"\r\n" for n in range(999)))
(out / "korcolor.mat").write_bytes(b"".join(
    colors[n % len(colors)] + b"\r\n" for n in range(999)))
PY

# A pyroomacoustics database of 100 materials in 6 octaves, 125 Hz to 4 kHz.
python3 - "$folder/database.json" <<'PY'
import json, sys
entries = {f"m{n}": {"description": f"Datasheet material {n}",
                     "coeffs": [round(0.01 * ((n + b) % 100), 2) for b in range(6)]}
           for n in range(100)}
json.dump({"center_freqs": [125, 250, 500, 1000, 2000, 4000],
           "absorption": {"Datasheets": entries}, "scattering": {}}, open(sys.argv[1], "w"))
PY

# Imports write a copy of the library, from what export wrote.
target="$folder/target"
mkdir "$target"
cp "$folder/Korvane.mat" "$folder/korcolor.mat" "$target/"
"$exe" export --format csv "$folder" > "$folder/library.csv"
"$exe" export --format json "$folder" > "$folder/library.json"

commands=("check $folder" "ratings $folder" "export --format csv $folder"
          "export --format json $folder" "import --format csv $folder/library.csv $target"
          "import --format json $folder/library.json $target"
          "import --format pyroomacoustics --replace $folder/database.json $target")
"$exe" check "$folder" | tail -n 1

if [ -z "${NO_HYPERFINE:-}" ] && command -v hyperfine >/dev/null; then
  hyperfine -N --warmup 3 --runs 30 --style basic \
    "${commands[@]/#/$exe }" 2>&1 | grep -E '^(Benchmark|  Time|  Range)'
  exit 0
fi
for command in "${commands[@]}"; do
  samples=()
  for _ in $(seq 30); do
    start=$(date +%s%N)
    # shellcheck disable=SC2086
    "$exe" $command >/dev/null
    samples+=($(( $(date +%s%N) - start )))
  done
  median=$(printf '%s\n' "${samples[@]}" | sort -n | sed -n 15p)
  awk -v c="$command" -v ns="$median" 'BEGIN { printf "%-40s median %6.1f ms\n", c, ns / 1e6 }'
done

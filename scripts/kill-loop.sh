#!/usr/bin/env bash
# Two writers on one library folder, each saving its own two libraries in turn. Every round
# starts both, kills them at a random moment, and then judges the folder as the next start
# would: recovery under the lock, then the pair and the .bak pair must each be one library
# whole.
# Usage: scripts/kill-loop.sh [ROUNDS] [LIBRARY_WRITER]   (two kills a round; default 200)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-200}
writer=$(realpath "${2:-$root/build/tests/library/library_writer}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/library"

declare -A count
note() { count[$1]=$(( ${count[$1]:-0} + 1 )); }
saves() { grep -c '^saved' "$work/$1.log"; }
whose() { case $1 in whole:1*) echo "first writer's" ;; whole:2*) echo "second writer's" ;; *) echo "$1" ;; esac; }

for ((round = 1; round <= rounds; ++round)); do
    "$writer" "$work/library" loop 11 12 >"$work/a.log" 2>/dev/null &
    a=$!
    "$writer" "$work/library" loop 21 22 >"$work/b.log" 2>/dev/null &
    b=$!
    sleep "0.$(printf '%03d' $((RANDOM % 150 + 20)))"
    # Even rounds kill both at once, in the middle of whatever they overlap in; odd rounds kill
    # one and let the other go on alone, which must not be held up by the dead one's lock.
    if ((round % 2 == 0)); then
        kill -9 "$a" "$b"
        wait "$a" "$b" 2>/dev/null
    else
        if ((round % 4 == 1)); then first=$a; second=$b; survivor=b; else first=$b; second=$a; survivor=a; fi
        kill -9 "$first"
        wait "$first" 2>/dev/null
        before=$(saves $survivor)
        sleep 0.2
        (($(saves $survivor) > before)) && note "survivor saved after the first kill"
        kill -9 "$second"
        wait "$second" 2>/dev/null
    fi
    grep -q '^failed' "$work/a.log" "$work/b.log" && note "rounds with a save that failed"
    read -r pair _ bak _ recovery < <("$writer" "$work/library" judge 11 12 21 22)
    note "pair $(whose "$pair")"
    note "bak pair $(whose "$bak")"
    note "recovery $recovery"
done

echo "rounds: $rounds, kills: $((2 * rounds))"
for key in "${!count[@]}"; do echo "$key: ${count[$key]}"; done | sort
bad=$(( ${count["pair mixed"]:-0} + ${count["pair missing"]:-0} + ${count["bak pair mixed"]:-0} ))
echo "pairs not whole: $bad"
((bad == 0))

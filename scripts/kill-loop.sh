#!/usr/bin/env bash
# Two writers on one library folder, each saving its own two libraries in turn. Every round
# starts both, kills them at a random moment, and then judges the folder as the next start
# would: recovery under the lock, then the pair and the .bak pair must each be one library
# whole.
# Usage: scripts/kill-loop.sh [ROUNDS] [TST_FAULTS]   (two kills a round; default 200 rounds)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-200}
writer=$(realpath "${2:-$root/build/tests/library/tst_faults}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
seeds=(11 12 21 22)
for seed in "${seeds[@]}"; do
    mkdir "$work/$seed" && echo | "$writer" --writer "$work/$seed" save "$seed" >/dev/null
done
mkdir "$work/library"

declare -A count
note() { count[$1]=$((${count[$1]:-0} + 1)); }
saves() { grep -c '^saved' "$work/$1.log"; }
# Whose whole pair the two files are: "first writer's" (seeds 1x), "second writer's" (2x),
# or "mixed", or "missing".
whose() {
    for seed in "${seeds[@]}"; do
        if cmp -s "$1" "$work/$seed/Korvane.mat" && cmp -s "$2" "$work/$seed/korcolor.mat"; then
            [[ $seed == 1* ]] && echo "first writer's" || echo "second writer's"
            return
        fi
    done
    [[ -e $1 && -e $2 ]] && echo mixed || echo missing
}

for ((round = 1; round <= rounds; ++round)); do
    "$writer" --writer "$work/library" loop 11 12 >"$work/a.log" 2>/dev/null &
    a=$!
    "$writer" --writer "$work/library" loop 21 22 >"$work/b.log" 2>/dev/null &
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
    case $("$writer" --writer "$work/library" recover) in
    *"did not complete"*) note "recovery: dropped a save cut before its commit" ;;
    *"has now been completed"*) note "recovery: completed a committed save" ;;
    "read "[0-9]*" ") note "recovery: nothing to do" ;;
    *) note "recovery: failed or busy" ;;
    esac
    lib=$work/library
    note "pair: $(whose "$lib/Korvane.mat" "$lib/korcolor.mat")"
    note "bak pair: $(whose "$lib/Korvane.mat.bak" "$lib/korcolor.mat.bak")"
done

echo "rounds: $rounds, kills: $((2 * rounds))"
for key in "${!count[@]}"; do echo "$key: ${count[$key]}"; done | sort
bad=$((${count["pair: mixed"]:-0} + ${count["pair: missing"]:-0} + ${count["bak pair: mixed"]:-0}))
echo "pairs not whole: $bad"
((bad == 0))

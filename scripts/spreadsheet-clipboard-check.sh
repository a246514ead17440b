#!/bin/bash
# Round trip through the real X clipboard with Gnumeric and LibreOffice Calc under Xvfb, each in
# an English and a German locale: the table's copy of three materials (names with quotes and
# accents, swatches, ten values) is pasted into an empty sheet, copied back there and pasted
# onto three other materials by the table's paste (scripts/spreadsheet-probe.cpp). A run passes
# when the names and values come back as they left, no dialog opened, and the spreadsheet held
# numbers (its own text shows them in its format, not as the table's "0.010").
# Needs gnumeric, libreoffice-calc, xvfb, xdotool, xclip, imagemagick (import) and the locales.
# Usage: scripts/spreadsheet-clipboard-check.sh [build dir] [output dir]
set -u
here=$(cd "$(dirname "$0")" && pwd)
src=$(dirname "$here")
build=${1:-$src/build}
out=${2:-/tmp/spreadsheet-clipboard-check}
work=/tmp/spreadsheet-clipboard-check.$$
display=:48
mkdir -p "$out" "$work"

cmake --build "$build" --target quillon_table >/dev/null || exit 1
g++ -std=c++20 -O1 -fPIC -I"$src/src/table" -I"$src/src/library" \
    $(pkg-config --cflags Qt6Widgets) "$here/spreadsheet-probe.cpp" \
    "$build/src/table/libquillon_table.a" "$build/src/library/libquillon_library.a" \
    $(pkg-config --libs Qt6Widgets) -o "$work/probe" || exit 1
probe() { "$work/probe" "$1" "$src/data"; }

start_gnumeric() {
    LC_ALL=$1 LANG=$1 setsid dbus-run-session -- gnumeric >"$work/app.log" 2>&1 &
    window=(--class gnumeric)
}
start_calc() {
    local profile=$work/profile-$1
    mkdir -p "$profile/user"
    cat >"$profile/user/registrymodifications.xcu" <<'XCU'
<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="ShowTipOfTheDay" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="FirstRun" oor:op="fuse"><value>false</value></prop></item>
</oor:items>
XCU
    LC_ALL=$1 LANG=$1 SAL_USE_VCLPLUGIN=gen setsid soffice -env:UserInstallation=file://$profile \
        --calc --norestore --nologo >"$work/app.log" 2>&1 &
    window=(--name "LibreOffice Calc")
}
windows() { xdotool search --onlyvisible --name . 2>/dev/null | sort; }
named() { for id in "$@"; do xdotool getwindowname "$id"; done | tr '\n' ';'; }

failed=0
: >"$out/summary.txt"
for app in gnumeric calc; do
    for locale in en_US.UTF-8 de_DE.UTF-8; do
        run=$app-${locale%%_*}
        Xvfb $display -screen 0 1280x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
        xvfb=$!
        export DISPLAY=$display XDG_RUNTIME_DIR=$work
        sleep 1
        "start_$app" "$locale"
        spreadsheet=$!
        for _ in $(seq 60); do
            xdotool search --onlyvisible "${window[@]}" >/dev/null 2>&1 && break
            sleep 1
        done
        sleep 3
        before=$(windows)

        probe offer >"$out/$run-offered.txt" 2>"$work/offer.log" &
        offer=$!
        for _ in $(seq 20); do [ "$(wc -l <"$out/$run-offered.txt")" -ge 3 ] && break; sleep 0.5; done
        sleep 1
        xdotool windowfocus --sync "$(xdotool search --onlyvisible "${window[@]}" | tail -1)"
        xdotool key ctrl+Home; sleep 0.3; xdotool key ctrl+v; sleep 3
        after=$(windows)
        import -window root -crop 900x200+0+0 "$out/$run-pasted.png"
        xdotool key ctrl+Home; sleep 0.3
        for _ in $(seq 11); do xdotool key shift+Right; done
        xdotool key shift+Down shift+Down; sleep 0.3
        xdotool key ctrl+c; sleep 2
        xclip -selection clipboard -t UTF8_STRING -o >"$out/$run-spreadsheet-text.txt" 2>/dev/null
        probe read >"$out/$run-read.txt" 2>"$work/read.log"
        kill "$offer" 2>/dev/null
        kill -- -"$spreadsheet" 2>/dev/null
        sleep 2
        kill "$xvfb" 2>/dev/null
        wait "$xvfb" 2>/dev/null

        verdict=PASS
        why=""
        if ! diff <(head -3 "$out/$run-offered.txt") <(head -3 "$out/$run-read.txt") >/dev/null; then
            verdict=FAIL; why+=" values or names differ;"
        fi
        opened=$(comm -13 <(echo "$before") <(echo "$after"))
        if [ -n "$opened" ]; then verdict=FAIL; why+=" a window opened: $(named $opened)"; fi
        if grep -q '0\.010' "$out/$run-spreadsheet-text.txt" || [ ! -s "$out/$run-spreadsheet-text.txt" ]; then
            verdict=FAIL; why+=" the spreadsheet did not hold numbers;"
        fi
        [ $verdict = PASS ] || failed=1
        {
            echo "== $run: $verdict$why"
            echo "-- offered"; cat "$out/$run-offered.txt"
            echo "-- the spreadsheet's own text of the block"; cat "$out/$run-spreadsheet-text.txt"; echo
            echo "-- read back"; cat "$out/$run-read.txt"
        } >>"$out/summary.txt"
    done
done
cat "$out/summary.txt"
rm -rf "$work"
exit $failed

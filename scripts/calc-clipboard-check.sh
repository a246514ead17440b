#!/bin/bash
# Checks the clipboard against LibreOffice Calc under Xvfb, in an English and a German locale:
#  a) a block offered as text and SYLK (scripts/clipboard-probe.cpp) is pasted into Calc and
#     copied back, to see what Calc holds;
#  b) a block typed into Calc (decimal commas in German, a text, seven decimals) is copied, its
#     clipboard flavours dumped and read as a paste would read them.
# Needs libreoffice-calc, xvfb, xdotool, xclip, imagemagick (import) and the locales.
# Usage: scripts/calc-clipboard-check.sh [build dir] [output dir]
set -u
here=$(cd "$(dirname "$0")" && pwd)
src=$(dirname "$here")
build=${1:-$src/build}
out=${2:-/work/briefs/calc}
work=/tmp/calc-clipboard-check.$$
display=:47
sylk='application/x-openoffice-sylk;windows_formatname="Sylk"'
mkdir -p "$out" "$work"

cmake --build "$build" --target quillon_table >/dev/null || exit 1
g++ -std=c++20 -O1 -fPIC -I"$src/src/table" -I"$src/src/library" \
    $(pkg-config --cflags Qt6Widgets) "$here/clipboard-probe.cpp" \
    "$build/src/table/libquillon_table.a" "$build/src/library/libquillon_library.a" \
    $(pkg-config --libs Qt6Widgets) -o "$work/clipboard-probe" || exit 1

Xvfb $display -screen 0 1280x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
export DISPLAY=$display XDG_RUNTIME_DIR=$work
sleep 1

clip() { xclip -selection clipboard -t "$1" -o 2>/dev/null; }
dump() { # name: every flavour of interest of the clipboard as it is now
    clip TARGETS >"$out/$1-targets.txt"
    clip "$sylk" >"$out/$1-sylk.txt"
    clip UTF8_STRING >"$out/$1-text.txt"
    clip application/x-libreoffice-tsvc >"$out/$1-tsvc.txt"
    clip text/html >"$out/$1-html.txt"
}
namebox() { # selects a range through Calc's Name Box
    xdotool mousemove 60 89 click 1; sleep 0.3
    xdotool key ctrl+a; xdotool type --delay 40 "$1"; xdotool key Return; sleep 0.5
}
shot() { import -window root -crop 700x160+0+80 "$out/$1.png"; }

for locale in en_US.UTF-8 de_DE.UTF-8; do
    tag=${locale%%_*}
    profile=$work/profile-$tag
    mkdir -p "$profile/user"
    cat >"$profile/user/registrymodifications.xcu" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="ShowTipOfTheDay" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="FirstRun" oor:op="fuse"><value>false</value></prop></item>
</oor:items>
EOF
    LC_ALL=$locale LANG=$locale SAL_USE_VCLPLUGIN=gen setsid soffice \
        -env:UserInstallation=file://$profile --calc --norestore --nologo >"$work/soffice-$tag.log" 2>&1 &
    calc=$!
    for _ in $(seq 60); do
        xdotool search --name "LibreOffice Calc" >/dev/null 2>&1 && break
        sleep 1
    done
    sleep 3

    # a) Quillon -> Calc -> clipboard
    "$work/clipboard-probe" offer >"$work/offer-$tag.log" 2>&1 &
    probe=$!
    for _ in $(seq 20); do grep -q ready "$work/offer-$tag.log" && break; sleep 0.5; done
    dump "$tag-a-offered"
    xdotool key ctrl+Home; sleep 0.3; xdotool key ctrl+v; sleep 3
    shot "$tag-a-calc-after-paste"
    namebox A1:C2; xdotool key ctrl+c; sleep 1.5
    dump "$tag-a-calc-holds"
    kill "$probe" 2>/dev/null

    # b) Calc -> clipboard -> what a paste reads
    if [ "$tag" = de ]; then typed=$'0,25\t-0,05\t1.234,5\tabc\t0,1234567\n'
    else typed=$'0.25\t-0.05\t1,234.5\tabc\t0.1234567\n'; fi
    namebox A5; xdotool type --delay 40 "$typed"; sleep 0.5
    namebox A5:E5; xdotool key ctrl+c; sleep 1.5
    dump "$tag-b-calc-copy"
    shot "$tag-b-calc-typed"
    "$work/clipboard-probe" read >"$out/$tag-b-paste-reads.txt" 2>/dev/null

    kill -- -"$calc" 2>/dev/null
    sleep 2
done
kill "$xvfb" 2>/dev/null

{
    for tag in en de; do
        echo "== $tag: a) offered SYLK"; cat "$out/$tag-a-offered-sylk.txt"
        echo "== $tag: a) Calc holds after the paste (its SYLK, then its text)"
        cat "$out/$tag-a-calc-holds-sylk.txt"; cat "$out/$tag-a-calc-holds-text.txt"
        echo "== $tag: b) Calc offers (SYLK, then text)"
        cat "$out/$tag-b-calc-copy-sylk.txt"; cat "$out/$tag-b-calc-copy-text.txt"
        echo "== $tag: b) a paste reads"; grep -v '^formats' "$out/$tag-b-paste-reads.txt"
    done
} >"$out/summary.txt"
cat "$out/summary.txt"
rm -rf "$work"

#!/usr/bin/env bash
# The Debian package as a person gets it: built by cpack from the build
# tree's CPack configuration, its control fields and dependencies, its files
# unpacked with dpkg -x into a private root, and the unpacked program started
# through bin/zorvane until its main window appears, then File > Exit.
#
# Usage: package_deb.sh <cpack> <CPackConfig.cmake> <folder with the install rules> <source tree>
#                       <the program's desktop id>
# cpack installs only the folder that holds the install rules: the whole
# build tree's preinstall step would re-check every target (10 to 20 s here)
# while other tests run.
source "$(dirname "$0")/../e2e/lib.sh"
cpack=$1 config=$2 rules=$3 source_tree=$4 app_id=$5

work=$(mktemp -d /tmp/zorvane-package.XXXXXX)
root=$work/root
e2e_start package "$root/usr/bin/zorvane"
trap 'e2e_stop; rm -rf "$work"' EXIT

# That folder must hold every install rule of the build tree.
elsewhere=$(find "$(dirname "$config")" -name cmake_install.cmake ! -path "$rules/*" \
                 ! -path '*/_CPack_Packages/*' -exec grep -l 'file(INSTALL' {} +)
[[ -z $elsewhere ]] || e2e_fail "install rules outside $rules, not in the tested package: $elsewhere"

e2e_log "cpack"
"$cpack" -G DEB --config "$config" -B "$work/out" \
    -D "CPACK_INSTALL_CMAKE_PROJECTS=$rules;Zorvane;ALL;/" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; e2e_fail "cpack could not build the package"; }
# Nothing to warn about on the way.
! grep -i 'warning' "$work/cpack.log" || e2e_fail "cpack warned while building the package"
# Named for the architecture it is built on, as Debian names it.
deb_name=zorvane_1.0_$(dpkg --print-architecture).deb
deb=$work/out/$deb_name
[[ -f $deb ]] || e2e_fail "no $deb_name in: $(ls "$work/out")"

e2e_log "lintian"
# Debian's own checker: no error and no warning (informational tags may stay).
lintian=$(lintian --fail-on error,warning "$deb" 2>"$work/lintian-stderr")
status=$?
[[ -z $lintian ]] || e2e_log "$lintian"
[[ $status == 0 ]] && ! grep -q '^[EW]: ' <<<"$lintian" \
    || e2e_fail "lintian (exit $status): $lintian $(cat "$work/lintian-stderr")"

e2e_log "control fields"
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == zorvane ]] || e2e_fail "package name: $(field Package)"
[[ $(field Version) == 1.0 ]] || e2e_fail "version: $(field Version)"
[[ $(field Architecture) == "$(dpkg --print-architecture)" ]] || e2e_fail "architecture: $(field Architecture)"
for name in Maintainer Section Description; do
    [[ -n $(field "$name") ]] || e2e_fail "no $name field"
done
# The synopsis is the Description line itself; the text below it must not
# open with it again.
description=$(field Description)
synopsis=$(head -n1 <<<"$description")
first_line=$(sed -n '2{s/^ *//;p}' <<<"$description")
[[ $first_line != "$synopsis" ]] || e2e_fail "the description repeats its synopsis: $synopsis"
recommends=$(field Recommends)
for package in qt6-wayland fonts-dejavu-core fonts-dejavu-extra; do
    [[ ", $recommends," =~ ,\ $package[\ ,] ]] || e2e_fail "Recommends does not name $package: $recommends"
done
# The private folder is not on the library path: no maintainer script, so
# no ldconfig call, which is all CPack would put there.
scripts=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -vx -e '' -e control -e md5sums)
[[ -z $scripts ]] || e2e_fail "the package brings control files besides control and md5sums: $scripts"
depends=$(field Depends)
e2e_log "Depends: $depends"
# Each runtime library the program or the converter links must be named as
# a package of its own, not merely as part of a longer name.
for package in libqt6widgets6 libqt6gui6 libqt6core6 libqt6printsupport6 libturbojpeg0; do
    [[ ", $depends," =~ ,\ $package[\ ,] ]] || e2e_fail "Depends does not name $package: $depends"
done

e2e_log "files"
dpkg -x "$deb" "$root" || e2e_fail "dpkg -x failed"
# Debian's folder of the package's private libraries.
private=usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/zorvane
doc=usr/share/doc/zorvane
icons=usr/share/icons/hicolor
icon_sizes=(32 48 64 128 256)
expected=(
    usr/bin/zorvane
    "$private/libBmp2Jpeg.so"
    "$private/zorvane"
    "$doc/copyright"
    "$doc/changelog.gz"
    usr/share/man/man1/zorvane.1.gz
    "usr/share/applications/$app_id.desktop"
    "usr/share/metainfo/$app_id.metainfo.xml"
    "$icons/scalable/apps/zorvane.svg"
)
for size in "${icon_sizes[@]}"; do
    expected+=("$icons/${size}x${size}/apps/zorvane.png")
done
actual=$(cd "$root" && find . ! -type d -printf '%P\n' | LC_ALL=C sort)
wanted=$(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)
[[ $actual == "$wanted" ]] || e2e_fail "the package's files differ from the expected ones:
$(diff <(echo "$wanted") <(echo "$actual"))"

[[ -x $root/$private/zorvane && ! -L $root/$private/zorvane ]] || e2e_fail "$private/zorvane is not an executable file"
[[ -f $root/$private/libBmp2Jpeg.so && ! -L $root/$private/libBmp2Jpeg.so ]] || e2e_fail "$private/libBmp2Jpeg.so is not a file"
[[ -L $root/usr/bin/zorvane ]] || e2e_fail "usr/bin/zorvane is not a symbolic link"
link=$(readlink "$root/usr/bin/zorvane")
[[ $link != /* ]] || e2e_fail "usr/bin/zorvane points to an absolute path: $link"
[[ $(readlink -f "$root/usr/bin/zorvane") == "$(readlink -f "$root/$private/zorvane")" ]] \
    || e2e_fail "usr/bin/zorvane does not lead to $private/zorvane: $link"

e2e_log "copyright and changelog"
copyright=$root/$doc/copyright
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$copyright" \
    || e2e_fail "the copyright file is not in the machine-readable format"
# The licence text the package states is the one at the top of the source
# tree: the stand-alone paragraph opened by "License: MIT", its lines
# unindented, " ." standing for a blank line.
stated=$(awk -v RS= '/^License: MIT\n/' "$copyright" | sed '1d;s/^ //;s/^\.$//')
licence_body=$(sed '1,/^Copyright/d' "$source_tree/LICENSE" | sed '1{/^$/d}')
[[ $stated == "$licence_body" ]] || e2e_fail "the copyright file's MIT text differs from LICENSE:
$(diff <(echo "$licence_body") <(echo "$stated"))"
# The newest changelog entry is this version, compressed as Debian's tools
# do it: the highest level, and no file name or time stamp in the header.
changelog=$root/$doc/changelog.gz
gzip -dc "$changelog" >"$work/changelog" || e2e_fail "changelog.gz does not uncompress"
logged=$(dpkg-parsechangelog -l "$work/changelog" -S Version) || e2e_fail "the changelog does not parse"
[[ $logged == "$(field Version)" ]] || e2e_fail "the changelog's newest version is $logged, the package's $(field Version)"
header=$(od -An -tu1 -N10 "$changelog" | tr -s ' ')
[[ $header == " 31 139 8 0 0 0 0 0 2 3" ]] || e2e_fail "changelog.gz is not compressed with gzip -9n: header$header"

e2e_log "desktop entry and AppStream metadata"
desktop=$root/usr/share/applications/$app_id.desktop
problems=$(desktop-file-validate "$desktop" 2>&1) && [[ -z $problems ]] \
    || e2e_fail "desktop-file-validate: $problems"
# The entry starts the program and shows the icon by the names installed.
grep -qx 'Exec=zorvane' "$desktop" || e2e_fail "the desktop entry does not run zorvane"
grep -qx 'Icon=zorvane' "$desktop" || e2e_fail "the desktop entry does not name the icon zorvane"
# A menu's search looks through the name, generic name, comment and
# keywords, whatever the case.
searched=$(grep -E '^(Name|GenericName|Comment|Keywords)=' "$desktop" | cut -d= -f2- | tr ';' '\n')
for query in astrology firdaria; do
    grep -qiF "$query" <<<"$searched" || e2e_fail "a menu search for '$query' does not find the entry"
done
# Software centres: the metadata passes Debian's checker alone and with the
# installed tree around it (its launchable desktop entry must be there),
# with no error or warning; its id is the desktop entry's name.
metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
for check in "validate --no-net $metainfo" "validate-tree --no-net $root"; do
    # shellcheck disable=SC2086
    report=$(appstreamcli $check 2>&1)
    status=$?
    [[ $status == 0 ]] && ! grep -qE '^ *[EW]: ' <<<"$report" || e2e_fail "appstreamcli $check: $report"
done
[[ $(grep -o '<id>[^<]*</id>' "$metainfo") == "<id>$app_id</id>" ]] \
    || e2e_fail "the metadata's id is not $app_id: $(grep '<id>' "$metainfo")"
# Its newest release is this version, of the changelog's date.
release=$(grep -m1 -o '<release [^>]*>' "$metainfo")
released=$(date -u -d "$(dpkg-parsechangelog -l "$work/changelog" -S Date)" +%F)
[[ $release == "<release version=\"$(field Version)\" date=\"$released\">" ]] \
    || e2e_fail "the newest release in the metadata is $release; the package is $(field Version) of $released"

for size in "${icon_sizes[@]}"; do
    icon=$root/$icons/${size}x${size}/apps/zorvane.png
    measured=$(identify -format '%m %wx%h' "$icon" 2>/dev/null)
    [[ $measured == "PNG ${size}x${size}" ]] || e2e_fail "icon ${size}x${size} is '$measured'"
done
svg=$root/$icons/scalable/apps/zorvane.svg
grep -q '<svg' "$svg" || e2e_fail "the scalable icon is not an SVG image"

e2e_log "in a terminal without a display"
# Each run has a HOME and runtime folder of its own, which must stay empty:
# answering in a terminal takes no lock and writes no setting.
terminal_home=$work/terminal
terminal() {
    rm -rf "$terminal_home" && mkdir -p "$terminal_home/runtime" && chmod 700 "$terminal_home/runtime"
    env -u DISPLAY -u WAYLAND_DISPLAY -u WAYLAND_SOCKET -u QT_QPA_PLATFORM \
        HOME="$terminal_home" XDG_CONFIG_HOME="$terminal_home/config" XDG_RUNTIME_DIR="$terminal_home/runtime" \
        "$@" >"$work/stdout" 2>"$work/stderr"
    status=$?
    out=$(<"$work/stdout") err=$(<"$work/stderr")
    left=$(find "$terminal_home" -mindepth 1 ! -path "$terminal_home/runtime")
    [[ -z $left ]] || e2e_fail "$* left files behind: $left"
}
terminal "$root/usr/bin/zorvane" --version
[[ $status == 0 && $out == "Zorvane $(field Version)" && -z $err ]] \
    || e2e_fail "--version: exit $status, '$out', '$err'"
terminal "$root/usr/bin/zorvane" --help
[[ $status == 0 && -z $err ]] || e2e_fail "--help: exit $status, '$err'"
for option in -h --help -v --version; do
    grep -qe "[ ,]$option\b" <<<"$out" || e2e_fail "--help does not describe $option: $out"
done
help=$out
# One sentence that a graphical session is needed, exit code 1, and no abort
# (Qt's own, 134, would leave a core dump behind).
sentence='Zorvane needs a graphical session (X11 or Wayland) and could not find one.'
terminal "$root/usr/bin/zorvane"
[[ $status == 1 && $err == "$sentence" && -z $out ]] || e2e_fail "no display: exit $status, '$err'"
# A display that is named but cannot be reached (a stale DISPLAY over SSH):
# Qt says which, and the program ends the same way.
terminal env DISPLAY="$work/no-x-server:0" "$root/usr/bin/zorvane"
[[ $status == 1 && $(tail -n1 <<<"$err") == "$sentence" ]] \
    || e2e_fail "unreachable display: exit $status, '$err'"
# Qt's own options keep working: the offscreen platform needs no display,
# and the program starts on it (it takes its lock, and runs on).
rm -rf "$terminal_home" && mkdir -p "$terminal_home/runtime" && chmod 700 "$terminal_home/runtime"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    HOME="$terminal_home" XDG_CONFIG_HOME="$terminal_home/config" XDG_RUNTIME_DIR="$terminal_home/runtime" \
    "$root/usr/bin/zorvane" -platform offscreen >"$work/offscreen.log" 2>&1 &
offscreen=$!
E2E_APPS="${E2E_APPS:-} $offscreen"
# Its start is done once it has written its settings (a first start stores
# the reminder's date) and waits for events, idle in poll.
started_and_idle() {
    e2e_ended "$offscreen" && return 1
    [[ -s $terminal_home/runtime/zorvane.lock && -s $terminal_home/config/Zorvane/Zorvane.conf ]] \
        && [[ $(cat "/proc/$offscreen/wchan" 2>/dev/null) == *poll* ]]
}
e2e_wait_for started_and_idle \
    || e2e_fail "-platform offscreen: the program did not start, or ended: $(cat "$work/offscreen.log")"
kill "$offscreen" && wait "$offscreen"

e2e_log "the manual page"
manual=$root/usr/share/man/man1/zorvane.1.gz
rendered=$(MANWIDTH=80 man --warnings -l "$manual" 2>"$work/man-warnings") || e2e_fail "man -l could not show zorvane(1)"
[[ ! -s $work/man-warnings ]] || e2e_fail "man --warnings: $(cat "$work/man-warnings")"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES ENVIRONMENT 'EXIT STATUS'; do
    grep -qx "$section" <<<"$rendered" || e2e_fail "zorvane(1) has no section $section"
done
# Every option the program describes is in the manual page's options, and
# every installed file it names is one the package brings.
options=$(sed -n '/^OPTIONS$/,/^[A-Z]/p' <<<"$rendered")
for option in $(grep -E '^ +-' <<<"$help" | sed -E 's/^ +//; s/  .*//; s/, / /g'); do
    grep -qe "[ ,]$option\b" <<<"$options" || e2e_fail "zorvane(1) does not describe $option"
done
for path in $(grep -oE '/usr/[A-Za-z0-9_./-]*[A-Za-z0-9_]' <<<"$rendered" | sort -u); do
    [[ -e $root$path || -L $root$path ]] || e2e_fail "zorvane(1) names $path, which the package does not bring"
done

e2e_log "the unpacked program, started through usr/bin/zorvane"
# Qt finds its own folder through /proc/self/exe, the link's target: the
# converter beside the real program is found, or the program would say a
# required file is missing instead of showing its main window.
e2e_launch "$root/usr/bin/zorvane"
app=$E2E_PID
if ! main=$(e2e_wait_window "$app" '^Zorvane v1\.0$'); then
    [[ -n $(e2e_windows "$app" '^Zorvane$') ]] && e2e_fail "the program showed a message instead of its main window"
    e2e_fail "the main window did not appear"
fi
[[ $(readlink -f "/proc/$app/exe") == "$(readlink -f "$root/$private/zorvane")" ]] \
    || e2e_fail "the running program is $(readlink -f "/proc/$app/exe")"
e2e_shot main-window
# X11 desktops tie the window to the desktop entry by its class.
wm_class=$(grep -m1 '^StartupWMClass=' "$desktop" | cut -d= -f2-)
xprop -id "$main" WM_CLASS | grep -q "\"$wm_class\"$" \
    || e2e_fail "the window's class is not the desktop entry's $wm_class: $(xprop -id "$main" WM_CLASS)"
e2e_key "$main" alt+f x
e2e_wait_exit "$app" || e2e_fail "File > Exit did not end the program"
[[ $E2E_EXIT == 0 ]] || e2e_fail "the program ended with $E2E_EXIT"
echo "PASS"

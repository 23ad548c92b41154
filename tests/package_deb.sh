#!/usr/bin/env bash
# Builds the .deb from a built tree, checks its metadata, its files and its dependencies, unpacks
# it into a scratch root (the system is never touched), then starts the unpacked program the way
# the menu entry does: from the entry's Path= folder under a virtual full-HD screen with a window
# manager. The title screen must show the seal in its emblem label, and closing the window must
# end the program with exit code 0.
#   package_deb.sh <build-dir> <xclose> <version> <screenshot.png>
set -euo pipefail
source "$(dirname "$0")/xsession.sh"
build=$1 xclose=$2 version=$3 screenshot=$4

own_process_group "$@"
start_x_server

scratch=$(mktemp -d)
pid=""
cleanup() {
    [[ -n "$pid" ]] && kill "$pid" 2>/dev/null
    rm -rf "$scratch"
}
fail() {
    echo "FAIL: $*"
    exit 1
}

# --- the package -------------------------------------------------------------------------------
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack did not build the package"; }
debs=("$scratch"/out/*.deb)
[[ ${#debs[@]} -eq 1 && -f "${debs[0]}" ]] || fail "expected one .deb, got: ${debs[*]}"
deb=${debs[0]}
echo "package: $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[[ "$(field Package)" == tavelin ]] || fail "Package is '$(field Package)'"
[[ "$(field Version)" == "$version" ]] || fail "Version is '$(field Version)', the project is $version"
[[ "$(field Architecture)" == "$(dpkg --print-architecture)" ]] || fail "Architecture is '$(field Architecture)'"
for name in Maintainer Section Description; do
    [[ -n "$(field "$name")" ]] || fail "the package has no $name"
done

depends=$(field Depends)
echo "Depends: $depends"
# Package names only: alternatives and version constraints dropped.
depends_names=" $(sed -E 's/\([^)]*\)//g; s/[,|]/ /g' <<<"$depends" | xargs) "
for runtime in libqt5widgets5 libqt5printsupport5 libqcustomplot2.1 libasound2; do
    [[ "$depends_names" == *" $runtime "* ]] || fail "Depends does not name $runtime"
done

# Exactly these files, under /usr: a file missing leaves a screen blank or the menu without the
# program; a file too many (a test, the core library) does not belong on a lecturer's machine.
expected=(
    ./usr/bin/tavelin
    ./usr/share/applications/tavelin.desktop
    ./usr/share/icons/hicolor/256x256/apps/tavelin.png
    ./usr/share/tavelin/I.png
    ./usr/share/tavelin/I@2x.png
    ./usr/share/tavelin/L.png
    ./usr/share/tavelin/L@2x.png
    ./usr/share/tavelin/Lh.png
    ./usr/share/tavelin/Lh@2x.png
    ./usr/share/tavelin/P.png
    ./usr/share/tavelin/P@2x.png
    ./usr/share/tavelin/belkor.jpg
    ./usr/share/tavelin/belkor@2x.jpg
    ./usr/share/tavelin/dorvin.png
    ./usr/share/tavelin/dorvin@2x.png
    ./usr/share/tavelin/kelmar.png
    ./usr/share/tavelin/kelmar@2x.png
    ./usr/share/tavelin/trisa.jpg
    ./usr/share/tavelin/trisa@2x.jpg
)
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort >"$scratch/files"
printf '%s\n' "${expected[@]}" | sort >"$scratch/expected"
diff -u "$scratch/expected" "$scratch/files" || fail "the package's files differ from the list above (- expected, + packaged)"
echo "files: ${#expected[@]}, as expected"
dpkg-deb -c "$deb" | awk '$2 != "root/root" {print; bad=1} END {exit bad}' || fail "files not owned by root"

# --- unpacked into a scratch root --------------------------------------------------------------
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
program="$root/usr/bin/tavelin"

# Every library the program links must come from a package that Depends names, or a machine
# without the build dependencies would install a program that does not start.
for soname in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    path=$(ldd "$program" | awk -v so="$soname" '$1 == so {print $3}')
    [[ -n "$path" && "$path" != "not" ]] || fail "$soname is not found on this machine"
    # With merged /usr a library lies under both /lib and /usr/lib; dpkg knows one of them.
    owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "${path#/usr}" 2>/dev/null || dpkg -S "/usr$path" 2>/dev/null) ||
        fail "no package owns $path"
    owner=${owner%%:*}
    [[ "$depends_names" == *" $owner "* ]] || fail "$soname comes from $owner, which Depends does not name"
done

# The dependencies are satisfiable here: apt resolves them without installing anything else.
apt-get -s -o Debug::NoLocking=1 install "$deb" >"$scratch/apt.log" 2>&1 ||
    { cat "$scratch/apt.log"; fail "apt cannot satisfy the package's dependencies"; }
others=$(awk '/^Inst / && $2 != "tavelin"' "$scratch/apt.log")
[[ -z "$others" ]] || fail "installing would also need: $others"

# --- the menu entry ----------------------------------------------------------------------------
entry="$root/usr/share/applications/tavelin.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the menu entry"
key() { sed -n "s/^$1=//p" "$entry"; }
exec_line=$(key Exec) path=$(key Path) icon=$(key Icon)
exec_program=${exec_line%% *}
exec_program=${exec_program//\"/}
echo "menu entry: Exec=$exec_line Path=$path Icon=$icon"
[[ "$exec_program" == /usr/bin/tavelin ]] || fail "the menu entry starts '$exec_program', not the installed program"
[[ "$path" == /usr/share/tavelin ]] || fail "the menu entry starts the program in '$path', not in its images folder"
[[ -f "$root$path/kelmar.png" ]] || fail "the menu entry's folder $path holds no images"
[[ -f "$root/usr/share/icons/hicolor/256x256/apps/$icon.png" ]] || fail "no icon '$icon' in the hicolor theme"

# --- the installed program, started as the menu starts it --------------------------------------
openbox >/dev/null 2>&1 &
cd "$root$path"
"$root$exec_program" &
pid=$!

wait_for_full_screen_window "$pid" || fail "the window did not fill the screen (saw '${geometry}')"

# The seal is drawn into a 140 × 140 label in the upper left quarter of the title screen. Every
# pixel that differs from the screen's light blue is marked, and the marks are grouped into
# connected shapes: text gives letter-sized shapes, the seal one round shape of about 134 px.
seal=""
for _ in $(seq 50); do
    import -window root "$screenshot"
    shapes=$(convert "$screenshot" -crop 960x540+0+0 +repage -fuzz 4% -transparent 'rgb(224,235,255)' \
        -alpha extract -define connected-components:verbose=true -connected-components 8 null:) ||
        fail "cannot read the screenshot $screenshot"
    # Lines: "id: WxH+X+Y centroid area colour"; the round seal covers about π/4 of its box.
    seal=$(awk '$NF == "gray(255)" && !found { split($2, box, /[x+]/); w = box[1]; h = box[2];
                if (w >= 120 && w <= 140 && h >= 120 && h <= 140 && $4 >= 0.7 * w * h) { print $2 " " $4; found = 1 } }' \
        <<<"$shapes")
    [[ -n "$seal" ]] && break
    sleep 0.1
done
[[ -n "$seal" ]] || fail "no emblem on the title screen (see $screenshot)"
echo "emblem on the title screen: ${seal% *}, ${seal#* } pixels drawn"

"$xclose" MainWindow
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program did not end when its window was closed"
status=0
wait "$pid" || status=$?
pid=""
echo "exit code $status"
exit "$status"

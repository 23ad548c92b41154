#!/usr/bin/env bash
# Builds the .deb from a built tree; lintian must find nothing to warn about, and AppStream must
# accept its software-centre listing. Checks its metadata, its files and its dependencies, unpacks
# it into a scratch root (the system is never touched), then starts the unpacked command from a
# folder of no importance under a virtual full-HD screen with a window manager, as a user typing
# tavelin in a terminal does. The title screen must show the seal in its emblem label, which the
# program finds only in the pictures' folder, and closing the window must end the program with
# exit code 0.
#   package_deb.sh <build-dir> <xdesktop> <version> <screenshot.png>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/xsession.sh"
build=$1 xdesktop=$2 version=$3 screenshot=$4

own_process_group "$@"
start_x_server

scratch=$(mktemp -d)
pid=""
cleanup() {
    [[ -n "$pid" ]] && kill "$pid" 2>/dev/null
    rm -rf "$scratch"
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

# Debian's own checks: policy (copyright, changelog, manual page, permissions, stripping, the
# menu entry, the listing) without a single error or warning. Its output stays in the test's log.
lintian --fail-on error,warning --display-info "$deb" >"$scratch/lintian.log" 2>&1 ||
    { cat "$scratch/lintian.log"; fail "lintian reports errors or warnings"; }
cat "$scratch/lintian.log"
echo "lintian: no error, no warning"

depends=$(field Depends)
echo "Depends: $depends"
# Package names only: alternatives and version constraints dropped.
depends_names=" $(sed -E 's/\([^)]*\)//g; s/[,|]/ /g' <<<"$depends" | xargs) "

# Exactly these files, under /usr: a file missing leaves a screen blank, the menu without the
# program or the package without its licence; a file too many (a test, the core library) does
# not belong on a lecturer's machine. Double-resolution pictures are expected beside the eight
# when images/ has them.
id=invalid.tavelin.Tavelin
pictures=(I.png L.png Lh.png P.png belkor.jpg dorvin.png kelmar.png trisa.jpg)
expected=(
    ./usr/bin/tavelin
    ./usr/lib/tavelin/tavelin
    "./usr/share/applications/$id.desktop"
    ./usr/share/doc/tavelin/changelog.gz
    ./usr/share/doc/tavelin/copyright
    "./usr/share/icons/hicolor/256x256/apps/$id.png"
    ./usr/share/man/man1/tavelin.1.gz
    "./usr/share/metainfo/$id.metainfo.xml"
)
sources=$(cd "$(dirname "$0")/.." && pwd)
for picture in "${pictures[@]}"; do
    expected+=("./usr/share/tavelin/$picture")
    for hidpi in "${picture%.*}@2x.${picture##*.}" "${picture%.*}@2x.png"; do
        [[ -f "$sources/images/$hidpi" ]] && expected+=("./usr/share/tavelin/$hidpi")
    done
done
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort >"$scratch/files"
printf '%s\n' "${expected[@]}" | sort -u >"$scratch/expected"
diff -u "$scratch/expected" "$scratch/files" || fail "the package's files differ from the list above (- expected, + packaged)"
echo "files: $(wc -l <"$scratch/files"), as expected"
dpkg-deb -c "$deb" | awk '$2 != "root/root" {print; bad=1} END {exit bad}' || fail "files not owned by root"

# --- unpacked into a scratch root --------------------------------------------------------------
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
program="$root/usr/lib/tavelin/tavelin"

# Every library the program links, and Qt PrintSupport that each chart needs, must come from a
# package that Depends names, or a machine without the build dependencies would install a
# program that does not start. On Debian 13 a library's package may be a t64 one that Provides
# the old name: Depends may name either.
libraries=$(ldd "$program")
sonames=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'; awk '$1 ~ /^libQt[0-9]PrintSupport/ {print $1}' <<<"$libraries")
[[ "$sonames" == *PrintSupport* ]] || fail "the program's charts load no Qt PrintSupport"
for soname in $sonames; do
    path=$(awk -v so="$soname" '$1 == so {print $3}' <<<"$libraries")
    [[ -n "$path" && "$path" != "not" ]] || fail "$soname is not found on this machine"
    # With merged /usr a library lies under both /lib and /usr/lib; dpkg knows one of them.
    owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "${path#/usr}" 2>/dev/null || dpkg -S "/usr$path" 2>/dev/null) ||
        fail "no package owns $path"
    owner=${owner%%:*}
    provides=$(dpkg-query -W -f='${Provides}' "$owner" | sed -E 's/\([^)]*\)//g; s/,/ /g')
    named=""
    for name in $owner $provides; do
        [[ "$depends_names" == *" $name "* ]] && named=$name
    done
    [[ -n "$named" ]] || fail "$soname comes from $owner, which Depends does not name"
done

# The dependencies are satisfiable here: apt resolves them without installing anything else.
apt-get -s -o Debug::NoLocking=1 install "$deb" >"$scratch/apt.log" 2>&1 ||
    { cat "$scratch/apt.log"; fail "apt cannot satisfy the package's dependencies"; }
others=$(awk '/^Inst / && $2 != "tavelin"' "$scratch/apt.log")
[[ -z "$others" ]] || fail "installing would also need: $others"

# --- the documents, the listing and the menu entry ---------------------------------------------
changes=$(zcat "$root/usr/share/doc/tavelin/changelog.gz" | dpkg-parsechangelog -l - -S Version)
[[ "$changes" == "$version" ]] || fail "the changelog's last entry is $changes, the package $version"
listing="$root/usr/share/metainfo/$id.metainfo.xml"
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli rejects the listing"
# Each screenshot of the listing is one of the README's, by name.
for url in $(sed -n 's/.*<image[^>]*>\(.*\)<\/image>.*/\1/p' "$listing"); do
    [[ -f "$sources/docs/screenshots/${url##*/}" ]] || fail "the listing shows $url, which docs/screenshots lacks"
done
grep -q "<release version=\"$version\"" "$listing" || fail "the listing has no release $version"

entry="$root/usr/share/applications/$id.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the menu entry"
key() { sed -n "s/^$1=//p" "$entry"; }
exec_line=$(key Exec) icon=$(key Icon)
exec_program=${exec_line%% *}
exec_program=${exec_program//\"/}
echo "menu entry: Exec=$exec_line Icon=$icon"
# The menu starts what a terminal starts: the command, which finds the pictures itself.
[[ "$exec_program" == /usr/bin/tavelin ]] || fail "the menu entry starts '$exec_program', not the installed command"
[[ -f "$root/usr/share/icons/hicolor/256x256/apps/$icon.png" ]] || fail "no icon '$icon' in the hicolor theme"

# --- the installed command, typed in some other folder ------------------------------------------
start_window_manager
mkdir "$scratch/elsewhere"
cd "$scratch/elsewhere"
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
    # Lines: "id: WxH+X+Y centroid area colour", the marked colour white (ImageMagick 6 names it
    # gray(255), ImageMagick 7 srgb(255,255,255)); the round seal covers about π/4 of its box.
    seal=$(awk '$NF ~ /^(gray\(255\)|srgb\(255,255,255\))$/ && !found { split($2, box, /[x+]/); w = box[1]; h = box[2];
                if (w >= 120 && w <= 140 && h >= 120 && h <= 140 && $4 >= 0.7 * w * h) { print $2 " " $4; found = 1 } }' \
        <<<"$shapes")
    [[ -n "$seal" ]] && break
    sleep 0.1
done
[[ -n "$seal" ]] || fail "no emblem on the title screen (see $screenshot)"
echo "emblem on the title screen: ${seal% *}, ${seal#* } pixels drawn"

"$xdesktop" close MainWindow
wait_for_end "$pid" || fail "the program did not end when its window was closed"
status=0
wait "$pid" || status=$?
pid=""
echo "exit code $status"
exit "$status"

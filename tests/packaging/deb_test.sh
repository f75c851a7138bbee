#!/usr/bin/env bash
# Builds the two .debs and checks what each holds and depends on, the desktop
# entry and the AppStream file, and that both programs run from the unpacked
# packages and find their data in the installed share folder.
#   deb_test.sh BUILD_FOLDER
set -euo pipefail

build="$(cd "$1" && pwd)"
for tool in cpack dpkg-deb xvfb-run appstreamcli desktop-file-validate; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done
fail() { echo "FAIL: $*"; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/quillon-deb-XXXXXX")"
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null)
tag="$(ls "$work"/out/quillon-tag_*.deb)"
window="$(ls "$work"/out/quillon_*.deb)"
files() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ { sub("^\\./", "", $6); print $6 }' | sort | xargs; }

[ "$(files "$tag")" = "usr/bin/quillon-tag usr/share/man/man1/quillon-tag.1" ] \
  || fail "quillon-tag holds: $(files "$tag")"
[ "$(files "$window")" = "usr/bin/quillon usr/share/applications/example.brambleworth.quillon.desktop\
 usr/share/icons/hicolor/scalable/apps/quillon.svg usr/share/metainfo/example.brambleworth.quillon.metainfo.xml\
 usr/share/quillon/done.wav usr/share/quillon/yarrow.html" ] || fail "quillon holds: $(files "$window")"
! dpkg-deb -f "$tag" Depends | grep -Ei 'libqt6(gui|widgets)|libx11|libxcb|libgl|libegl' \
  || fail "quillon-tag depends on the desktop's libraries"
dpkg-deb -f "$tag" Recommends | grep -qw ca-certificates || fail "quillon-tag does not recommend ca-certificates"
! dpkg-deb -f "$window" Depends | grep -w quillon-tag || fail "quillon depends on quillon-tag"

# The command-line tool runs on its own.
root="$work/root"
dpkg-deb -x "$tag" "$root"
version="$("$root/usr/bin/quillon-tag" --version)"
[ "$version" = "quillon-tag 1.0.0" ] || fail "--version says '$version'"

# With the window beside it, it finds the help page through the share folder beside its bin folder.
dpkg-deb -x "$window" "$root"
"$root/usr/bin/quillon-tag" --help | grep -qF "The help page: $root/usr/share/quillon/yarrow.html" \
  || fail "the installed quillon-tag does not find its help page"
desktop-file-validate "$root/usr/share/applications/example.brambleworth.quillon.desktop"
appstreamcli validate-tree --no-net "$root" >/dev/null || appstreamcli validate-tree --no-net "$root"

# The window starts and keeps running. Qt loads its plugins at run time, where the
# library scan cannot see them: each one loaded comes from a package quillon depends
# on, apart from extra picture formats, read because they are installed.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME"
plugins="$(QT_QPA_PLATFORM=xcb xvfb-run -a sh -c '"$0" & sleep 4; cat "/proc/$!/maps"; kill $!' \
  "$root/usr/bin/quillon" 2>/dev/null | grep -o '/[^ ]*/qt6/plugins/[^ ]*\.so' | sort -u)" \
  || fail "quillon did not keep running for 4 seconds"
grep -q /platforms/ <<<"$plugins" || fail "quillon loaded no platform plugin"
for plugin in $plugins; do
  package="$(dpkg -S "$plugin" | cut -d: -f1)" || fail "$plugin belongs to no package"
  [ "$package" = qt6-image-formats-plugins ] || dpkg-deb -f "$window" Depends | grep -qE "(^|, )$package( |,|$)" \
    || fail "quillon loads $plugin from $package, which it does not depend on"
done
echo "PASS: $(basename "$tag") and $(basename "$window") install and run"

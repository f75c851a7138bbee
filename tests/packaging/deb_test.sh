#!/usr/bin/env bash
# Builds the .deb, unpacks it into a temporary root, and checks that both
# programs run from there and find their data in the installed share folder.
#   deb_test.sh BUILD_FOLDER
set -euo pipefail

build="$(cd "$1" && pwd)"
for tool in cpack dpkg-deb xvfb-run; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/quillon-deb-XXXXXX")"
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null)
deb="$(ls "$work"/out/quillon_*.deb)"
dpkg-deb -x "$deb" "$work/root"
root="$work/root"

for file in usr/bin/quillon usr/bin/quillon-tag usr/share/quillon/done.wav usr/share/quillon/yarrow.html \
            usr/share/applications/quillon.desktop usr/share/icons/hicolor/scalable/apps/quillon.svg \
            usr/share/man/man1/quillon-tag.1; do
  [ -e "$root/$file" ] || { echo "FAIL: $file is not in the package"; exit 1; }
done

version="$("$root/usr/bin/quillon-tag" --version)"
[ "$version" = "quillon-tag 1.0.0" ] || { echo "FAIL: --version says '$version'"; exit 1; }

# The installed program finds its help page through the share folder beside its bin folder.
help="$("$root/usr/bin/quillon-tag" --help)"
grep -qF "The help page: $root/usr/share/quillon/yarrow.html" <<<"$help" \
  || { echo "FAIL: the installed quillon-tag does not find its help page"; exit 1; }

# The desktop program starts and keeps running until it is stopped.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME"
set +e
QT_QPA_PLATFORM=xcb timeout 5 xvfb-run -a "$root/usr/bin/quillon" >/dev/null 2>&1
status=$?
set -e
[ "$status" -eq 124 ] || { echo "FAIL: quillon ended with status $status within 5 seconds"; exit 1; }
echo "PASS: $(basename "$deb") installs and runs"

#!/usr/bin/env bash
# Runs scripts/screenshots against a build folder and checks that every picture
# was taken and shows something, that the window's outer size is the stored one
# under a window manager, and that the three pages differ. Exit code 77
# (skipped) when the virtual X server or the picture tools are missing.
set -euo pipefail
build="${1:?usage: screenshots_test.sh <build-folder>}"
for tool in xvfb-run xdotool import convert compare python3; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done
shots="$build/screenshots"
rm -rf "$shots"
"$(dirname "$0")/../../scripts/screenshots" "$build"
fail() { echo "FAIL: $*"; exit 1; }

for name in choose-files options report alt-text backup-location about \
    {minimum,scale2}/{choose-files,options,report}; do
  [ -s "$shots/$name.png" ] || fail "$name.png was not written"
  # A blank or single-colour capture has (almost) no spread of values.
  spread="$(convert "$shots/$name.png" -format "%[fx:standard_deviation]" info:)"
  awk -v s="$spread" 'BEGIN { exit !(s > 0.02) }' || fail "$name.png looks blank ($spread)"
done

# 7000 x 6000 twips at first, 7000 x 5500 at the minimum, 15 twips to a pixel
# (twice as many pixels at 200 %); a pixel either way, as the frame rounds.
if command -v openbox >/dev/null 2>&1; then
  for check in "choose-files 467 400" "minimum/choose-files 467 367" "scale2/choose-files 933 800"; do
    set -- $check
    read -r w h < <(identify -format "%w %h" "$shots/$1.png")
    (( ${w} - $2 <= 1 && $2 - ${w} <= 1 && ${h} - $3 <= 1 && $3 - ${h} <= 1 )) ||
      fail "$1.png is ${w}x${h}, the window's outer size should be $2x$3"
  done
fi

# Each page shows different controls; equal pictures mean a key press went nowhere.
for pair in "choose-files options" "options report" "choose-files report"; do
  set -- $pair
  pixels="$(compare -metric AE "$shots/$1.png" "$shots/$2.png" null: 2>&1 || true)"
  awk -v n="${pixels%% *}" 'BEGIN { exit !(n + 0 > 2000) }' || fail "$1.png and $2.png are nearly the same"
done
echo "ok: every picture taken, the pages differ"

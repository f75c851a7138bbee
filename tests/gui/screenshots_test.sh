#!/usr/bin/env bash
# Runs scripts/screenshots against a build folder and checks that every picture
# was taken and shows something, and that the three pages differ. Exit code 77
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

# Each page shows different controls; equal pictures mean a key press went nowhere.
for pair in "choose-files options" "options report" "choose-files report"; do
  set -- $pair
  pixels="$(compare -metric AE "$shots/$1.png" "$shots/$2.png" null: 2>&1 || true)"
  awk -v n="${pixels%% *}" 'BEGIN { exit !(n + 0 > 2000) }' || fail "$1.png and $2.png are nearly the same"
done
echo "ok: every picture taken, the pages differ"

#!/usr/bin/env bash
# Runs scripts/screenshots against a build folder and checks that every picture
# was taken, shows something, and that the three pages really differ. Exit code
# 77 (skipped) when the virtual X server or the picture tools are missing.
set -euo pipefail

build="${1:?usage: screenshots_test.sh <build-folder>}"

for tool in xvfb-run xdotool import convert compare python3; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed"
    exit 77
  fi
done

root="$(cd "$(dirname "$0")/../.." && pwd)"

shots="$build/screenshots"
names=(choose-files options report alt-text backup-location about)
for name in "${names[@]}"; do
  rm -f "$shots/$name.png" "$shots/minimum/$name.png" "$shots/scale2/$name.png"
done

"$root/scripts/screenshots" "$build"

pictures=()
for name in "${names[@]}"; do pictures+=("$shots/$name.png"); done
for set in minimum scale2; do
  for name in choose-files options report; do pictures+=("$shots/$set/$name.png"); done
done
for picture in "${pictures[@]}"; do
  name="${picture#$shots/}"; name="${name%.png}"
  if [ ! -s "$picture" ]; then
    echo "FAIL: $picture was not written"
    exit 1
  fi
  # A blank or single-colour capture has (almost) no spread of values.
  spread="$(convert "$picture" -format "%[fx:standard_deviation]" info:)"
  if ! awk -v s="$spread" 'BEGIN { exit !(s > 0.02) }'; then
    echo "FAIL: $picture looks blank (standard deviation $spread)"
    exit 1
  fi
  echo "ok: $name.png, standard deviation $spread"
done

# Under a window manager the pictures take in the frame, so they show the
# window's outer size: 7000 x 6000 twips at first, 7000 x 5500 at the minimum,
# 15 twips to a pixel (twice as many pixels at 200 %).
if command -v openbox >/dev/null 2>&1; then
  for check in "choose-files 467x400" "minimum/choose-files 467x367" "scale2/choose-files 933x800"; do
    set -- $check
    size="$(identify -format "%wx%h" "$shots/$1.png")"
    # A pixel either way: the frame's sides round on their own.
    if ! python3 -c "import sys; a,b=[tuple(map(int,x.split('x'))) for x in sys.argv[1:]]; sys.exit(any(abs(p-q)>1 for p,q in zip(a,b)))" "$size" "$2"; then
      echo "FAIL: $1.png is $size, the window's outer size should be $2"
      exit 1
    fi
    echo "ok: $1.png is the window's outer size, $size"
  done
fi

# Each page shows different controls, so each pair of pictures differs in many
# pixels; equal pictures mean a key press went nowhere.
differ() {
  local pixels
  pixels="$(compare -metric AE "$shots/$1.png" "$shots/$2.png" null: 2>&1 || true)"
  pixels="${pixels%% *}"
  if ! awk -v n="$pixels" 'BEGIN { exit !(n + 0 > 2000) }'; then
    echo "FAIL: $1.png and $2.png are nearly the same ($pixels pixels differ)"
    exit 1
  fi
}
differ choose-files options
differ options report
differ choose-files report
echo "ok: the three pages differ"

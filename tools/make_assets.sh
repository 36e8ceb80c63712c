#!/usr/bin/env bash
# Regenerates the game's own images and sounds in assets/.
#
#   tools/make_assets.sh
#
# Builds tools/make_assets.cpp on its own (CMake + Ninja, lodepng) in
# build/tools, runs it to draw assets/images/*.png and to synthesize the
# sounds as WAV in a scratch folder, then encodes each WAV with lame
# (128 kbit/s CBR, 44100 Hz stereo) into assets/sounds/*.mp3.
# Needs: cmake, ninja-build, g++, liblodepng-dev, lame (scripts/deps installs
# them). The output is deterministic and committed, so a fresh clone plays
# without running this; rerun it only after changing the generator, and
# commit what it writes.
#
# assets/config.txt and assets/factory.txt are written by hand, not here.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/tools
cmake -S tools -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

mkdir -p assets/images assets/sounds
"$build/make_assets" assets/images "$scratch"

for wav in "$scratch"/*.wav; do
  mp3="assets/sounds/$(basename "${wav%.wav}").mp3"
  lame --silent -b 128 "$wav" "$mp3"
  echo "$mp3  $(stat -c %s "$mp3") bytes"
done

#!/usr/bin/env bash
# Draws the gallery sheets of the skinned controls with zephral-render, one
# section per control, into BUILD/gallery/:
#   button.png   every ButtonType in every look, caption and picture mode and
#                colour scheme
#   frame.png    every border type, captions at every alignment and location,
#                the 3D captions, inner bevels, gradients and floods
#   line.png     each line type, horizontal and vertical
#   working.png  the nine frames in a row, then the composed control
#
#   bash scripts/gallery.sh [BUILD]      (make gallery runs it)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
render="$build/bin/zephral-render"
out="$build/gallery"
work="$out/cells"
sheet=(python3 scripts/sheet.py)
[ -x "$render" ] || { echo "gallery: $render is not built" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work"

# cell CONTROL SIZE [ARGS...]: renders one cell and prints its path.
cell() {
  local file
  file=$(mktemp -p "$work" --suffix=.png)
  "$render" "$1" "$2" "$file" "${@:3}"
  echo "$file"
}
# label TEXT: a caption cell naming the row that follows it.
label() {
  cell frame3d 110x60 BorderType=0 "Caption=$1" CaptionAlignment=3 UseMnemonic=False
}

# --- sknButton -----------------------------------------------------------------
# Thousands of cells, so one zephral-render --sheet draws them all from a
# description (controls/render/ContactSheet.h), kept beside the sheet. Every
# ButtonType from 0 to 15 (0 and 15 draw only the face and the picture), in
# rows of caption and picture variants, by columns of the four colour schemes
# times six looks.
gallery_button() {
  local looks=("" "--hover" "--state down --hover" "--state disabled" "--focus" "--default")
  local names=(up hovered down disabled focused default)
  local picture="PictureNormal=app/art/cmdEncryptFile.png PictureOver=app/art/PictureOver.png"
  picture="$picture MaskColor=$((255 + 255 * 65536))"
  # Scheme 2's own colours: a pale blue face, warm while hovered, dark blue
  # text, brown while hovered.
  local own="BackColor=$((214 + 228 * 256 + 242 * 65536)) BackOver=$((255 + 236 * 256 + 200 * 65536))"
  own="$own ForeColor=$((20 + 40 * 256 + 110 * 65536)) ForeOver=$((150 + 30 * 256))"
  local variants=(
    "caption|"
    "picture left|$picture PicturePosition=0"
    "picture right|$picture PicturePosition=1"
    "picture above|$picture PicturePosition=2"
    "picture below|$picture PicturePosition=3"
    "picture behind|$picture PicturePosition=4"
    "raised|$picture SpecialEffect=1"
    "sunken|$picture SpecialEffect=2"
    "shadow|$picture SpecialEffect=3"
    "soft bevel|$picture SoftBevel=True"
    "check, Value True|$picture CheckBoxBehaviour=True Value=True"
  )
  local header="" scheme name type variant extra i
  for scheme in 1 2 3 4; do
    for name in "${names[@]}"; do header="$header | scheme $scheme $name"; done
  done
  {
    echo "# sknButton: ButtonType x variant rows, ColorScheme x look columns"
    for type in $(seq 0 15); do
      echo "title ButtonType $type"
      echo "columns ${header# | }"
      for variant in "${variants[@]}"; do
        echo "row ${variant%%|*}"
        for scheme in 1 2 3 4; do
          extra=""
          if [ "$scheme" = 2 ]; then extra="$own"; fi
          for i in "${!looks[@]}"; do
            echo "cell button 104x40 ButtonType=$type ColorScheme=$scheme" \
              "\"Caption=&Encrypt File\" ${variant#*|} $extra ${looks[$i]}"
          done
        done
      done
    done
  } >"$out/button.txt"
  "$render" --sheet "$out/button.png" "$out/button.txt"
}

# --- sknFrame3D --------------------------------------------------------------
gallery_frame() {
  local rows=() t a loc c b g p ft show
  local base=(BackColor=0x8000000F Border3DHighlight=0xFFFFFF Border3DShadow=0x808080)

  rows+=("$(label 'BorderType 0-13')")
  for t in $(seq 0 13); do rows+=("$(cell frame3d 110x60 "${base[@]}" BorderType=$t)"); done
  rows+=(/ "$(label 'with caption')")
  for t in $(seq 0 13); do
    rows+=("$(cell frame3d 110x60 "${base[@]}" BorderType=$t "Caption=Type $t" CaptionLocation=1)")
  done
  for loc in 0 1; do
    for t in 1 7; do
      rows+=(/ "$(label "Location $loc, type $t")")
      for a in $(seq 0 8); do
        rows+=("$(cell frame3d 110x60 "${base[@]}" BorderType=$t CaptionLocation=$loc \
          CaptionAlignment=$a "Caption=Align $a")")
      done
    done
  done
  rows+=(/ "$(label 'Caption3D 0-2')")
  for c in 0 1 2; do
    rows+=("$(cell frame3d 110x60 BorderType=1 BackColor=0x808080 Border3DHighlight=0xFFFFFF \
      Border3DShadow=0x404040 ForeColor=0 FontBold=True FontSize=12 Caption3D=$c \
      CaptionAlignment=4 "Caption=3D $c")")
  done
  rows+=(/ "$(label 'BevelInner 0-4')")
  for t in 1 7; do
    for b in 0 1 2 3 4; do
      rows+=("$(cell frame3d 110x60 "${base[@]}" BorderType=$t BevelInner=$b BevelWidth=5)")
    done
  done
  rows+=(/ "$(label 'FillGradient 1, 2')")
  for g in 1 2; do
    for t in 1 11; do
      rows+=("$(cell frame3d 110x60 "${base[@]}" BorderType=$t FillGradient=$g FillColor=0xFFC19F)")
    done
  done
  for ft in 0 1; do
    rows+=(/ "$(label "FloodType $ft")")
    for show in False True; do
      for p in 0 40 100; do
        rows+=("$(cell frame3d 110x60 "${base[@]}" BorderType=1 FloodColor=0xFFC19F FloodType=$ft \
          FloodPercent=$p FloodShowPct=$show CaptionAlignment=4)")
      done
    done
  done
  "${sheet[@]}" "$out/frame.png" "${rows[@]}"
}

# --- sknLine3D -----------------------------------------------------------------
gallery_line() {
  local rows=() t
  local colours=(Border3DHighlight=0xFFFFFF Border3DShadow=0x808080)
  rows+=("$(label 'Horizontal 1, 2, 0')")
  for t in 1 2 0; do rows+=("$(cell line3d 120x9 "${colours[@]}" LineTypes=$t)"); done
  rows+=(/ "$(label 'Vertical 1, 2, 0')")
  for t in 1 2 0; do rows+=("$(cell line3d 9x60 "${colours[@]}" LineTypes=$t)"); done
  "${sheet[@]}" "$out/line.png" --scale 4 --gap 10 "${rows[@]}"
}

# --- sknWorking ----------------------------------------------------------------
gallery_working() {
  local rows=() f
  for f in $(seq 1 9); do rows+=("controls/working/art/frame$f.png"); done
  rows+=(/ "$(cell working 90x90)")
  for f in $(seq 1 9); do rows+=("$(cell working 90x90 --frame "$f")"); done
  "${sheet[@]}" "$out/working.png" "${rows[@]}"
}

gallery_button
gallery_frame
gallery_line
gallery_working
rm -rf "$work"
echo "gallery: $out/button.png $out/frame.png $out/line.png $out/working.png"

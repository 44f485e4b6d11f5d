#!/usr/bin/env bash
# Makes the demo disc's folder from Debian's tools (ffmpeg, ImageMagick; installed when
# missing) and the project's own code; nothing is downloaded but Debian packages.
#
# Usage: scripts/make-disc.sh [--exe PATH] [--linux DIR] [--swfgen PATH] OUTDIR
#   --exe PATH     the Win32 build's Velvinor.exe to put on the disc (or VELVINOR_EXE);
#                  without it the disc is made without the program, with a notice
#   --linux DIR    the folder of the Linux build's velvinor (or VELVINOR_LINUX): the
#                  program and its player folder ruffle/ go on the disc beside it,
#                  with autorun.sh, which a Linux desktop offers to run
#   --swfgen PATH  an already built velvinor_swfgen (or VELVINOR_SWFGEN); without it
#                  the tool is built in build/disc-tools
#
# OUTDIR is made afresh: it must not exist, be empty, or be a disc made before (it
# holds SWF/Game.swf). The disc is put together beside it and moved in place at the
# end, so a failure leaves no half-made disc.
set -Eeuo pipefail

usage() { sed -n '5,12p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }

exe="${VELVINOR_EXE:-}"
linux="${VELVINOR_LINUX:-}"
swfgen="${VELVINOR_SWFGEN:-}"
out=""
while [ $# -gt 0 ]; do
  case "$1" in
    --exe) [ $# -ge 2 ] || usage; exe="$2"; shift 2 ;;
    --linux) [ $# -ge 2 ] || usage; linux="$2"; shift 2 ;;
    --swfgen) [ $# -ge 2 ] || usage; swfgen="$2"; shift 2 ;;
    -h|--help) usage ;;
    -*) echo "make-disc: unknown option $1" >&2; usage ;;
    *) [ -z "$out" ] || usage; out="$1"; shift ;;
  esac
done
[ -n "$out" ] || usage

started=$(date +%s)
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath -m -- "$out")"
[ "$out" != / ] || { echo "make-disc: will not make the disc in /" >&2; exit 2; }
if [ -e "$out" ] && { [ ! -d "$out" ] || { [ -n "$(ls -A -- "$out")" ] && [ ! -f "$out/SWF/Game.swf" ]; }; }; then
  echo "make-disc: $out exists and is not a disc made by this script; choose another folder or remove it" >&2
  exit 1
fi
if [ -n "$exe" ] && [ ! -f "$exe" ]; then
  echo "make-disc: the program file $exe does not exist" >&2
  exit 1
fi
if [ -n "$linux" ] && { [ ! -x "$linux/velvinor" ] || [ ! -f "$linux/ruffle/ruffle.js" ] ||
  [ ! -f "$linux/ruffle/velvinor-bridge.swf" ]; }; then
  echo "make-disc: $linux holds no Linux build of velvinor with its player folder ruffle/" >&2
  exit 1
fi

# Debian's tools, when missing.
missing=()
for p in ffmpeg imagemagick fonts-dejavu-core; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# Debian's own ImageMagick binary, whatever else is called convert on the PATH.
magick="$(command -v convert-im6.q16 || command -v convert)"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
[ -f "$font" ] || { echo "make-disc: the font $font is missing" >&2; exit 1; }

# The movie tool, from the project's own code.
if [ -z "$swfgen" ]; then
  "$root/scripts/install-deps.sh" native
  cmake -S "$root" -B "$root/build/disc-tools" -DCMAKE_BUILD_TYPE=Release -DVEL_TESTS=OFF -DVEL_BENCHMARKS=OFF >/dev/null
  cmake --build "$root/build/disc-tools" -j"$(nproc)" --target velvinor_swfgen >/dev/null
  swfgen="$root/build/disc-tools/tools/swf/velvinor_swfgen"
fi

stage="$(mktemp -d "$(dirname "$out")/.$(basename "$out").making.XXXXXX")"
trap 'rm -rf -- "$stage"' EXIT
trap 'echo "make-disc: the step at line $LINENO failed; no disc was made" >&2' ERR
mkdir "$stage/SWF"
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }

# The program itself: the Win32 build, when one is given.
if [ -n "$exe" ]; then
  cp -- "$exe" "$stage/Velvinor.exe"
else
  echo "make-disc: no Velvinor.exe given (--exe PATH or VELVINOR_EXE): the disc is made without the program"
fi

# The Linux program and its player: Ruffle's files (not their source maps) and the
# bridge movie.
if [ -n "$linux" ]; then
  cp -- "$linux/velvinor" "$stage/velvinor"
  mkdir "$stage/ruffle"
  find "$linux/ruffle" -maxdepth 1 -type f ! -name '*.map' -exec cp -- {} "$stage/ruffle/" \;
  # What a Linux desktop offers to run when the disc goes in (x-content/unix-software).
  cat >"$stage/autorun.sh" <<'EOF'
#!/bin/sh
# The disc's Linux program, started with the disc as its folder, wherever the desktop
# (or a family) starts this from.
disc=$(CDPATH='' cd -- "$(dirname -- "$0")" && pwd) || exit 1
cd -- "$disc" || exit 1
exec "$disc/velvinor" "$@"
EOF
  chmod 755 "$stage/autorun.sh"
fi

# The installer dialog's picture, 611 by 157, and the clip's backdrop: Windows 3 bitmaps.
"$magick" -size 611x157 gradient:'#1d3b8a-#5fb0e8' \
  -fill '#ffd23f' -stroke '#7a4b00' -strokewidth 2 -draw 'circle 78,78 78,20' -stroke none \
  -font "$font" -fill white -pointsize 56 -annotate +160+88 'Вельвинор' \
  -fill '#ffe9a0' -pointsize 20 -annotate +164+128 'Установка игры на компьютер' \
  -type TrueColor -compress None BMP3:"$stage/install.bmp"
"$magick" -size 1024x768 radial-gradient:'#3a2a6e-#120a2a' \
  -fill none -stroke '#d9a441' -strokewidth 24 -draw 'roundrectangle 20,20 1003,747 40,40' \
  -stroke '#8a5a12' -strokewidth 4 -draw 'roundrectangle 40,40 983,727 28,28' -stroke none \
  -font "$font" -fill '#d9a441' -pointsize 28 -gravity south -annotate +0+60 'Вельвинор' \
  +dither -colors 64 -type Palette -compress None BMP3:"$stage/SWF/frame.bmp"

# The movie.
"$swfgen" "$root/tools/swf/demo-game.txt" -o "$stage/SWF/Game.swf"

# The two logo videos (Microsoft Video 1 in AVI, no sound): colour bars, a name and a
# running frame number, 2.5 s each.
logo() {  # FILE SIZE NAME FONTSIZE
  local banner="drawbox=x=0:y=ih*0.35:w=iw:h=ih*0.3:color=black@0.7:t=fill"
  local name="drawtext=fontfile=$font:text='$3':fontsize=$4:fontcolor=white:x=(w-tw)/2:y=h*0.4"
  local count="drawtext=fontfile=$font:text='%{eif\:n+1\:d}':fontsize=$(($4 * 5 / 8)):fontcolor=yellow:x=(w-tw)/2:y=h*0.53"
  ff -f lavfi -i "smptebars=size=$2:rate=15:duration=2.5" -vf "$banner,$name,$count" \
    -c:v msvideo1 -pix_fmt rgb555le "$1"
}
logo "$stage/SWF/logo_deve.avi" 720x576 'Студия Деве' 64
logo "$stage/SWF/logo_trelkon.avi" 320x240 'Трелкон' 36

# The clip: an MPEG-1 program stream, 3 s of a test picture with a title and a tone.
ff -f lavfi -i "testsrc2=size=352x288:rate=25:duration=3" \
  -f lavfi -i "sine=frequency=660:beep_factor=2:sample_rate=44100:duration=3" \
  -vf "drawbox=x=0:y=100:w=iw:h=88:color=black@0.6:t=fill,drawtext=fontfile=$font:text='Урок 1':fontsize=44:fontcolor=white:x=(w-tw)/2:y=118" \
  -c:v mpeg1video -b:v 800k -c:a mp2 -b:a 128k -ac 1 -f mpeg "$stage/SWF/lesson1.mpg"

# The parents' document: RTF in code page 1251, every letter outside ASCII written as
# a \'xx escape, so that any rich-text control shows it whatever its own code page.
rtf_text() {  # UTF-8 on stdin -> RTF text: \ { } escaped, bytes above 127 as \'xx
  iconv -f UTF-8 -t CP1251 | perl -pe 's/([\\{}])/\\$1/g; s/([\x80-\xff])/sprintf("\\\x27%02x", ord $1)/ge'
}
{
  printf '%s\r\n' '{\rtf1\ansi\ansicpg1251\deff0\deflang1049{\fonttbl{\f0\fswiss\fcharset204 Arial;}{\f1\froman\fcharset204 Times New Roman;}}'
  printf '%s\r\n' '{\colortbl ;\red128\green0\blue0;}'
  printf '%s' '\viewkind4\uc1\pard\qc\sa240\cf1\b\f0\fs36 '
  printf '%s' 'Дорогие родители!' | rtf_text
  printf '%s\r\n' '\cf0\b0\par'
  while IFS= read -r paragraph; do
    printf '%s' '\pard\fi567\sa120\qj\f1\fs26 '
    printf '%s' "$paragraph" | rtf_text
    printf '%s\r\n' '\par'
  done <<'EOF'
«Вельвинор» — развивающая игра для детей от пяти лет. Вместе с героями игры ребенок учится считать, читать и слушать музыку.
Одно занятие длится 15–20 минут; после него сделайте перерыв. Громкость звука можно изменить прямо в игре.
Игра сама запоминает, где остановился ребенок: в следующий раз он продолжит с того же места.
Чтобы выйти из игры, нажмите «Выход» в главном меню. Желаем успехов!
EOF
  printf '%s\r\n' '}'
} >"$stage/SWF/parents.rtf"

# Into place.
if [ -e "$out" ]; then rm -rf -- "$out"; fi
mv -- "$stage" "$out"
trap - EXIT ERR
chmod 755 "$out"

echo "demo disc in $out:"
(cd "$out" && find . -type f -printf '%10s  %P\n' | sort -k2)
echo "$(du -sh --apparent-size "$out" | cut -f1) in all, made in $(($(date +%s) - started)) s"

#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Usage: scripts/install-deps.sh [native|windows|linux|package]...   (default: native)
#   native   the simulated build, its tests and benchmarks
#   windows  the cross builds of Velvinor.exe (mingw-w64, 32- and 64-bit) and the
#            Wine tests: 32-bit Wine and 64-bit Wine (a 64-bit Windows), or 64-bit
#            Wine alone where the machine runs no 32-bit code; a virtual display,
#            what the media check under Wine plays, and the Russian locale (a
#            Russian Windows)
#   package  the Debian package of the Linux program: lintian, and mmdebstrap for
#            its proof in a clean Debian 12
#   linux    the Linux program velvinor (GTK, WebKitGTK, GStreamer) and its services,
#            its journey under Xvfb, the Russian locale WebKitGTK needs, and Ruffle's
#            pinned npm package (platform/linux/ruffle, npm ci)
set -euo pipefail

want=()
for kind in "${@:-native}"; do
  case "$kind" in
    native) want+=(cmake make g++ libgtest-dev libbenchmark-dev python3 python3-yaswfp) ;;
    windows)
      want+=(cmake make python3 python3-pefile g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64 wine wine64
        xvfb xauth xdotool imagemagick procps ffmpeg locales)
      # ---- Wine for the build the Wine tests run (scripts/wine-build.sh): 32-bit Wine
      # and the i386 media plugins for the 32-bit product, or the amd64 plugins for the
      # 64-bit build under 64-bit Wine (where the machine runs no 32-bit code) ----
      if [ "$("$(dirname "$0")/wine-build.sh")" = win32 ]; then
        want+=(wine32:i386 gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
          gstreamer1.0-plugins-bad:i386 gstreamer1.0-libav:i386)
      else
        want+=(gstreamer1.0-plugins-base:amd64 gstreamer1.0-plugins-good:amd64
          gstreamer1.0-plugins-bad:amd64 gstreamer1.0-libav:amd64)
      fi ;;
    linux)
      # The Linux program: its window, movie view and media, the demo disc and the journey.
      want+=(cmake make g++ pkg-config libgtest-dev libgtk-3-dev libwebkit2gtk-4.1-dev libx11-dev \
        libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good \
        gstreamer1.0-plugins-bad gstreamer1.0-libav gstreamer1.0-gtk3 xvfb xauth xdotool imagemagick ffmpeg fonts-dejavu-core \
        locales procps python3)
      command -v npm >/dev/null 2>&1 || want+=(npm)
      # The Linux services without windows (settings file, mixer, printer, shell, rich text).
      want+=(cmake make g++ pkg-config libgtest-dev libglib2.0-dev xdg-utils file \
        libasound2-dev alsa-utils pulseaudio libasound2-plugins \
        libgtk-3-dev libcups2-dev cups-daemon cups-client cups-filters poppler-utils xvfb)
      # The writers of the document viewer's test material.
      want+=(pandoc abiword libreoffice-writer-nogui)
      # The menu entries checked as the desktop reads them.
      want+=(desktop-file-utils python3-xdg xclip)
      # The disc seen as a desktop sees it (GIO through Python).
      want+=(python3-gi gir1.2-glib-2.0) ;;
    package) want+=(lintian mmdebstrap) ;;
    *) echo "unknown package set: $kind" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # 32-bit Wine comes from the i386 architecture.
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The Russian system of the Wine tests: Wine takes its code pages (1251, 866) from
# the locale, which has to be generated.
# WebKitGTK, which plays the movie on Linux, needs a real locale too.
if printf '%s\n' "$@" | grep -qxE 'windows|linux' && ! locale -a 2>/dev/null | grep -qix 'ru_RU\.utf-\?8'; then
  echo "generating the locale ru_RU.UTF-8"
  sed -i 's/^# *\(ru_RU\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -qx 'ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi

# Ruffle's web build, pinned in platform/linux/ruffle/package-lock.json, from the npm
# registry: installed again only when the installed version is not the pinned one.
if printf '%s\n' "$@" | grep -qx linux; then
  ruffle="$(cd "$(dirname "$0")/.." && pwd)/platform/linux/ruffle"
  pinned=$(sed -n '/"node_modules\/@ruffle-rs\/ruffle"/,/}/s/.*"version": *"\([^"]*\)".*/\1/p' "$ruffle/package-lock.json")
  have=$(sed -n 's/.*"version": *"\([^"]*\)".*/\1/p' "$ruffle/node_modules/@ruffle-rs/ruffle/package.json" 2>/dev/null || true)
  if [ -z "$pinned" ] || [ "$pinned" != "$have" ]; then
    echo "installing Ruffle ${pinned:-?} from the npm registry"
    (cd "$ruffle" && npm ci --no-audit --no-fund --loglevel=error)
  fi
fi

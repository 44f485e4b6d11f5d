#!/usr/bin/env bash
# The Debian package on a clean system: makes a minimal Debian 12 with mmdebstrap
# (from Debian's packages), installs the package there with apt (which must bring
# every dependency), and runs the Linux journey inside it (as a chroot) on the demo
# disc whose program and player are the ones the package installed.
#
#   package-journey.sh DEB DISC OUTDIR
#     DEB     build/linux/velvinor_*.deb (cmake --build build/linux --target package)
#     DISC    a demo disc made by scripts/make-disc.sh --linux
#     OUTDIR  the journey's screenshots and logs, and the system (OUTDIR/root)
#
# Needs root (the chroot) and Debian's mirror. Takes about a quarter of an hour.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
[ $# -eq 3 ] || { sed -n '7,10p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
deb=$(realpath -- "$1") disc=$(realpath -- "$2") out=$3
[ -f "$deb" ] || { echo "package-journey: no package $deb" >&2; exit 2; }
[ -f "$disc/SWF/Game.swf" ] || { echo "package-journey: $disc is no demo disc" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "package-journey: needs root for the chroot" >&2; exit 2; }
command -v mmdebstrap >/dev/null || { echo "package-journey: mmdebstrap is missing (scripts/install-deps.sh package)" >&2; exit 2; }
mkdir -p "$out"
out=$(cd "$out" && pwd)
root=$out/root
started=$(date +%s)
say() { printf '\n== %s (%d s)\n' "$*" $(($(date +%s) - started)); }

mounted=()
finish() {
  local status=$? m
  for ((m = ${#mounted[@]} - 1; m >= 0; m--)); do umount -l "${mounted[$m]}" 2>/dev/null || true; done
  [ $status -eq 0 ] || echo "package-journey: failed; the system is kept in $root" >&2
  exit $status
}
trap finish EXIT

say "A minimal Debian 12 from Debian's packages"
rm -rf "$root"
mmdebstrap --variant=minbase --quiet bookworm "$root" \
  "deb http://deb.debian.org/debian bookworm main" "deb http://deb.debian.org/debian-security bookworm-security main"
for m in proc sys dev dev/pts; do
  case $m in
    proc) mount -t proc proc "$root/proc" ;;
    sys) mount -t sysfs sys "$root/sys" ;;
    *) mount --bind "/$m" "$root/$m" ;;
  esac
  mounted+=("$root/$m")
done
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }

say "apt-get install ./$(basename "$deb")"
cp -- "$deb" "$root/tmp/"
in_root apt-get update -qq
in_root apt-get install -y -qq --no-install-recommends "/tmp/$(basename "$deb")" >"$out/apt-velvinor.log" 2>&1 ||
  { tail -n 20 "$out/apt-velvinor.log"; exit 1; }
in_root dpkg-query -W -f='${Package}\n' | sort >"$out/packages-after-velvinor.txt"
echo "   $(wc -l <"$out/packages-after-velvinor.txt") packages; velvinor's: $(in_root dpkg-query -W -f='${Depends}' velvinor)"

# What the journey itself uses (the display, the screenshots, the Russian desktop),
# none of which the program needs: after the package, so that its own dependencies
# alone had to bring the program up.
say "The journey's own tools"
in_root apt-get install -y -qq --no-install-recommends xvfb xauth xdotool imagemagick procps python3-gi \
  gir1.2-glib-2.0 >"$out/apt-tools.log" 2>&1 || { tail -n 20 "$out/apt-tools.log"; exit 1; }
sed -i 's/^# *\(ru_RU\.UTF-8 UTF-8\)/\1/' "$root/etc/locale.gen"
in_root locale-gen >/dev/null

say "The disc with the package's program and player"
mkdir -p "$root/journey"
cp -r -- "$disc" "$root/journey/demo disc"
rm -rf "$root/journey/demo disc/velvinor" "$root/journey/demo disc/ruffle"
cp -- "$root/usr/lib/velvinor/velvinor" "$root/journey/demo disc/velvinor"
cp -r -- "$root/usr/lib/velvinor/ruffle" "$root/journey/demo disc/ruffle"
cp -- "$here/journey.sh" "$here/journey-lib.sh" "$root/journey/"

say "The Linux journey inside it"
in_root /bin/bash -c 'VEL_LINUX_DISC="/journey/demo disc" /journey/journey.sh /journey/out' 2>&1 | tee "$out/journey.log"
status=${PIPESTATUS[0]}
rm -rf "$out/journey"
cp -r "$root/journey/out" "$out/journey"
[ "$status" -eq 0 ] || exit "$status"
say "Done: the package installs into a clean Debian 12 and the journey passes in it"

#!/usr/bin/env bash
# The folders include only downward:
#   startup -> host -> media | sound | install | probe -> forms | runtime -> platform interfaces
# Folders on one level do not include each other. The simulated and the real
# platform include only the platform interfaces, forms/ and runtime/ (and their own
# folder) and the real services free of Windows headers, platform/native/.
set -euo pipefail
cd "$(dirname "$0")/.."

layer() {
  case "$1" in
    startup/*) echo startup ;;
    host/*) echo host ;;
    media/*|sound/*|install/*|probe/*) echo part ;;
    forms/*|runtime/*) echo base ;;
    platform/sim/*) echo sim ;;
    platform/win32/*) echo win32 ;;
    platform/native/*) echo native ;;
    platform/linux/*) echo linux ;;
    platform/*) echo iface ;;
    *) echo other ;;
  esac
}

# What each layer may include besides its own folder.
allowed() {
  case "$1" in
    startup) echo "host part base iface" ;;
    host) echo "part base iface" ;;
    part) echo "base iface" ;;
    base) echo "iface" ;;
    iface) echo "" ;;
    native) echo "iface" ;;
    sim) echo "base iface native" ;;
    win32) echo "base iface native" ;;
    linux) echo "base iface native" ;;
  esac
}

# The entry points stand above the layers where it lives: it builds the program.
exempt() {
  case "$1" in
    platform/win32/WinMain.cpp | platform/linux/main.cpp) return 0 ;;
  esac
  return 1
}

bad=()
while IFS= read -r file; do
  exempt "$file" && continue
  from=$(layer "$file")
  fromdir=$(dirname "$file")
  while IFS= read -r target; do
    [ -n "$target" ] || continue
    [ "$(dirname "$target")" = "$fromdir" ] && continue
    to=$(layer "$target")
    [ "$to" = other ] && continue
    ok=no
    for a in $(allowed "$from"); do [ "$a" = "$to" ] && ok=yes; done
    [ "$ok" = yes ] || bad+=("$file -> $target")
  done < <(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/p' "$file")
done < <(find startup host media sound install probe forms runtime platform -name '*.h' -o -name '*.cpp' | sort)

if [ ${#bad[@]} -gt 0 ]; then
  echo "Includes running up or sideways between the folders:"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
echo "every include runs downward"

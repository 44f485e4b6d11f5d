#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Usage: scripts/install-deps.sh [native|windows]...   (default: native)
set -euo pipefail

want=()
for kind in "${@:-native}"; do
  case "$kind" in
    native) want+=(cmake make g++ libgtest-dev libbenchmark-dev python3 python3-yaswfp) ;;
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
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

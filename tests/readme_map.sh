#!/usr/bin/env bash
# The README's map stays true: every scenario is named in it, and every file or
# pattern its tables name (`media/ClipPlayback.*`, `tests/...`) exists.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
for scn in tests/scenarios/*.scn; do
  name=$(basename "$scn" .scn)
  if ! grep -q "\`$name\`" README.md; then
    echo "README.md does not name the scenario $name"
    status=1
  fi
done
# Paths in backticks inside table rows, from the source folders down.
while IFS= read -r path; do
  # shellcheck disable=SC2086
  if ! compgen -G "$path" >/dev/null; then
    echo "README.md names $path, which does not exist"
    status=1
  fi
done < <(grep '^|' README.md | grep -oE '`(startup|host|media|probe|sound|install|forms|runtime|platform|tools|tests|bench|docs|scenarios)/[^` ]+`' | tr -d '`' | sort -u)
[ "$status" -eq 0 ] && echo "the README names every scenario and every file it points to exists"
exit "$status"

#!/usr/bin/env bash
# Makes the locales named on the command line (such as de_DE.UTF-8) when the
# system lacks them: the tests convert files under a locale whose decimal
# separator is a comma. Needs the `locales` package.
set -euo pipefail
sudo=""
[[ $(id -u) -ne 0 ]] && command -v sudo >/dev/null 2>&1 && sudo="sudo"
for name in "$@"; do
  base=${name%%.*}
  want=$(echo "${base}.utf8" | tr '[:upper:]' '[:lower:]')
  locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | grep -qx "$want" && continue
  echo "Making locale $name"
  $sudo localedef -i "$base" -f UTF-8 "$name" || echo "Could not make $name: the locale tests will skip." >&2
done

#!/usr/bin/env bash
# Installs the Debian packages named on the command line that are not installed yet.
set -euo pipefail
missing=()
for package in "$@"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0
if ! command -v apt-get >/dev/null 2>&1; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "This machine has no apt-get: install them with your package manager, then run make again." >&2
  exit 1
fi
sudo=""
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null 2>&1 || { echo "Installing ${missing[*]} needs root or sudo." >&2; exit 1; }
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

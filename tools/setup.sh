#!/usr/bin/env bash
# Installs the cross toolchains, Wine and the test tools when any is missing.
# Runs without questions (CI has no standard input) and does nothing once
# everything is present.
set -euo pipefail

pkgs=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
      wine wine32:i386 wine64 libwine-dev xvfb xauth googletest fp-utils)

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null

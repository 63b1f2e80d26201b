#!/usr/bin/env bash
# Installs the cross toolchains, Wine, the test tools and the packagers (NSIS;
# wixl and msitools for the MSI; osslsigncode and openssl for signatures,
# python3 for the signing test's time-stamp authority)
# when any is missing, and generates the Russian UTF-8 locale that Wine needs
# to map Cyrillic file names to the Unix file system. Runs without questions
# (CI has no standard input) and does nothing once everything is present.
set -euo pipefail

pkgs=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
      wine wine32:i386 wine64 libwine-dev xvfb xauth googletest fp-utils
      locales fonts-wine nsis wixl msitools osslsigncode openssl python3
      rsyslog rsyslog-relp rapidjson-dev)
locale=ru_RU.UTF-8

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
has_locale() { locale -a 2>/dev/null | grep -qix 'ru_RU\.utf-\?8'; }
[ ${#missing[@]} -eq 0 ] && has_locale && exit 0

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  # A mirror caught mid-sync fails one index; the others still serve the
  # packages, and a second try usually finds it whole.
  $SUDO apt-get update -q || { sleep 5; $SUDO apt-get update -q; } ||
    echo "setup: apt-get update reported errors; installing from the indexes it has"
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
fi
if ! has_locale; then
  echo "setup: generating the locale $locale"
  $SUDO localedef -i ru_RU -c -f UTF-8 -A /usr/share/locale/locale.alias "$locale"
fi

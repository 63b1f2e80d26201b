#!/usr/bin/env bash
# Builds the NSIS installer around a module, its help and the install
# helper:
#   installer/make-setup.sh ARCH VERSION BUILD MODULE HELP HELPER IDENTIFIERS OUT
# ARCH i686 gives the 32-bit installer that ships, x86_64 a 64-bit one for
# the tests of a machine that cannot run 32-bit programs. The switches'
# ranges come from TALib/SettingLimits.h, the classes' identifiers from
# IDENTIFIERS/Identifiers.nsh (made by configuring). The installer and
# its uninstaller are finished by tools/sign.sh as makensis writes them:
# signed when ARVIK_SIGN_PFX names a certificate, else given their checksum.
set -euo pipefail
[ $# -eq 8 ] || { echo "usage: make-setup.sh ARCH VERSION BUILD MODULE HELP HELPER IDENTIFIERS OUT" >&2; exit 2; }
arch=$1 version=$2 build=$3 module=$4 help=$5 helper=$6 identifiers=$7 out=$8
here=$(cd "$(dirname "$0")" && pwd)
defines=("-DVERSION=$version" "-DFILE_VERSION=$version.$build")
# The highest numbers the switches take, from the table the plug-in and the
# MSI package share.
for name in MAX_LOG_TEXT_HIGHEST LOG_KEEP_DAYS_HIGHEST; do
  value=$(sed -n "s/^#define $name \([0-9][0-9]*\)\$/\1/p" "$here/../TALib/SettingLimits.h")
  [ -n "$value" ] || { echo "make-setup.sh: no $name in TALib/SettingLimits.h" >&2; exit 2; }
  defines+=("-D$name=$value")
done
[ "$arch" = x86_64 ] && defines+=(-DAMD64)
makensis -V2 -INPUTCHARSET UTF8 "${defines[@]}" "-DMODULE=$module" "-DHELP=$help" "-DHELPER=$helper" \
  "-DIDENTIFIERS=$identifiers/Identifiers.nsh" "-DOUTFILE=$out" "-DFINISH=$here/../tools/sign.sh" "$here/aRvik.nsi"

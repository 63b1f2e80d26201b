#!/usr/bin/env bash
# Builds the Windows Installer package around a module and its help:
#   installer/make-msi.sh ARCH VERSION MODULE HELP OUT
# ARCH i686 gives the x86 package that ships, x86_64 an x64 one for the
# tests of a machine that cannot run 32-bit programs. wixl (package wixl)
# builds it from aRvik.wxs; msibuild (package msitools) then sets the code
# page and adds what aRvik-msi.sql holds. Unsigned: make dist signs.
set -euo pipefail
[ $# -eq 5 ] || { echo "usage: make-msi.sh ARCH VERSION MODULE HELP OUT" >&2; exit 2; }
arch=$1 version=$2 module=$3 help=$4 out=$5
here=$(cd "$(dirname "$0")" && pwd)
case "$arch" in
  i686) msiarch=x86 ;;
  x86_64) msiarch=x64 ;;
  *) echo "make-msi.sh: unknown architecture $arch" >&2; exit 2 ;;
esac
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# wixl takes the files by names relative to where it runs.
cp "$module" "$work/aRvik.dll"
cp "$help" "$work/aRvik.chm"
(cd "$work" && wixl -a "$msiarch" -D "Version=$version" -D "Arch=$msiarch" -D Module=aRvik.dll -D Help=aRvik.chm \
   -o package.msi "$here/aRvik.wxs")
printf '\r\n\r\n1251\t_ForceCodepage\r\n' >"$work/_ForceCodepage.idt"
msibuild "$work/package.msi" -i "$work/_ForceCodepage.idt"
grep -v -e '^--' -e '^$' "$here/aRvik-msi.sql" | sed "s/@VERSION@/$version/g" | while IFS= read -r statement; do
  if [[ $statement == REFUSE\|* ]]; then
    IFS='|' read -r _ action sequence condition text <<<"$statement"
    msibuild "$work/package.msi" \
      -q "INSERT INTO CustomAction (Action, Type, Target) VALUES ('$action', 19, '$text')" \
      -q "INSERT INTO ActionText (Action, Description) VALUES ('$action', '$text')" \
      -q "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('$action', '$condition', $sequence)"
  else
    msibuild "$work/package.msi" -q "$statement"
  fi
done
mv "$work/package.msi" "$out"

#!/usr/bin/env bash
# Puts what ships into OUT:
#   installer/dist.sh ARCH VERSION BUILD MODULE HELP HELPER TEXT POLICIES IDENTIFIERS OUT
# aRvik-VERSION-setup.exe (NSIS), aRvik-VERSION.msi, aRvik-VERSION.zip (the
# module, its help, the operator's TEXT and the Group Policy template),
# PolicyDefinitions/ and SHA256SUMS, which lists every other file. Both
# packages take the classes' identifiers and their own codes from the
# folder IDENTIFIERS (made by configuring). With ARVIK_SIGN_PFX and
# ARVIK_SIGN_PASSWORD_FILE every file that can be signed is (tools/sign.sh),
# time-stamped by ARVIK_SIGN_TIMESTAMP_URL when it is set: the module and
# the install helper before they are packed, then the installer, its
# uninstaller and the MSI package; and SHA256SUMS gets its detached
# signature, SHA256SUMS.p7s. Without a certificate it says so in one line.
# The signed module and helper are kept in OUT-stage. Last, one line names
# the module's size, which no document states by hand.
set -euo pipefail
[ $# -eq 10 ] || { echo "usage: dist.sh ARCH VERSION BUILD MODULE HELP HELPER TEXT POLICIES IDENTIFIERS OUT" >&2; exit 2; }
arch=$1 version=$2 build=$3 module=$4 help=$5 helper=$6 text=$7 policies=$8 identifiers=$9 out=${10%/}
here=$(cd "$(dirname "$0")" && pwd)
sign=$here/../tools/sign.sh
stage=$out-stage
rm -rf "$out" "$stage"
mkdir -p "$out" "$stage/zip"
out=$(cd "$out" && pwd) stage=$(cd "$stage" && pwd)
cp "$module" "$help" "$text" "$stage/zip/"
cp "$helper" "$stage/install_helper.exe"
cp -r "$policies" "$stage/zip/PolicyDefinitions"
"$sign" "$stage/zip/aRvik.dll" "$stage/install_helper.exe"

"$here/make-setup.sh" "$arch" "$version" "$build" "$stage/zip/aRvik.dll" "$stage/zip/aRvik.chm" \
  "$stage/install_helper.exe" "$identifiers" "$out/aRvik-$version-setup.exe"
"$here/make-msi.sh" "$arch" "$version" "$stage/zip/aRvik.dll" "$stage/zip/aRvik.chm" "$identifiers" \
  "$out/aRvik-$version.msi"
"$sign" "$out/aRvik-$version.msi"
(cd "$stage/zip" && cmake -E tar cf "$out/aRvik-$version.zip" --format=zip aRvik.dll aRvik.chm aRvik.txt PolicyDefinitions)
cp -r "$policies" "$out/PolicyDefinitions"
(cd "$out" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort | xargs -d '\n' sha256sum >SHA256SUMS)
"$sign" --detached "$out/SHA256SUMS"
if [ -z "${ARVIK_SIGN_PFX:-}" ]; then
  echo "dist: unsigned (make dist SIGN_PFX=FILE SIGN_PASSWORD_FILE=FILE [SIGN_TIMESTAMP_URL=URL] signs the module, the installers, the package and SHA256SUMS)"
elif [ -z "${ARVIK_SIGN_TIMESTAMP_URL:-}" ]; then
  echo "dist: signed without a time stamp: the signatures verify only while the certificate is valid (SIGN_TIMESTAMP_URL=URL)"
fi
echo "dist: aRvik.dll $(stat -c %s "$stage/zip/aRvik.dll") bytes"

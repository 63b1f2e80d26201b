#!/usr/bin/env bash
# Puts what ships into OUT:
#   installer/dist.sh ARCH VERSION BUILD MODULE HELP HELPER TEXT POLICIES OUT
# aRvik-VERSION-setup.exe (NSIS), aRvik-VERSION.msi, aRvik-VERSION.zip (the
# module, its help, the operator's TEXT and the Group Policy template),
# PolicyDefinitions/ and SHA256SUMS, which lists every other file. With
# ARVIK_SIGN_PFX and ARVIK_SIGN_PASSWORD_FILE every file that can be signed
# is (tools/sign.sh): the module and the install helper before they are
# packed, then the installer, its uninstaller and the MSI package; without
# them it says so in one line. The signed module and helper are kept in
# OUT-stage.
set -euo pipefail
[ $# -eq 9 ] || { echo "usage: dist.sh ARCH VERSION BUILD MODULE HELP HELPER TEXT POLICIES OUT" >&2; exit 2; }
arch=$1 version=$2 build=$3 module=$4 help=$5 helper=$6 text=$7 policies=$8 out=${9%/}
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
  "$stage/install_helper.exe" "$out/aRvik-$version-setup.exe"
"$here/make-msi.sh" "$arch" "$version" "$stage/zip/aRvik.dll" "$stage/zip/aRvik.chm" "$out/aRvik-$version.msi"
"$sign" "$out/aRvik-$version.msi"
(cd "$stage/zip" && cmake -E tar cf "$out/aRvik-$version.zip" --format=zip aRvik.dll aRvik.chm aRvik.txt PolicyDefinitions)
cp -r "$policies" "$out/PolicyDefinitions"
(cd "$out" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort | xargs -d '\n' sha256sum >SHA256SUMS)
if [ -z "${ARVIK_SIGN_PFX:-}" ]; then
  echo "dist: unsigned (make dist SIGN_PFX=FILE SIGN_PASSWORD_FILE=FILE signs the module, the installers and the package)"
fi

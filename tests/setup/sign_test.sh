#!/usr/bin/env bash
# The signing test: makes a throwaway certificate with openssl, has
# installer/dist.sh sign what ships with it, and checks with osslsigncode
# that every signature verifies with that certificate as the trusted root
# and that one flipped byte breaks it; then signed_test installs the signed
# packages in a Wine prefix made anew and runs the signed module in the
# host, and the uninstaller and module it installed are checked too.
#   tests/setup/sign_test.sh ARCH WORK PREFIX SIGNED_TEST DIST_ARGS...
# DIST_ARGS are dist.sh's arguments but the last; WORK is made anew.
set -euo pipefail
arch=$1 work=$2 prefix=$3 program=$4
shift 4
version=$2
top=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$work"
mkdir -p "$work"
cd "$work"
fail() { echo "sign_test: $*" >&2; exit 1; }

openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out signer.pem -days 2 -subj "/CN=aRvik test signer" \
  -addext "extendedKeyUsage=codeSigning" 2>/dev/null
echo "test password" >password.txt
openssl pkcs12 -export -inkey key.pem -in signer.pem -passout file:password.txt -out signer.pfx
ARVIK_SIGN_PFX=$work/signer.pfx ARVIK_SIGN_PASSWORD_FILE=$work/password.txt "$top/installer/dist.sh" "$@" "$work/dist" \
  >dist.txt || { cat dist.txt; fail "dist.sh failed"; }
! grep -q unsigned dist.txt || fail "dist.sh said it signed nothing"
(cd dist && sha256sum --check --quiet SHA256SUMS) || fail "SHA256SUMS does not match"

# A file verifies with the certificate; a copy with one byte flipped in
# its middle does not.
check() {
  osslsigncode verify -CAfile signer.pem -in "$1" >verify.txt 2>&1 || { cat verify.txt; fail "$1: not verified"; }
  cp "$1" flipped
  perl -e 'open(F, "+<:raw", $ARGV[0]) or die; seek(F, (-s F) / 2, 0); read(F, $b, 1); seek(F, (-s F) / 2, 0);
           print F chr(ord($b) ^ 0xFF); close F' flipped
  ! osslsigncode verify -CAfile signer.pem -in flipped >/dev/null 2>&1 || fail "$1: verified with a byte flipped"
  rm flipped
  case "$1" in *.msi) ;; *) "$top/tools/pe-checksum" --check "$1" || fail "$1: wrong PE checksum" ;; esac
  echo "sign_test: $1 verified"
}
for file in dist/aRvik-"$version"-setup.exe dist/aRvik-"$version".msi dist-stage/zip/aRvik.dll \
            dist-stage/install_helper.exe; do
  check "$file"
done

ARVIK_SIGNED=$work "$top/tests/setup/run-in-fresh-prefix.sh" "$arch" "$prefix" "$program"
check installed/aRvik-uninstall.exe
cmp installed/aRvik.dll dist-stage/zip/aRvik.dll || fail "the installer did not install the signed module"

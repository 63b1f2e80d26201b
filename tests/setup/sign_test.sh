#!/usr/bin/env bash
# The signing test: makes a throwaway code-signing certificate, a test CA
# and a time-stamp authority's certificate from it with openssl, serves
# time stamps on 127.0.0.1 (tests/setup/tsa-server.py), has
# installer/dist.sh sign and time-stamp what ships with them, and checks
# with osslsigncode that every signature verifies with that certificate as
# the trusted root, that its time stamp verifies with the CA (osslsigncode
# ends with 0 either way: its lines tell), that it still verifies at a time
# after the certificate has expired, and that one flipped byte breaks it;
# SHA256SUMS must match the files and its detached signature,
# SHA256SUMS.p7s, must verify (and fail for a changed SHA256SUMS). Then
# signed_test installs the signed packages in a Wine prefix made anew and
# runs the signed module in the host, and the uninstaller and module it
# installed are checked too.
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

# The signer is valid for two days; the time stamps' CA and authority ten.
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out signer.pem -days 2 -subj "/CN=aRvik test signer" \
  -addext "extendedKeyUsage=codeSigning" 2>/dev/null
echo "test password" >password.txt
openssl pkcs12 -export -inkey key.pem -in signer.pem -passout file:password.txt -out signer.pfx
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca-key.pem -out ca.pem -days 10 -subj "/CN=aRvik test CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout tsa-key.pem -out tsa.csr -subj "/CN=aRvik test TSA" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=critical,timeStamping\n' >tsa.ext
openssl x509 -req -in tsa.csr -CA ca.pem -CAkey ca-key.pem -set_serial 2 -days 10 -extfile tsa.ext -out tsa.pem \
  2>/dev/null
echo 01 >tsa-serial
cat >tsa.cnf <<EOF
[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
dir = $work
serial = \$dir/tsa-serial
crypto_device = builtin
signer_cert = \$dir/tsa.pem
certs = \$dir/ca.pem
signer_key = \$dir/tsa-key.pem
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
accuracy = secs:1
ordering = yes
tsa_name = yes
ess_cert_id_chain = no
ess_cert_id_alg = sha256
EOF
python3 "$top/tests/setup/tsa-server.py" tsa.cnf tsa-port 2>tsa.log &
tsa=$!
trap 'kill $tsa 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -f tsa-port ] || sleep 0.1; done  # ten seconds at most
[ -f tsa-port ] || { cat tsa.log; fail "the time-stamp authority did not start"; }

ARVIK_SIGN_PFX=$work/signer.pfx ARVIK_SIGN_PASSWORD_FILE=$work/password.txt \
  ARVIK_SIGN_TIMESTAMP_URL=http://127.0.0.1:$(cat tsa-port)/ "$top/installer/dist.sh" "$@" "$work/dist" \
  >dist.txt 2>&1 || { cat dist.txt tsa.log; fail "dist.sh failed"; }
! grep -q -e unsigned -e "without a time stamp" dist.txt || fail "dist.sh said it did not sign or time-stamp"
grep -q "^dist: aRvik.dll [0-9]* bytes$" dist.txt || { cat dist.txt; fail "dist.sh named no module size"; }
(cd dist && sha256sum --check --quiet SHA256SUMS) || fail "SHA256SUMS does not match"
! grep -q p7s dist/SHA256SUMS || fail "SHA256SUMS lists its own signature"
cms() { openssl cms -verify -binary -content "$1" -inform DER -in dist/SHA256SUMS.p7s -CAfile signer.pem -purpose any \
          -out /dev/null 2>/dev/null; }
cms dist/SHA256SUMS || fail "SHA256SUMS.p7s does not verify"
sed 's/^./0/' dist/SHA256SUMS >changed-sums
! cms changed-sums || fail "SHA256SUMS.p7s verifies a changed SHA256SUMS"

# A file verifies with the certificate, its time stamp with the CA, also
# five days on, after the certificate expired; a copy with one byte flipped
# in its middle does not verify.
later=$(($(date +%s) + 5 * 86400))
verify() { osslsigncode verify -CAfile signer.pem -TSA-CAfile ca.pem "$@" >verify.txt 2>&1 || true; }
check() {
  verify -in "$1"
  grep -qx "Timestamp Server Signature verification: ok" verify.txt || { cat verify.txt; fail "$1: time stamp not verified"; }
  grep -qx "Signature verification: ok" verify.txt || { cat verify.txt; fail "$1: not verified"; }
  verify -time "$later" -in "$1"
  grep -qx "Signature verification: ok" verify.txt || { cat verify.txt; fail "$1: not verified once expired"; }
  cp "$1" flipped
  perl -e 'open(F, "+<:raw", $ARGV[0]) or die; seek(F, (-s F) / 2, 0); read(F, $b, 1); seek(F, (-s F) / 2, 0);
           print F chr(ord($b) ^ 0xFF); close F' flipped
  ! osslsigncode verify -CAfile signer.pem -TSA-CAfile ca.pem -in flipped >/dev/null 2>&1 ||
    fail "$1: verified with a byte flipped"
  rm flipped
  case "$1" in *.msi) ;; *) "$top/tools/pe-checksum" --check "$1" || fail "$1: wrong PE checksum" ;; esac
  echo "sign_test: $1 verified, time-stamped"
}
for file in dist/aRvik-"$version"-setup.exe dist/aRvik-"$version".msi dist-stage/zip/aRvik.dll \
            dist-stage/install_helper.exe; do
  check "$file"
done
# Without its time stamp, the expired certificate fails: the time stamp is
# what keeps the signature valid.
verify -time "$later" -ignore-timestamp -in dist-stage/zip/aRvik.dll
! grep -qx "Signature verification: ok" verify.txt || fail "an expired certificate verified without its time stamp"

ARVIK_SIGNED=$work "$top/tests/setup/run-in-fresh-prefix.sh" "$arch" "$prefix" "$program"
check installed/aRvik-uninstall.exe
cmp installed/aRvik.dll dist-stage/zip/aRvik.dll || fail "the installer did not install the signed module"

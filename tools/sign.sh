#!/usr/bin/env bash
# Finishes files that ship: tools/sign.sh FILE...
# With a certificate, ARVIK_SIGN_PFX (PKCS#12) and ARVIK_SIGN_PASSWORD_FILE
# (its password), each file is signed in place (Authenticode, SHA-256, with
# osslsigncode); with ARVIK_SIGN_TIMESTAMP_URL as well, each signature gets
# an RFC 3161 time stamp from that authority, so that it still verifies
# after the certificate has expired. A PE file then gets the checksum of
# its signed form. Without a certificate, a PE file only gets its right
# checksum (tools/pe-checksum) and an MSI package stays as it is. The NSIS
# installer calls this on itself and on its uninstaller as each is written.
#
#   tools/sign.sh --detached FILE
# writes FILE.p7s beside FILE, a detached CMS signature (DER) of its bytes
# with the same certificate and the certificates that come with it; without
# a certificate it does nothing.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

if [ "${1:-}" = --detached ]; then
  file=$2
  [ -n "${ARVIK_SIGN_PFX:-}" ] || exit 0
  keys=$(mktemp -d)
  trap 'rm -rf "$keys"' EXIT
  chmod 700 "$keys"
  pass=(-passin "file:${ARVIK_SIGN_PASSWORD_FILE:-/dev/null}")
  openssl pkcs12 -in "$ARVIK_SIGN_PFX" "${pass[@]}" -nodes -nocerts -out "$keys/key.pem" 2>/dev/null
  openssl pkcs12 -in "$ARVIK_SIGN_PFX" "${pass[@]}" -clcerts -nokeys -out "$keys/signer.pem" 2>/dev/null
  openssl pkcs12 -in "$ARVIK_SIGN_PFX" "${pass[@]}" -cacerts -nokeys -out "$keys/chain.pem" 2>/dev/null
  chain=()
  grep -q CERTIFICATE "$keys/chain.pem" && chain=(-certfile "$keys/chain.pem")
  openssl cms -sign -binary -in "$file" -signer "$keys/signer.pem" -inkey "$keys/key.pem" "${chain[@]}" \
    -outform DER -out "$file.p7s"
  exit 0
fi

if [ -n "${ARVIK_SIGN_PFX:-}" ] && ! command -v osslsigncode >/dev/null; then
  echo "sign.sh: signing needs osslsigncode (package osslsigncode), not found on the PATH: tools/setup.sh installs it" >&2
  exit 1
fi
for file in "$@"; do
  if [ -n "${ARVIK_SIGN_PFX:-}" ]; then
    stamp=()
    [ -z "${ARVIK_SIGN_TIMESTAMP_URL:-}" ] || stamp=(-ts "$ARVIK_SIGN_TIMESTAMP_URL")
    osslsigncode sign -pkcs12 "$ARVIK_SIGN_PFX" -readpass "${ARVIK_SIGN_PASSWORD_FILE:-/dev/null}" -h sha256 \
      -n "Kelmir Tallivant aRvik plugin" "${stamp[@]}" -in "$file" -out "$file.signed" >/dev/null
    mv "$file.signed" "$file"
  fi
  case "$file" in
    *.msi) ;;
    *) "$top/tools/pe-checksum" "$file" ;;
  esac
done

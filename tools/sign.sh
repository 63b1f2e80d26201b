#!/usr/bin/env bash
# Finishes files that ship: tools/sign.sh FILE...
# With a certificate, ARVIK_SIGN_PFX (PKCS#12) and ARVIK_SIGN_PASSWORD_FILE
# (its password), each file is signed in place (Authenticode, SHA-256, with
# osslsigncode); a PE file then gets the checksum of its signed form. Without
# one, a PE file only gets its right checksum (tools/pe-checksum) and an MSI
# package stays as it is. The NSIS installer calls this on itself and on its
# uninstaller as each is written.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
for file in "$@"; do
  if [ -n "${ARVIK_SIGN_PFX:-}" ]; then
    osslsigncode sign -pkcs12 "$ARVIK_SIGN_PFX" -readpass "${ARVIK_SIGN_PASSWORD_FILE:-/dev/null}" -h sha256 \
      -n "Kelmir Tallivant aRvik plugin" -in "$file" -out "$file.signed" >/dev/null
    mv "$file.signed" "$file"
  fi
  case "$file" in
    *.msi) ;;
    *) "$top/tools/pe-checksum" "$file" ;;
  esac
done

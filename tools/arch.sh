#!/usr/bin/env bash
# Prints the Windows architecture whose programs can run here: i686 when
# this machine executes 32-bit Linux programs (the 32-bit Wine loader is
# one), x86_64 otherwise. ARVIK_ARCH=x86_64 (or i686) says it instead, so
# that a machine that runs both can try what the other kind of machine does.
case "${ARVIK_ARCH:-}" in
  i686|x86_64) echo "$ARVIK_ARCH"; exit 0;;
  "") ;;
  *) echo "arch.sh: ARVIK_ARCH must be i686 or x86_64, not $ARVIK_ARCH" >&2; exit 2;;
esac
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then echo i686; else echo x86_64; fi

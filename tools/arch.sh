#!/usr/bin/env bash
# Prints the Windows architecture whose programs can run here: i686 when
# this machine executes 32-bit Linux programs (the 32-bit Wine loader is
# one), x86_64 otherwise.
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then echo i686; else echo x86_64; fi

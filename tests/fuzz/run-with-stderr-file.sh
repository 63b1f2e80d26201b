#!/bin/sh
# CTest's command for command_fuzz: run-with-stderr-file.sh EMULATOR PROGRAM FILE
# Runs PROGRAM under EMULATOR with its standard error in FILE, printed
# after it ends. Under Wine a console host that the system made for the
# programs the fuzzer starts may outlive it, keeping the standard error it
# was given: a file then, not CTest's pipe, which CTest would wait on.
emulator=$1 program=$2 file=$3
"$emulator" "$program" 2>"$file"
code=$?
cat "$file" >&2
exit $code

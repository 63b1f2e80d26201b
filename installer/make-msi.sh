#!/usr/bin/env bash
# Builds the Windows Installer package around a module and its help:
#   installer/make-msi.sh ARCH VERSION MODULE HELP IDENTIFIERS OUT [EXTRA]
# ARCH i686 gives the x86 package that ships, x86_64 an x64 one for the
# tests of a machine that cannot run 32-bit programs. wixl (package wixl)
# builds it from aRvik.wxs, which includes IDENTIFIERS/Identifiers.wxi (the
# classes' identifiers and the package's codes, made by configuring);
# msibuild (package msitools) then sets the code page and adds what
# aRvik-msi.sql holds, and then the lines of EXTRA, a file of the same form
# (the tests add a refusal of their own). Unsigned: make dist signs.
#
# Plain lines are msibuild's SQL, whose quoted texts cannot hold an
# apostrophe (it has no escape for one): the substitutions must bring none,
# and a statement that holds an odd number of them stops the build. Texts
# of our own (REFUSE) and the generated checks (NUMBER) go in as rows of
# their tables instead: each table is exported, the rows are added as tab-
# separated fields, and the table is imported again; a field may hold any
# character but a tab or a line end.
set -euo pipefail
[ $# -eq 6 ] || [ $# -eq 7 ] || { echo "usage: make-msi.sh ARCH VERSION MODULE HELP IDENTIFIERS OUT [EXTRA]" >&2; exit 2; }
arch=$1 version=$2 module=$3 help=$4 identifiers=$5 out=$6 extra=${7:-}
here=$(cd "$(dirname "$0")" && pwd)
identifiers=$(cd "$identifiers" && pwd)  # wixl runs in another folder
case "$arch" in
  i686) msiarch=x86 ;;
  x86_64) msiarch=x64 ;;
  *) echo "make-msi.sh: unknown architecture $arch" >&2; exit 2 ;;
esac
[[ $version =~ ^[0-9.]+$ ]] || { echo "make-msi.sh: version $version is not numbers and dots" >&2; exit 2; }
limit() {
  local value
  value=$(sed -n "s/^#define $1 \([0-9][0-9]*\)\$/\1/p" "$here/../TALib/SettingLimits.h")
  [ -n "$value" ] || { echo "make-msi.sh: no $1 in TALib/SettingLimits.h" >&2; exit 2; }
  echo "$value"
}
max_log_text=$(limit MAX_LOG_TEXT_HIGHEST)
keep_days=$(limit LOG_KEEP_DAYS_HIGHEST)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# wixl takes the files by names relative to where it runs.
cp "$module" "$work/aRvik.dll"
cp "$help" "$work/aRvik.chm"
(cd "$work" && wixl -a "$msiarch" -I "$identifiers" -D "Version=$version" -D "Arch=$msiarch" -D Module=aRvik.dll \
   -D Help=aRvik.chm -o package.msi "$here/aRvik.wxs")
# The upgrade code of the Upgrade table's row (aRvik-msi.sql) is the one
# wixl gave the package.
upgrade_code=$(msiinfo export "$work/package.msi" Property | sed -n 's/^UpgradeCode\t\([^\r]*\)\r\?$/\1/p')
[[ $upgrade_code =~ ^\{[0-9A-F-]{36}\}$ ]] || { echo "make-msi.sh: the package has no upgrade code" >&2; exit 2; }
printf '\r\n\r\n1251\t_ForceCodepage\r\n' >"$work/_ForceCodepage.idt"
msibuild "$work/package.msi" -i "$work/_ForceCodepage.idt"

# Rows for a table, one a line, fields separated by tabs (no field may
# hold a tab or a line end).
row() {
  local table=$1 field
  shift
  for field in "$@"; do
    [[ $field != *$'\t'* && $field != *$'\r'* && $field != *$'\n'* ]] ||
      { echo "make-msi.sh: a tab or a line end in \"$field\"" >&2; exit 2; }
  done
  (IFS=$'\t'; printf '%s\r\n' "$*") >>"$work/$table.rows"
}
# A type 51 action that sets a property to a formatted text, with its
# condition and place in InstallExecuteSequence.
set_property() {  # ACTION PROPERTY TEXT CONDITION SEQUENCE
  row CustomAction "$1" 51 "$2" "$3" ""
  row InstallExecuteSequence "$1" "$4" "$5"
}
# The actions that set STEM.Ok to 1 when PROPERTY is a whole number from 0
# to HIGHEST. Conditions compare numbers only up to 2147483647 (and Wine's
# takes longer digit strings for wrong numbers), so they compare texts:
# STEM.Text is "N" and the value (a text for every value), and STEM.K, for
# K from 1 to HIGHEST's length, is the prefix of STEM.Text that holds its
# first K digits. Each place tries the ten digits after STEM.(K-1) in turn
# until STEM.K is a prefix ("<<") of STEM.Text; a place after a failed one,
# and after a leading "0", has no prefix to go on. The value is whole when
# STEM.Text equals one of the prefixes; as long as HIGHEST, it must not be
# greater as text either.
number_check() {  # PROPERTY STEM HIGHEST SEQUENCE
  local property=$1 stem=$2 highest=$3 sequence=$4 places=${#3} k d guard after
  set_property "$stem.Text" "$stem.Text" "N[$property]" "$property" $((sequence++))
  for ((k = 1; k <= places; k++)); do
    case $k in
      1) guard="$stem.Text" after="N" ;;
      2) guard="$stem.Text << $stem.1 AND $stem.1 <> \"N0\"" after="[$stem.1]" ;;
      *) guard="$stem.Text << $stem.$((k - 1))" after="[$stem.$((k - 1))]" ;;
    esac
    set_property "$stem.$k.0" "$stem.$k" "${after}0" "$guard" $((sequence++))
    for d in 1 2 3 4 5 6 7 8 9; do
      set_property "$stem.$k.$d" "$stem.$k" "$after$d" "$guard AND NOT ($stem.Text << $stem.$k)" $((sequence++))
    done
  done
  for ((k = 1; k < places; k++)); do
    set_property "$stem.Ok.$k" "$stem.Ok" 1 "$stem.Text = $stem.$k" $((sequence++))
  done
  set_property "$stem.Ok.$places" "$stem.Ok" 1 "$stem.Text = $stem.$places AND $stem.Text <= \"N$highest\"" \
    $((sequence++))
}

{ grep -v -e '^--' -e '^$' "$here/aRvik-msi.sql"; [ -z "$extra" ] || grep -v -e '^--' -e '^$' "$extra"; } |
  sed -e "s/@VERSION@/$version/g" -e "s/@MAX_LOG_TEXT_HIGHEST@/$max_log_text/g" \
      -e "s/@LOG_KEEP_DAYS_HIGHEST@/$keep_days/g" -e "s/@UPGRADE_CODE@/$upgrade_code/g" >"$work/lines"
while IFS= read -r line; do
  case $line in
    REFUSE\|*)
      IFS='|' read -r _ action sequence condition text <<<"$line"
      row CustomAction "$action" 19 "" "$text" ""
      row ActionText "$action" "$text" ""
      row InstallExecuteSequence "$action" "$condition" "$sequence" ;;
    NUMBER\|*)
      IFS='|' read -r _ property stem highest sequence <<<"$line"
      number_check "$property" "$stem" "$highest" "$sequence" ;;
    *)
      quotes=${line//[^\']/}
      ((${#quotes} % 2 == 0)) || { echo "make-msi.sh: an apostrophe in a statement: $line" >&2; exit 2; }
      msibuild "$work/package.msi" -q "$line" ;;
  esac
done <"$work/lines"
for table in CustomAction ActionText InstallExecuteSequence; do
  [ -f "$work/$table.rows" ] || continue
  msiinfo export "$work/package.msi" "$table" >"$work/$table.idt"
  cat "$work/$table.rows" >>"$work/$table.idt"
  msibuild "$work/package.msi" -i "$work/$table.idt"
done
mv "$work/package.msi" "$out"

#!/usr/bin/env bash
# Runs orbelune-cat's commands on a copy of a catalogue and keeps every output in a folder, so that two
# builds can be compared byte for byte (diff -r): list in each order, show of some discs (names with and
# without non-ASCII letters), check, export plain and --csv, print to PDF (as pdftotext text), rebuild
# (check, listing and the files' SHA-256 after it), and import of the export into an empty folder.
# A rebuilt disc.IX may differ while its check and listing agree (the rebuild loads the index in bulk).
#
# Usage: tools/cat_outputs.sh ORBELUNE-CAT CATALOGUE-FOLDER OUT-FOLDER
#   e.g. a 10,000-disc catalogue from: bench_catalogue 10000 --keep FOLDER
set -u
tool=$(realpath "$1")
src=$(realpath "$2")
out=$3
rm -rf "$out" && mkdir -p "$out" && cd "$out" || exit 1
# Relative names throughout, so the messages that name files agree between two runs.
cp -r "$src" cat && rm -f cat/catalogue.db
run() {
  local name=$1
  shift
  "$tool" --dir cat "$@" >"$name.out" 2>"$name.err"
  echo "$?" >"$name.rc"
}
for by in name composer artist label type; do run "list-$by" list --by "$by"; done
codes=$(cut -f2 list-name.out | awk 'NR == 1 || NR == 2 || NR == 777 || NR == 5000 || NR == 9945')
codes="$codes $(grep -P '[^\x00-\x7F]' list-name.out | cut -f2 | awk 'NR == 1 || NR == 100 || NR == 3000')"
i=0
for c in $codes; do run "show-$((i++))" show "$c"; done
run check check
run export export export.txt
run export-csv export --csv export.csv
run print print --pdf all.pdf --by composer
run print-name print --pdf name.pdf --by name --page-size Letter
run print-disc print --pdf disc.pdf --disc "${codes%% *}" --user-fields
for f in all name disc; do pdftotext -layout "$f.pdf" "$f.pdf.txt" && rm "$f.pdf"; done
mkdir imported && "$tool" --dir imported import export.txt >import.out 2>&1
run rebuild rebuild
run check-after check
run list-after list --by name
# disc.VLF.blocks is left out: it names the store's inode and times, so it differs from run to run.
for f in cat/disc.DAT cat/disc.VLF cat/disc.IX imported/disc.DAT imported/disc.VLF imported/disc.IX; do
  sha256sum "$f" >>files.sha
done
rm -rf cat imported

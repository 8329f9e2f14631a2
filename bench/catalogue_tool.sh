#!/usr/bin/env bash
# orbelune-cat against the sqlite3 command on the same discs, process start included: list by name and by
# composer, show one disc, check, and rebuild against VACUUM. Best of RUNS wall-clock times, and the ratio
# orbelune-cat / sqlite3.
#
# Usage: bench/catalogue_tool.sh FOLDER [orbelune-cat] [RUNS]
#   FOLDER holds a catalogue and its SQLite twin catalogue.db, as left by
#   bench_catalogue 100000 --keep FOLDER
set -euo pipefail
dir=${1:?usage: catalogue_tool.sh FOLDER [orbelune-cat] [RUNS]}
tool=${2:-build-bench/orbelune-cat}
runs=${3:-3}
db=$dir/catalogue.db
command -v sqlite3 >/dev/null || { echo "the sqlite3 command is needed (apt-get install sqlite3)" >&2; exit 1; }
[ -f "$db" ] && [ -f "$dir/disc.DAT" ] || { echo "no catalogue and catalogue.db in $dir" >&2; exit 1; }

# Best wall-clock seconds of $runs runs of the command in "$@", output thrown away.
best() {
  local best="" t
  for ((i = 0; i < runs; i++)); do
    local s e
    s=$(date +%s.%N)
    "$@" >/dev/null
    e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc -l)
    if [ -z "$best" ] || (($(echo "$t < $best" | bc -l))); then best=$t; fi
  done
  echo "$best"
}

row() {
  local what=$1 ours=$2 theirs=$3
  printf '  %-22s %8.3f s %8.3f s   ratio %5.2f\n' "$what" "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)"
}

code=$(sqlite3 "$db" "SELECT code FROM discs ORDER BY rowid LIMIT 1 OFFSET (SELECT count(*) / 2 FROM discs)")
echo "$(sqlite3 "$db" 'SELECT count(*) FROM discs') discs            orbelune-cat    sqlite3"
row "list --by name" \
  "$(best "$tool" --dir "$dir" list --by name)" \
  "$(best sqlite3 -separator $'\t' "$db" 'SELECT name, code FROM discs ORDER BY name COLLATE NOCASE')"
row "list --by composer" \
  "$(best "$tool" --dir "$dir" list --by composer)" \
  "$(best sqlite3 -separator $'\t' "$db" 'SELECT composer, name, code FROM discs ORDER BY composer COLLATE NOCASE, name COLLATE NOCASE')"
row "show" \
  "$(best "$tool" --dir "$dir" show "$code")" \
  "$(best sqlite3 "$db" "SELECT code, name, artist, composer, label, type, tracks, notes FROM discs WHERE code = '$code'")"
row "check" \
  "$(best "$tool" --dir "$dir" check)" \
  "$(best sqlite3 "$db" 'PRAGMA integrity_check')"
row "rebuild / VACUUM" \
  "$(best "$tool" --dir "$dir" rebuild)" \
  "$(best sqlite3 "$db" 'VACUUM')"

#!/usr/bin/env bash
# orbelune-cat against the sqlite3 command on the same discs, process start included: list in each of the
# five orders, show one disc, the usage text, check, and rebuild against VACUUM. Each run times the two
# programs one after the other, so both see the same load; the figures are the medians of RUNS runs
# (rebuild: of at most 3) of wall-clock time and of CPU time (user + system, to the millisecond), and the
# ratios orbelune-cat / sqlite3. The load average is printed with them: on a shared machine it says how
# far to trust the wall-clock times.
#
# Usage: [QUICK=1] bench/catalogue_tool.sh FOLDER [orbelune-cat] [RUNS, default 11]
#   QUICK=1 leaves out check and rebuild.
#   FOLDER holds a catalogue and its SQLite twin catalogue.db, as left by
#   bench_catalogue 100000 --keep FOLDER
set -euo pipefail
dir=${1:?usage: catalogue_tool.sh FOLDER [orbelune-cat] [RUNS]}
tool=${2:-build-bench/orbelune-cat}
runs=${3:-11}
db=$dir/catalogue.db
command -v sqlite3 >/dev/null || { echo "the sqlite3 command is needed (apt-get install sqlite3)" >&2; exit 1; }
[ -f "$db" ] && [ -f "$dir/disc.DAT" ] || { echo "no catalogue and catalogue.db in $dir" >&2; exit 1; }

# "wall cpu": seconds of wall-clock time and of CPU time (user + system) the command in "$@" takes,
# output thrown away; bash's own clock, so no helper process is timed with it.
elapsed() {
  local TIMEFORMAT='%3R %3U %3S' t
  t=$({ time "$@" >/dev/null 2>&1; } 2>&1)
  read -r r u s <<<"$t"
  echo "$r $(echo "$u + $s" | bc -l)"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# row WHAT N -- OURS... -- THEIRS...: N runs of each, alternating; medians of wall and CPU time.
row() {
  local what=$1 n=$2
  shift 3
  local ours=() theirs=()
  while [ "$1" != "--" ]; do ours+=("$1"); shift; done
  shift
  theirs=("$@")
  local a=() b=()
  for ((i = 0; i < n; i++)); do
    a+=("$(elapsed "${ours[@]}")")
    b+=("$(elapsed "${theirs[@]}")")
  done
  local wa wb ca cb
  wa=$(printf '%s\n' "${a[@]}" | cut -d' ' -f1 | median)
  wb=$(printf '%s\n' "${b[@]}" | cut -d' ' -f1 | median)
  ca=$(printf '%s\n' "${a[@]}" | cut -d' ' -f2 | median)
  cb=$(printf '%s\n' "${b[@]}" | cut -d' ' -f2 | median)
  printf '  %-20s %8.3f %8.3f  %5.2f   %8.3f %8.3f  %5.2f\n' "$what" "$wa" "$wb" "$(echo "$wa / $wb" | bc -l)" \
    "$ca" "$cb" "$(echo "$ca / ($cb + 0.0000001)" | bc -l)"
}

code=$(sqlite3 "$db" "SELECT code FROM discs ORDER BY rowid LIMIT 1 OFFSET (SELECT count(*) / 2 FROM discs)")
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg); medians of $runs runs"
printf '  %-20s %8s %8s  %5s   %8s %8s  %5s\n' "$(sqlite3 "$db" 'SELECT count(*) FROM discs') discs" \
  "wall: us" sqlite3 ratio "CPU: us" sqlite3 ratio
row "list --by name" "$runs" -- "$tool" --dir "$dir" list --by name \
  -- sqlite3 -separator $'\t' "$db" 'SELECT name, code FROM discs ORDER BY name COLLATE NOCASE'
for field in composer artist label type; do
  row "list --by $field" "$runs" -- "$tool" --dir "$dir" list --by "$field" \
    -- sqlite3 -separator $'\t' "$db" "SELECT $field, name, code FROM discs ORDER BY $field COLLATE NOCASE, name COLLATE NOCASE"
done
row "show" "$runs" -- "$tool" --dir "$dir" show "$code" \
  -- sqlite3 "$db" "SELECT code, name, artist, composer, label, type, tracks, notes FROM discs WHERE code = '$code'"
row "--help / -version" "$runs" -- "$tool" --help -- sqlite3 -version
if [ -z "${QUICK:-}" ]; then
row "check" "$runs" -- "$tool" --dir "$dir" check -- sqlite3 "$db" 'PRAGMA integrity_check'
row "rebuild / VACUUM" "$((runs < 3 ? runs : 3))" -- "$tool" --dir "$dir" rebuild -- sqlite3 "$db" 'VACUUM'
fi
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"

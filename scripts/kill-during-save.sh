#!/usr/bin/env bash
# Interrupts `plotlet draw --save` at random moments and counts what each run left behind: the
# target must be either the old document or a complete new one, and no temporary file may stay.
# A larger layer (POINTS points) makes the save long enough to be hit.
#   scripts/kill-during-save.sh BIN [RUNS] [POINTS]
set -euo pipefail
# Job control on: a background job of a script would otherwise ignore SIGINT.
set -m
bin=$(cd "$1" && pwd)
runs=${2:-20}
points=${3:-20000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

{
  echo "NAME,A,B,WKT"
  for ((i = 0; i < points; i++)); do echo "p$i,$((i % 97)),$((i % 31)),POINT ($((i % 300)) $((i / 300)))"; done
} >"$work/big.csv"
"$bin/plotlet" draw "$work/big.csv" --layer big --fields A,B --save "$work/old.pmx" >/dev/null 2>&1
old=$(sha256sum <"$work/old.pmx")

declare -A outcomes=()
for ((run = 1; run <= runs; run++)); do
  cp "$work/old.pmx" "$work/map.pmx"
  signal=$([[ $((run % 2)) -eq 0 ]] && echo INT || echo TERM)
  "$bin/plotlet" draw "$work/big.csv" --layer big --fields A,B --save "$work/map.pmx" >/dev/null 2>&1 &
  pid=$!
  sleep "$((RANDOM % 2)).$((RANDOM % 10))$((RANDOM % 10))"
  kill -s "$signal" "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  left=$(find "$work" -maxdepth 1 -name '.map.pmx.tmp-*' | wc -l)
  if [[ $(sha256sum <"$work/map.pmx") == "$old" ]]; then state=old
  elif "$bin/plotlet" info "$work/map.pmx" >/dev/null 2>&1; then state=new
  else state=BROKEN; fi
  key="SIG$signal target=$state temporaries-left=$left"
  outcomes[$key]=$((${outcomes[$key]:-0} + 1))
  rm -f "$work"/.map.pmx.tmp-*
done
for key in "${!outcomes[@]}"; do echo "${outcomes[$key]} × $key"; done | sort

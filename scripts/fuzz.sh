#!/usr/bin/env bash
# Runs each reader's libFuzzer target in turn for SECONDS seconds (one at a time, at low
# priority: the machine is shared), starting from the seeds the project's writers make plus the
# regression corpus. New inputs are kept in BIN/../fuzz-corpus/<reader>; a crash or a hang lands
# in BIN/../fuzz-findings/<reader>/ and fails the run: fix it, then add the input to
# fuzz/regressions/<reader>/ so the tests replay it.
#   scripts/fuzz.sh BIN SECONDS [READER...]
set -euo pipefail
bin=$(cd "$1" && pwd)
seconds=$2
shift 2
readers=("$@")
[[ ${#readers[@]} -gt 0 ]] || readers=(map_document property_set layer_file data_source element_line)
root=$(cd "$(dirname "$0")/.." && pwd)
corpus=$bin/../fuzz-corpus
findings=$bin/../fuzz-findings
mkdir -p "$corpus" "$findings"
# Without libFuzzer targets (a build without clang) the plain mutation driver stands in.
[[ -x "$bin/plotlet_fuzz_seeds" ]] && "$bin/plotlet_fuzz_seeds" "$corpus"

status=0
for reader in "${readers[@]}"; do
  mkdir -p "$findings/$reader" "$corpus/$reader" "$root/fuzz/regressions/$reader"
  echo "fuzz: $reader for ${seconds}s" >&2
  log=$findings/$reader/last.log
  if [[ -x "$bin/fuzz_$reader" ]]; then
    run=(nice -n 19 "$bin/fuzz_$reader" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048
      -max_len=65536 -print_final_stats=1 -artifact_prefix="$findings/$reader/"
      "$corpus/$reader" "$root/fuzz/regressions/$reader")
  else
    run=(nice -n 19 "$bin/plotlet_mutate" "$reader" "$seconds" "$findings/$reader" "$root/fuzz/regressions/$reader")
  fi
  if ! "${run[@]}" >"$log" 2>&1; then
    echo "fuzz: $reader FOUND A FAULT (see $log and $findings/$reader/)" >&2
    status=1
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb|^plotlet_mutate" "$log" | sed "s/^/fuzz: $reader /" >&2 || true
done
exit $status

#!/usr/bin/env bash
# End to end: `vok convert` of a typical mission (300 items) against `cp` of the same file, timed
# side by side with hyperfine (Debian package "hyperfine") or, without it, a plain repeated loop.
#
#     bench/e2e.sh [BUILD_DIR]        # default build/release; needs vok and vok_typical_missions
#
# Prints the mean time of each command and its ratio to cp; the target is at most 2.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
vok="$build/bin/vok"
maker="$build/bench/vok_typical_missions"
[ -x "$vok" ] && [ -x "$maker" ] || { echo "build $build first (targets vok and vok_typical_missions)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$maker" "$work"
in_bms="$work/df2_typical.bms"
in_mis="$work/df2_typical.mis"
echo "typical mission: $(stat -c %s "$in_bms") bytes binary, $(stat -c %s "$in_mis") bytes ascii (300 items)"

# name|command
cases=(
  "cp bms|cp $in_bms $work/copy.bms"
  "vok convert bms -> mis|$vok convert $in_bms $work/out.mis"
  "vok convert bms -> mis --quiet (no loss report)|$vok convert $in_bms $work/quiet.mis --quiet"
  "cp mis|cp $in_mis $work/copy.mis"
  "vok convert mis -> bms|$vok convert $in_mis $work/out.bms --from df2"
  "vok convert bms -> bms (df2 -> df3)|$vok convert $in_bms $work/lw.bms --to df3 --replace skip --quiet"
  "vok convert bms -> mis, all fields random|$vok convert $work/df2_random.bms $work/random.mis"
)

runs=${RUNS:-300}
if command -v hyperfine > /dev/null; then
  args=()
  for c in "${cases[@]}"; do args+=(--command-name "${c%%|*}" "${c#*|}"); done
  hyperfine -N --warmup 20 --runs "$runs" --export-json "$work/e2e.json" "${args[@]}" > "$work/hyperfine.txt" 2>&1
  python3 - "$work/e2e.json" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
mean = {r["command"]: r["mean"] for r in results}
sd = {r["command"]: r["stddev"] for r in results}
print("| command | mean ms | stddev ms | ratio to cp of the same file | target <= 2 |")
print("|---|---:|---:|---:|---|")
for r in results:
    name = r["command"]
    ref = "cp mis" if name.startswith("cp mis") or "mis -> bms" in name else "cp bms"
    ratio = mean[name] / mean[ref]
    verdict = "" if name.startswith("cp") else ("met" if ratio <= 2 else "MISSED")
    print(f"| {name} | {mean[name]*1e3:.3f} | {sd[name]*1e3:.3f} | {ratio:.2f} | {verdict} |")
PY
else
  echo "(hyperfine not installed: a plain loop of $runs runs each)"
  for c in "${cases[@]}"; do
    name=${c%%|*}
    read -r -a command <<< "${c#*|}"
    for _ in $(seq 20); do "${command[@]}" > /dev/null 2>&1; done
    start=$(date +%s%N)
    for _ in $(seq "$runs"); do "${command[@]}" > /dev/null 2>&1; done
    end=$(date +%s%N)
    echo "$name: $(( (end - start) / runs / 1000 )) us per run"
  done
fi

#!/usr/bin/env python3
"""Turns the JSON output of vok_bench into a table of MB/s and ratios to memcpy.

    build/release/bench/vok_bench --benchmark_format=json > bench.json
    bench/ratios.py bench.json            # a Markdown table
    (with --benchmark_repetitions=N the table shows the medians)
    bench/ratios.py --check bench.json    # also exit 1 when a target ratio is missed

Each benchmark names its memcpy reference (the same bytes, same run) in its label.
"""
import argparse
import json
import sys

# Target ratios to memcpy, by the part of the name after the version.
TARGETS = {
    "binary_read": 0.2,
    "binary_write": 0.2,
    "ascii_read": 0.05,
    "ascii_write": 0.05,
}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("json", help="output of vok_bench --benchmark_format=json (or --benchmark_out)")
    parser.add_argument("--check", action="store_true", help="exit 1 when a target ratio is missed")
    args = parser.parse_args()

    with open(args.json, encoding="utf-8") as f:
        data = json.load(f)

    # With --benchmark_repetitions the medians stand for each benchmark; otherwise its one run.
    medians = [b for b in data["benchmarks"] if b.get("aggregate_name") == "median"]
    if medians:
        runs = [dict(b, name=b["run_name"]) for b in medians]
    else:
        runs = [b for b in data["benchmarks"] if b.get("run_type", "iteration") == "iteration"]
    speed = {b["name"]: b.get("bytes_per_second", 0.0) for b in runs}

    context = data.get("context", {})
    print(f"Machine: {context.get('num_cpus', '?')} CPUs at {context.get('mhz_per_cpu', '?')} MHz, "
          f"run {context.get('date', '')}")
    for key in sorted(k for k in context if k.endswith("_sample")):
        print(f"- {key.replace('_sample', '')}: {context[key]}")
    print()
    print("| benchmark | MB/s | memcpy MB/s | ratio to memcpy | target | allocations per run |")
    print("|---|---:|---:|---:|---|---:|")
    missed = []
    for b in runs:
        name = b["name"]
        reference = b.get("label") or name
        mbs = speed[name] / 1e6
        ref = speed.get(reference, 0.0) / 1e6
        ratio = mbs / ref if ref else float("nan")
        kind = name.split("/", 1)[-1]
        target = TARGETS.get(kind)
        verdict = ""
        if target is not None:
            met = ratio >= target
            verdict = f">= {target} {'met' if met else 'MISSED'}"
            if not met:
                missed.append(f"{name}: {ratio:.3f} < {target} ({ratio / target:.0%} of the target)")
        allocs = b.get("allocs_per_iter")
        allocs_text = "" if allocs is None else f"{allocs:.0f}"
        print(f"| {name} | {mbs:,.0f} | {ref:,.0f} | {ratio:.3f} | {verdict} | {allocs_text} |")
    if missed:
        print()
        print("Missed targets:")
        for line in missed:
            print(f"- {line}")
    return 1 if (args.check and missed) else 0


if __name__ == "__main__":
    sys.exit(main())

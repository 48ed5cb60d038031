#!/usr/bin/env python3
"""Draws the time per file against the number of files, for the floor loop and the
engine, from the RESULT lines of a benchmark run.

usage: plot_bench.py RESULTS.txt OUT.png
"""
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402


def read_results(path):
    """Returns {rule: [(files, engine_us_per_file, floor_us_per_file)]} and the
    window run as (files, us_per_file) or None."""
    rules = {}
    window = None
    with open(path, encoding="utf-8") as results:
        for line in results:
            if not line.startswith("RESULT "):
                continue
            # Words without "=" name a measurement ("RESULT predict ...").
            fields = dict(item.split("=", 1) for item in line.split()[1:] if "=" in item)
            if "engine_ms" in fields and "window" not in fields:
                files = int(fields["files"])
                rules.setdefault(fields["rule"], []).append(
                    (files, 1000 * float(fields["engine_ms"]) / files,
                     1000 * float(fields["floor_ms"]) / files))
            elif fields.get("window") == "run":
                files = int(fields["files"])
                window = (files, 1000 * float(fields["ms"]) / files)
    for points in rules.values():
        points.sort()
    return rules, window


def plot(rules, window, out):
    figure, axes = plt.subplots(figsize=(6.4, 3.8), dpi=100)
    styles = {"ADDPRENO": ("tab:blue", "o"), "ADDPRE": ("tab:orange", "s")}
    for rule, points in rules.items():
        colour, marker = styles.get(rule, ("tab:gray", "^"))
        files = [p[0] for p in points]
        axes.plot(files, [p[1] for p in points], color=colour, marker=marker,
                  label=f"engine {rule}")
        axes.plot(files, [p[2] for p in points], color=colour, marker=marker,
                  linestyle="--", alpha=0.7, label=f"floor (paired with {rule})")
    if window:
        axes.plot([window[0]], [window[1]], color="tab:green", marker="D", linestyle="none",
                  label="window run ADDPRENO")
    axes.set_xscale("log")
    axes.set_ylim(bottom=0)
    axes.set_xlabel("files in the directory")
    axes.set_ylabel("time per file (µs)")
    axes.set_title("Rename run: time per file, median of the repetitions")
    axes.grid(True, which="both", alpha=0.3)
    axes.legend(fontsize=8, loc="lower left")
    figure.tight_layout()
    figure.savefig(out)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    rules, window = read_results(sys.argv[1])
    if not rules:
        sys.exit(f"no RESULT lines in {sys.argv[1]}")
    plot(rules, window, sys.argv[2])


if __name__ == "__main__":
    main()

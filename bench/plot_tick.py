#!/usr/bin/env python3
"""Draws the poll-tick figures of a helper_bench JSON report as an SVG line chart (log-log).

usage: plot_tick.py <helper_bench --benchmark_out=...json> <out.svg>
"""
import json
import math
import sys

SERIES = [
    ("BM_TickBaseline", "baseline: read + split", "#7a7a7a", "6 4"),
    ("BM_TickNoNewLinesRewritten", "tick, no new line, files rewritten", "#d9822b", ""),
    ("BM_TickNoNewLinesTouched", "tick, no new line, files touched", "#3a6fb0", ""),
    ("BM_TickNoNewLinesQuiet", "tick, no new line, files quiet", "#009426", ""),
    ("BM_TickAllLinesNew", "tick, every line new", "#c23030", ""),
]
UNIT_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
WIDTH, HEIGHT = 820, 470
LEFT, RIGHT, TOP, BOTTOM = 80, 280, 50, 60


def points(report, name):
    found = []
    for run in report["benchmarks"]:
        # Repeated benchmarks are plotted by their median.
        kind = run.get("run_type", "iteration")
        if kind == "aggregate" and run.get("aggregate_name") != "median":
            continue
        parts = run["name"].split("/")
        if parts[0] == name and len(parts) > 1 and parts[1].isdigit():
            found.append((int(parts[1]), run["real_time"] * UNIT_MS[run["time_unit"]]))
    return sorted(found)


def main():
    with open(sys.argv[1], encoding="utf-8") as source:
        report = json.load(source)
    data = [(label, colour, dash, points(report, name)) for name, label, colour, dash in SERIES]
    values = [y for *_, series in data for _, y in series if y > 0]
    lines = [x for *_, series in data for x, _ in series]
    if not values:
        sys.exit("no tick figures in the report")
    y_low = 10 ** math.floor(math.log10(min(values)))
    y_high = 10 ** math.ceil(math.log10(max(values)))
    x_low, x_high = min(lines), max(lines)
    plot_w, plot_h = WIDTH - LEFT - RIGHT, HEIGHT - TOP - BOTTOM

    def px(x):
        return LEFT + plot_w * (math.log10(x) - math.log10(x_low)) / (
            math.log10(x_high) - math.log10(x_low))

    def py(y):
        return TOP + plot_h * (1 - (math.log10(y) - math.log10(y_low)) / (
            math.log10(y_high) - math.log10(y_low)))

    def ms_label(y):
        return f"{y * 1000:g} µs" if y < 1 else (f"{y:g} ms" if y < 1000 else f"{y / 1000:g} s")

    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{WIDTH}" height="{HEIGHT}" '
           f'font-family="DejaVu Sans, sans-serif" font-size="12">',
           f'<rect width="{WIDTH}" height="{HEIGHT}" fill="white" stroke="none"/>',
           f'<text x="{LEFT}" y="28" font-size="15" font-weight="bold">'
           'One poll tick against report file size (both files, wall time)</text>']
    decade = y_low
    while decade <= y_high * 1.0001:
        y = py(decade)
        out.append(f'<line x1="{LEFT}" y1="{y:.1f}" x2="{LEFT + plot_w}" y2="{y:.1f}" '
                   'stroke="#e4e4e4"/>')
        out.append(f'<text x="{LEFT - 8}" y="{y + 4:.1f}" text-anchor="end">'
                   f'{ms_label(decade)}</text>')
        decade *= 10
    for x in sorted(set(lines)):
        out.append(f'<line x1="{px(x):.1f}" y1="{TOP}" x2="{px(x):.1f}" y2="{TOP + plot_h}" '
                   'stroke="#e4e4e4"/>')
        out.append(f'<text x="{px(x):.1f}" y="{TOP + plot_h + 18}" text-anchor="middle">'
                   f'{x:,}</text>')
    out.append(f'<rect x="{LEFT}" y="{TOP}" width="{plot_w}" height="{plot_h}" fill="none" '
               'stroke="#444"/>')
    out.append(f'<text x="{LEFT + plot_w / 2:.1f}" y="{HEIGHT - 16}" text-anchor="middle">'
               'lines in each report file</text>')
    out.append(f'<text transform="translate(18 {TOP + plot_h / 2:.1f}) rotate(-90)" '
               'text-anchor="middle">wall time per tick</text>')
    for index, (label, colour, dash, series) in enumerate(data):
        if series:
            dashes = f' stroke-dasharray="{dash}"' if dash else ""
            for (x1, y1), (x2, y2) in zip(series, series[1:]):
                out.append(f'<line x1="{px(x1):.1f}" y1="{py(y1):.1f}" x2="{px(x2):.1f}" '
                           f'y2="{py(y2):.1f}" stroke="{colour}" stroke-width="2.5"{dashes}/>')
            for x, y in series:
                out.append(f'<circle cx="{px(x):.1f}" cy="{py(y):.1f}" r="4" '
                           f'fill="{colour}" stroke="none"/>')
        ly = TOP + 14 + index * 24
        lx = LEFT + plot_w + 16
        dashes = f' stroke-dasharray="{dash}"' if dash else ""
        out.append(f'<line x1="{lx}" y1="{ly}" x2="{lx + 26}" y2="{ly}" stroke="{colour}" '
                   f'stroke-width="2.5"{dashes}/>')
        out.append(f'<text x="{lx + 32}" y="{ly + 4}">{label}</text>')
    out.append("</svg>")
    with open(sys.argv[2], "w", encoding="utf-8") as target:
        target.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()

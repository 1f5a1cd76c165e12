#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes BENCHMARKS.md and the worst-case plot from the results of ./bench.sh.

    bench/report.py RESULTS_DIR BENCHMARKS.md docs/worst_case.svg
"""
import datetime
import json
import os
import platform
import subprocess
import sys

GB = 1e9
MB = 1e6


def median_runs(path):
    """Google Benchmark medians by benchmark name: seconds per iteration and counters."""
    with open(path) as f:
        data = json.load(f)
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    runs = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        name = b["run_name"].split("/iterations")[0]
        runs[name] = dict(b, seconds=b["real_time"] * scale[b["time_unit"]])
    return runs, data["context"]


def command(*args):
    try:
        return subprocess.run(args, capture_output=True, text=True).stdout.strip().splitlines()[0]
    except (OSError, IndexError):
        return "?"


def machine():
    model = next((l.split(":", 1)[1].strip() for l in open("/proc/cpuinfo") if l.startswith("model name")), "?")
    memory = next(int(l.split()[1]) for l in open("/proc/meminfo") if l.startswith("MemTotal"))
    return [
        "- CPU: %s, %d cores" % (model, os.cpu_count()),
        "- Memory: %.0f GiB; kernel %s" % (memory / 2**20, platform.release()),
        "- Compiler: %s; Release build (-O3)" % command("g++", "--version"),
        "- Python peer: %s" % command("python3", "--version"),
        "- Date: %s" % datetime.date.today().isoformat(),
    ]


def ms(seconds):
    return "%.3f ms" % (seconds * 1e3) if seconds < 0.01 else "%.1f ms" % (seconds * 1e3)


def goal(met):
    return "met" if met else "**missed**"


REALISTIC = ("search_22", "search_200", "entry_50")


def extraction_table(q, peer):
    rows = ["| page | size | rows | Quillon | MB/s | Python `re` | MB/s | ratio Quillon/Python |",
            "|---|---|---|---|---|---|---|---|"]
    ratios = {}
    for name, label in (("search_22", "four result pages, 22 entries each"),
                        ("search_200", "four result pages, 200 entries each"),
                        ("entry_50", "entry page, 50 link blocks")):
        bench = {"search_22": "BM_SearchPages22", "search_200": "BM_SearchPages200",
                 "entry_50": "BM_EntryPage50"}[name]
        qs, ps = q[bench]["seconds"], peer[name]["seconds"]
        size = peer[name]["bytes"]
        ratios[name] = qs / ps
        rows.append("| %s | %.0f KB | %d | %s | %.0f | %s | %.0f | %.2f |" % (
            label, size / 1024, int(q[bench]["rows"]), ms(qs), size / qs / MB, ms(ps), size / ps / MB, qs / ps))
    return rows, ratios


def worst_case(q, peer, data_path):
    rows = ["| page | Quillon | MB/s | Python `re` | ratio Python/Quillon |", "|---|---|---|---|---|"]
    points = []
    for name in sorted(peer, key=lambda n: int(n.split("_")[1].rstrip("k.txt"))):
        kib = int(name.split("_")[1].rstrip("k.txt"))
        qs = q["BM_WorstCase/%d" % (kib * 1024)]["seconds"]
        ps = peer[name]
        rows.append("| %g MB | %s | %.0f | %s | %s |" % (
            kib / 1024, ms(qs), kib * 1024 / qs / MB, "> 10 s" if ps is None else "%.2f s" % ps,
            "> %.0f" % (10 / qs) if ps is None else "%.0f" % (ps / qs)))
        points.append((kib / 1024, qs, ps))
    with open(data_path, "w") as f:
        for size, qs, ps in points:
            f.write("%g %g %s %s\n" % (size, qs, "NaN" if ps is None else "%g" % ps,
                                       "10" if ps is None else "NaN"))
    return rows, points


def plot(data_path, svg_path):
    script = """
set terminal svg size 720,440 dynamic font 'sans,12'
set output '%s'
set logscale xy
set xlabel 'page size (MB)'
set ylabel 'time to extract the rows (s)'
set title 'Result-list openings that never close'
set key bottom right
set grid
set xtics (0.25, 0.5, 1, 2, 4)
set arrow from 0.2,10 to 5,10 nohead dashtype 2
plot [0.2:5] [1e-4:100] '%s' using 1:2 with linespoints lw 2 pt 7 title 'Quillon (RE2)', \\
     '' using 1:3 with points pt 7 ps 1.5 title 'Python re', \\
     '' using 1:4 with points pt 9 ps 1.5 title 'Python re, stopped at 10 s (more than that)'
""" % (svg_path, data_path)
    subprocess.run(["gnuplot"], input=script, text=True, check=True)


def main():
    results, md_path, svg_path = sys.argv[1:4]
    q, context = median_runs(os.path.join(results, "quillon.json"))
    with open(os.path.join(results, "peer.json")) as f:
        peer = json.load(f)
    with open(os.path.join(results, "startup.json")) as f:
        start = json.load(f)
    with open(os.path.join(results, "peak.json")) as f:
        peak = json.load(f)
    peak_growth = peak["peak_mb"] - peak["before_mb"]
    windows = None
    if os.path.exists(os.path.join(results, "windows.json")):
        with open(os.path.join(results, "windows.json")) as f:
            windows = json.load(f)
    paint, _ = median_runs(os.path.join(results, "paint.json"))
    paint_short, paint_long = paint["BM_PaintFourRows/20"]["seconds"], paint["BM_PaintFourRows/4194304"]["seconds"]

    ext_rows, ratios = extraction_table(q, peer["extraction"])
    wc_rows, points = worst_case(q, peer["worst_case"], os.path.join(results, "worst_case.dat"))
    before = {}  # a megabyte that starts a match, then a real page: Quillon's and Python's seconds
    for name, bench, label in (("openings_before_page", "BM_OpeningsBeforePage",
                                "1 MB of openings, then the four result pages"),
                               ("checkboxes_before_entry", "BM_CheckboxesBeforeEntry",
                                "1 MB of link blocks without a link, then an entry page")):
        qs, ps = q[bench]["seconds"], peer["extraction"][name]["seconds"]
        before[name] = qs, ps
        wc_rows.append("| %s | %s | %.0f | %s | %.1f |" % (
            label, ms(qs), peer["extraction"][name]["bytes"] / qs / MB, ms(ps), ps / qs))
    before_page = before["openings_before_page"][0]
    checkboxes, py_checkboxes = before["checkboxes_before_entry"]
    first_link = q["BM_LinkPageThenMegabyte"]["seconds"]
    first_link_re2 = q["BM_LinkPageThenMegabyte_Re2Alone"]["seconds"]
    growth = {family: q["Hostile/%s/%d" % (family, 4 << 20)]["seconds"] /
              q["Hostile/%s/%d" % (family, 256 << 10)]["seconds"]
              for family in ("titles", "untyped", "checkboxes", "redirects")}
    plot(os.path.join(results, "worst_case.dat"), svg_path)
    wc = {size: qs for size, qs, _ in points}
    py_1mb = next(ps for size, _, ps in points if size == 1)

    dec = peer["decoding"]
    detect = q["Decoding/DetectUtf8_Utf8"]
    decode_rows = [
        "| body (1 MB of catalogue HTML) | Quillon | GB/s | Python `bytes.decode` | GB/s | ratio Quillon/Python |",
        "|---|---|---|---|---|---|"]
    for name, bench, label in (("utf8_1mb", "Decoding/DecodeResponse_Utf8", "UTF-8, `DecodeResponse`"),
                               ("gbk_1mb", "Decoding/DecodeResponse_Gbk", "GBK, `DecodeResponse` (as GB18030)")):
        qs, ps, size = q[bench]["seconds"], dec[name]["seconds"], dec[name]["bytes"]
        decode_rows.append("| %s | %s | %.2f | %s | %.2f | %.2f |" % (
            label, ms(qs), size / qs / GB, ms(ps), size / ps / GB, qs / ps))
    gbk_detect = q["Decoding/DetectUtf8_Gbk"]

    reused, fresh = q["BM_SearchEndToEnd_Reused"]["seconds"], q["BM_SearchEndToEnd_NewConnections"]["seconds"]
    e2e = peer["end_to_end"]
    floor = 4 * 0.020
    search_cpu = q["BM_SearchEndToEnd_Reused"]["cpu_time"] * 1e-3
    extract_now = q["BM_SearchPages22"]["seconds"]
    extract_before = q["BM_SearchPages22_Re2Alone"]["seconds"]

    goals = [
        ("Extraction faster than Python `re` on realistic pages (ratio ≤ 0.8)",
         "ratios %s" % ", ".join("%.2f" % r for r in ratios.values()), all(r <= 0.8 for r in ratios.values())),
        ("1 MB of openings before a real page under 5 ms", ms(before_page), before_page <= 0.005),
        ("1 MB of link blocks without a link before an entry page at most 0.5 × Python",
         "%.2f × Python" % (checkboxes / py_checkboxes), checkboxes <= 0.5 * py_checkboxes),
        ("First match of a link page before 1 MB within 10% of RE2 alone (both remove the line feeds)",
         "%s (RE2 alone %s)" % (ms(first_link), ms(first_link_re2)), first_link <= 1.1 * first_link_re2),
        ("Every hostile family linear: 4 MB ≤ 18 × 0.25 MB",
         ", ".join("%s %.1f×" % item for item in growth.items()), all(g <= 18 for g in growth.values())),
        ("Ten times faster than Python on the worst case at 1 MB",
         "> %.0f× (Python ran out of its 10 s)" % (10 / wc[1]) if py_1mb is None else "%.0f×" % (py_1mb / wc[1]),
         py_1mb is None or py_1mb / wc[1] >= 10),
        ("Worst case linear: 4 MB ≤ 18 × 0.25 MB", "%.1f×" % (wc[4] / wc[0.25]), wc[4] <= 18 * wc[0.25]),
        ("Worst case at 1 MB under 20 ms", ms(wc[1]), wc[1] < 0.020),
        ("End to end within 10% of 4 × 20 ms with the connection reused", "%s, %.1f%% over" % (
            ms(reused), (reused / floor - 1) * 100), reused <= floor * 1.10),
        ("`DetectUtf8` at 2 GB/s or more on mostly-ASCII HTML",
         "%.1f GB/s" % (detect["bytes_per_second"] / GB), detect["bytes_per_second"] >= 2 * GB),
        ("Start-up to the shown window under 300 ms", "%d ms" % start["start_ms"], start["start_ms"] < 300),
        ("Idle memory under 60 MB", "%.1f MB" % start["idle_mb"], start["idle_mb"] < 60),
        ("Four rows of 4 MiB titles paint in under 16 ms, one frame", "%s (titles of 20 characters: %s)" % (
            ms(paint_long), ms(paint_short)), paint_long < 0.016),
        ("The Windows program, one file, at most 20 MB",
         "%.1f MB" % (windows["size_bytes"] / MB) if windows else "not built",
         windows is not None and windows["size_bytes"] <= 20 * MB),
        ("A search of four pages as large as a page may be takes at most 3 × one action's budget",
         "%.1f MB, %.1f × %g MB" % (peak_growth, peak_growth / peak["budget_mb"], peak["budget_mb"]),
         peak_growth <= 3 * peak["budget_mb"]),
    ]

    out = ["# Benchmarks", "",
           "Written by `./bench.sh` on this machine; every figure is the median of repeated runs "
           "(Google Benchmark: 9 repetitions; Python: 9 rounds of at least 0.2 s; end to end: "
           "9 × 10 searches and 15 Python searches; start-up: %d launches). The machine is shared, "
           "so figures move by some percent from run to run." % start["runs"], "",
           "## Machine", ""] + machine() + [
           "- Google Benchmark: %s (Debian's library is built without optimisation, "
           "which touches only its own timing loop)" % context.get("library_build_type", "?"), "",
           "## Goals", "", "| goal | measured | |", "|---|---|---|"]
    out += ["| %s | %s | %s |" % (g, m, goal(ok)) for g, m, ok in goals]
    out += ["", "## 1. Extraction of the rows", "",
            "Line-feed removal, the pattern and the rows, on the demo catalogue's pages (the four "
            "result pages of a search, decoded and joined, as the search reads them). Python runs "
            "the same pattern, read from Quillon's source, with `re.IGNORECASE | re.ASCII`.", ""]
    out += ext_rows
    out += ["", "## 2. Worst case: result-list openings whose closing tag never comes", "",
            "Each opening `<a href=\"/entry/xN/\"><div class=\"title\">` starts a match that a "
            "backtracking engine follows to the end of the page. Python was stopped after 10 s. "
            "The last two rows end in a real page: a megabyte of openings, or of an entry page's "
            "link blocks whose link never comes, before the first match ends.", ""]
    out += wc_rows
    out += ["", "![Worst case, time against page size](docs/worst_case.svg)", "",
            "## 3. Decoding", "",
            "`DetectUtf8` on 1 MB of UTF-8 catalogue HTML: %s, **%.1f GB/s** (the page is mostly "
            "markup, read eight bytes at a time). On the GBK page it stops at the first byte that "
            "breaks the UTF-8 rules: %.0f ns. Python has no such step; it decodes, as below." % (
                ms(detect["seconds"]), detect["bytes_per_second"] / GB, gbk_detect["seconds"] * 1e9), ""]
    out += decode_rows
    out += ["", "## 4. A whole search against a server that waits 20 ms before each page", "",
            "`KeywordSearch(u\"demo\")` over the network to the demo catalogue, from the call to the "
            "80 rows; the four pages are fetched one after the other, so 4 × 20 ms = 80 ms is the "
            "floor. The Python script fetches with `urllib` (a new connection per page) and "
            "extracts as above.", "",
            "| | time per search | over the 80 ms floor | ratio to Python |", "|---|---|---|---|",
            "| Quillon, connection reused | %s | %+.1f%% | %.2f |" % (
                ms(reused), (reused / floor - 1) * 100, reused / e2e["seconds"]),
            "| Quillon, a new connection per page (server closes) | %s | %+.1f%% | %.2f |" % (
                ms(fresh), (fresh / floor - 1) * 100, fresh / e2e["seconds"]),
            "| Python `urllib` + `re` | %s | %+.1f%% | 1 |" % (
                ms(e2e["seconds"]), (e2e["seconds"] / floor - 1) * 100),
            "",
            "Quillon's own processor time for a search, on the calling thread: %s (reused), %s "
            "(new connections)." % (ms(q["BM_SearchEndToEnd_Reused"]["cpu_time"] * 1e-3),
                                    ms(q["BM_SearchEndToEnd_NewConnections"]["cpu_time"] * 1e-3)),
            "Of it, extracting the rows takes %s, %.0f%%; with RE2 alone, as before the layered "
            "matcher, it took %s, %.0f%% of the same search (`BM_SearchPages22_Re2Alone`)." % (
                ms(extract_now), 100 * extract_now / search_cpu, ms(extract_before),
                100 * extract_before / (search_cpu - extract_now + extract_before)),
            "The time over the floor is mostly the server's own: it compresses each page with gzip "
            "for Quillon, which asks for compression, and not for urllib, which does not.",
            "", "## 5. The program", "",
            "Under Xvfb, over the demo catalogue; `bench/startup.sh`. A script has no window, so "
            "there is no peer here; the goals are absolute.", "",
            "| | measured |", "|---|---|",
            "| start to the search window shown (median of %d) | %d ms |" % (start["runs"], start["start_ms"]),
            "| memory (VmRSS) when idle | %.1f MB |" % start["idle_mb"],
            "| memory after a search of 80 rows | %.1f MB |" % start["after_search_mb"],
            "| the result list painted with four rows of titles of 20 characters (offscreen) | %s |" % ms(paint_short),
            "| the same with four titles of 4 MiB, each cut to what a cell shows | %s |" % ms(paint_long),
            ] + ([
            "| `Quillon.exe`, 32-bit, Qt 5.15 (one file) | %.1f MB |" % (windows["size_bytes"] / MB),
            "| its start to the search window under 32-bit Wine 8 set to Windows 7, through qemu-user "
            "(median of %d, Wine's server running) | %d ms |" % (windows["runs"], windows["start_ms"]),
            ] if windows else []) + [
            "",
            "One user action holds at most %g MB of page text (`Module1::kActionBudget`), however "
            "large the pages its server sends. A search whose four result pages are each as large "
            "as a page may be (16 MiB of GBK text that grows by a quarter as it is decoded; "
            "`quillon-demo-site --large-pages`), run as a window runs it (`quillon_bench "
            "--peak-search`): the process's peak memory rose from %.1f MB to %.1f MB, by %.1f MB "
            "(%.1f × the budget)." % (peak["budget_mb"], peak["before_mb"], peak["peak_mb"],
                                      peak_growth, peak_growth / peak["budget_mb"]),
            "", "## 6. Asking the system for a proxy", "",
            "`Module1::ProxiesFor` as a search, a detail window or a copy calls it once per host: "
            "on a worker of its own, so that a script that never comes cannot hold the fetch, with "
            "GNOME's settings read by libproxy. A page fetch takes tens of milliseconds.", "",
            "| GNOME's settings | time per decision (wall) | processor |", "|---|---|---|"]
    for name, label in (("None", "no proxy"), ("Fixed", "a fixed proxy"),
                        ("Script", "a script (`PROXY a; DIRECT`, run by libproxy's JavaScript runner)")):
        run = q["ProxyDecision/" + name]
        out.append("| %s | %.3f ms | %.3f ms |" % (label, run["seconds"] * 1e3, run["cpu_time"] * 1e-3))
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "analysis.md"), encoding="utf-8") as f:
        out += ["", f.read().rstrip()]
    with open(md_path, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()

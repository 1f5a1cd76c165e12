#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The script a user would write instead of Quillon: urllib for the four pages, re for the rows.
It measures the same work as quillon_bench on the same texts and prints JSON.

    bench/peer.py PAGES_DIR SITE_BASE > peer.json

The patterns are read from Quillon's own sources, so both sides always match the same thing.
"""
import json
import os
import re
import statistics
import subprocess
import sys
import time
import urllib.request

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
FLAGS = re.IGNORECASE | re.ASCII  # RE2's \w and \d are ASCII, and so are these
WORST_CASE_BOUND_S = 10.0


def pattern(source, name):
    with open(os.path.join(ROOT, source), encoding="utf-8") as f:
        text = f.read()
    return re.search(name + r' =\s*R"re\((.*?)\)re";', text, re.S).group(1)


RESULT = re.compile(pattern("search/keyword_search.h", "kResultPattern"), FLAGS)
ENTRY = re.compile(pattern("detail/link_list.h", "kEntryPattern"), FLAGS)


def result_rows(text):
    return [(m[1], m[0]) for m in RESULT.findall(text.replace("\n", "")) if m[2] == "emule.png"]


def link_rows(text):
    return [("【点击复制链接】" + m[1], m[2], m[0]) for m in ENTRY.findall(text.replace("\n", ""))]


def median_seconds(work, repeats=9, min_time=0.2):
    """The median time of one call, over `repeats` rounds of at least `min_time` each."""
    rounds = []
    for _ in range(repeats):
        calls, start = 0, time.perf_counter()
        while True:
            work()
            calls += 1
            elapsed = time.perf_counter() - start
            if elapsed >= min_time:
                break
        rounds.append(elapsed / calls)
    return statistics.median(rounds)


def read(pages, name, mode="r"):
    with open(os.path.join(pages, name), mode, **({"encoding": "utf-8"} if mode == "r" else {})) as f:
        return f.read()


def extraction(pages):
    out = {}
    for name, extract in (("search_22", result_rows), ("search_200", result_rows), ("entry_50", link_rows),
                          ("openings_before_page", result_rows), ("checkboxes_before_entry", link_rows)):
        text = read(pages, name + ".txt")
        out[name] = {"seconds": median_seconds(lambda: extract(text)), "rows": len(extract(text)),
                     "bytes": len(text.encode("utf-8"))}
    return out


def worst_case(pages):
    """Each size in a child process, stopped after the bound; None when it ran out."""
    out = {}
    for name in sorted(f for f in os.listdir(pages) if f.startswith("worst_")):
        code = ("import sys; sys.path.insert(0, %r); import peer, time; t = open(%r, encoding='utf-8').read();"
                "s = time.perf_counter(); peer.result_rows(t); print(time.perf_counter() - s)"
                % (os.path.dirname(os.path.abspath(__file__)), os.path.join(pages, name)))
        try:
            done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                                  timeout=WORST_CASE_BOUND_S)
            out[name] = float(done.stdout.strip())
        except subprocess.TimeoutExpired:
            out[name] = None
    return out


def decoding(pages):
    out = {}
    for name, codec in (("utf8_1mb", "utf-8"), ("gbk_1mb", "gb18030")):
        body = read(pages, name + ".html", "rb")
        out[name] = {"seconds": median_seconds(lambda: body.decode(codec, "replace")), "bytes": len(body)}
    return out


def fetch(url):
    with urllib.request.urlopen(url, timeout=30) as response:
        body = response.read()
    try:
        return body.decode("utf-8")
    except UnicodeDecodeError:
        return body.decode("gb18030", "replace")


def end_to_end(base, runs=15):
    times, rows = [], 0
    for _ in range(runs):
        start = time.perf_counter()
        text = "".join(fetch("%ssearch/entry/?query=demo&flag=1-1&page=%d" % (base, p)) for p in range(1, 5))
        rows = len(result_rows(text))
        times.append(time.perf_counter() - start)
    return {"seconds": statistics.median(times), "rows": rows}


def main():
    pages, base = sys.argv[1], sys.argv[2]
    os.environ["no_proxy"] = "*"
    report = {"python": sys.version.split()[0], "extraction": extraction(pages), "decoding": decoding(pages),
              "end_to_end": end_to_end(base), "worst_case": worst_case(pages)}
    json.dump(report, sys.stdout, indent=1)


if __name__ == "__main__":
    main()

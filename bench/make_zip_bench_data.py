#!/usr/bin/python3
"""Writes a data folder for the zip benchmarks: table-like files, text,
index-like binary files and some incompressible ones, about TOTAL_MB in all.

usage: make_zip_bench_data.py FOLDER TOTAL_MB [SINGLE_FILE]
With SINGLE_FILE, one file of that name and size is written instead."""
import os
import random
import sys


def table_chunk(rng, rows):
    out = []
    for i in range(rows):
        out.append("%08d|Customer %05d|%-30s|%10.2f|%s\r\n" % (
            rng.randrange(10**8), rng.randrange(90000),
            rng.choice(["Main Street", "Harbour Road", "Mill Lane", "Station Square"]) + " %d" % rng.randrange(300),
            rng.randrange(10**7) / 100.0, rng.choice(["open", "paid", "void", "late"])))
    return "".join(out).encode("ascii")


def write_file(path, size, kind, rng):
    with open(path, "wb") as f:
        left = size
        while left > 0:
            if kind == "table":
                chunk = table_chunk(rng, 2000)
            elif kind == "text":
                words = ["backup", "order", "invoice", "the", "of", "customer", "total", "amount", "and", "Pellora"]
                chunk = (" ".join(rng.choice(words) for _ in range(20000)) + "\n").encode("ascii")
            elif kind == "index":
                chunk = b"".join(rng.randrange(4096).to_bytes(4, "little") + bytes(12) for _ in range(8192))
            else:
                chunk = os.urandom(1 << 20)
            f.write(chunk[:left])
            left -= min(left, len(chunk))


def main():
    folder, total_mb = sys.argv[1], int(sys.argv[2])
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(20261211)
    if len(sys.argv) > 3:
        write_file(os.path.join(folder, sys.argv[3]), total_mb << 20, "table", rng)
        return
    total = total_mb << 20
    plan = [("table", ".DB", 0.55), ("text", ".MB", 0.15), ("index", ".ADI", 0.20), ("random", ".VAL", 0.10)]
    for kind, ext, share in plan:
        budget = int(total * share)
        n = 0
        while budget > 0:
            size = min(budget, rng.randrange(1 << 20, 12 << 20))
            write_file(os.path.join(folder, "%s%03d%s" % (kind.upper(), n, ext)), size, kind, rng)
            budget -= size
            n += 1


if __name__ == "__main__":
    main()

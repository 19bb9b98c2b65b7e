#!/usr/bin/env python3
"""Markdown benchmark: a folder of 1,000 Markdown files with 20 local links
each, no network. Each file links files beside it and in other folders,
headings of other files (--fragments), folders, images, and a few files that
are missing; the check reads them as a repository's docs. Wall time and peak
memory of pardovane-check on the folder, against the targets of 2 s and
100 MB; --rounds runs it that many times and gives the best time.
    python3 bench/markdown.py --binary build-bench/bin/pardovane-check
"""

import argparse
import os
import random
import tempfile

from fixture import run_measured


def generate(root, files=1000, links=20, seed=29):
    rng = random.Random(seed)
    folders = [f"part{f}" for f in range(20)]
    names = [f"{folders[i % 20]}/page-{i}.md" for i in range(files)]
    missing = 0
    for folder in folders:
        os.makedirs(os.path.join(root, folder, "img"), exist_ok=True)
        with open(os.path.join(root, folder, "img", "logo.png"), "wb") as out:
            out.write(b"png")
    for i, name in enumerate(names):
        lines = [f"# Page {i}\n", "\n", f"## Section {i} `code`\n", "\n"]
        for k in range(links):
            target = names[rng.randrange(files)]
            kind = k % 5
            if kind == 0:
                link = f"[p](/{target})"
            elif kind == 1:
                link = f"[s](../{target}#section-{names.index(target)}-code)"
            elif kind == 2:
                link = "![i](img/logo.png)"
            elif kind == 3:
                link = f"[d](../{target.split('/')[0]}/)"
            elif rng.random() < 0.05:
                link = f"[m](missing-{k}.md)"
                missing += 1
            else:
                link = f"[t](../{target})"
            lines.append(f"Text {k} {link} and more text.\n")
        with open(os.path.join(root, name), "w") as out:
            out.writelines(lines)
    return missing


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--binary", default="build/bin/pardovane-check")
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as root:
        missing = generate(root)
        best = None
        for _ in range(args.rounds):
            wall, peak, status, out = run_measured([args.binary, "--fragments", root])
            best = wall if best is None else min(best, wall)
        errors = out.count(b"<Error>")
        print(f"markdown folder: 1000 files, 20 links each: {best:.2f} s (best of {args.rounds}), "
              f"peak {peak:.1f} MiB, exit {status}, {errors} broken links of the {missing} made missing")
        met = best < 2 and peak < 100 and errors == missing
        print("targets: the broken links, under 2 s, under 100 MB:", "met" if met else "NOT met")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Whole-process benchmark: glyph-export against FontForge and fontTools on the same work.

Every round runs every tool's command once, in a shuffled order, so that all of them meet the
same machine load; the report gives per-command medians and the ratios of one such run. Peers
that are not installed are left out. Nothing here is a test: run it on demand.

    bench/whole_process.py [--bin BUILD/bin] [--rounds N] [--only NAME,...] [--keep DIR]
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
# The codes the export dialog offers: 33-255 but for those Windows does not map.
CODES = [c for c in range(33, 256) if c not in (127, 128, 129, 141, 142, 143, 144, 157, 158)]


def shape_svg(i):
    # A frame with a notch whose place depends on i: every glyph differs, all are simple
    # closed outlines with a hole, on a 1000-unit em.
    n = 100 + (i * 37) % 600
    return (
        '<svg xmlns="http://www.w3.org/2000/svg" width="10in" height="10in" '
        'viewBox="0 0 1000 1000">\n'
        f'<path d="M 100,900 L 100,200 L {n},100 L 900,200 L 900,900 Z '
        f'M 250,750 L 750,750 L 750,350 L {n},250 L 250,350 Z"/>\n</svg>\n')


def write_shapes(folder, count):
    os.makedirs(folder, exist_ok=True)
    paths = []
    for i in range(count):
        path = os.path.join(folder, f"{CODES[i]}.svg")
        with open(path, "w") as f:
            f.write(shape_svg(i))
        paths.append(path)
    return paths


FONTFORGE_SCRIPT = r'''
import sys, fontforge
mode, out = sys.argv[1], sys.argv[2]
shapes = sys.argv[3:]
if mode == "add":
    font = fontforge.open(out)
else:
    font = fontforge.font()
    font.em = 1000
    font.fontname = font.familyname = font.fullname = "Bench"
for s in shapes:
    code = int(s.rsplit("/", 1)[-1].split(".")[0])
    g = font.createChar(code)
    g.importOutlines(s)
    g.width = 1000
if out.endswith(".pfb"):
    font.generate(out, flags=("afm", "pfm"))
else:
    font.generate(out)
'''

FONTTOOLS_SCRIPT = r'''
import sys, re
from fontTools.ttLib import TTFont
from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.pens.cu2quPen import Cu2QuPen
from fontTools.pens.transformPen import TransformPen
from fontTools.svgLib.path import SVGPath
mode, out = sys.argv[1], sys.argv[2]
shapes = sys.argv[3:]
def glyph_of(path):
    pen = TTGlyphPen(None)
    # SVG's y runs down; the em square is 1000 units.
    SVGPath(path).draw(Cu2QuPen(TransformPen(pen, (1, 0, 0, -1, 0, 900)), 1.0, reverse_direction=True))
    return pen.glyph()
def code_of(path):
    return int(path.rsplit("/", 1)[-1].split(".")[0])
if mode == "add":
    font = TTFont(out)
    glyf, hmtx = font["glyf"], font["hmtx"]
    order = font.getGlyphOrder()
    for s in shapes:
        name = "uni%04X" % code_of(s)
        g = glyph_of(s)
        glyf[name] = g
        g.recalcBounds(glyf)
        hmtx[name] = (1000, g.xMin)
        if name not in order:
            order.append(name)
        for t in font["cmap"].tables:
            t.cmap[code_of(s)] = name
    font.setGlyphOrder(order)
    font["maxp"].numGlyphs = len(order)
    font.save(out)
else:
    names = [".notdef"] + ["uni%04X" % code_of(s) for s in shapes]
    fb = FontBuilder(1000, isTTF=True)
    fb.setupGlyphOrder(names)
    fb.setupCharacterMap({code_of(s): "uni%04X" % code_of(s) for s in shapes})
    glyphs = {".notdef": TTGlyphPen(None).glyph()}
    for s in shapes:
        glyphs["uni%04X" % code_of(s)] = glyph_of(s)
    fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics({n: (1000, 0) for n in names})
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    fb.setupNameTable({"familyName": "Bench", "styleName": "Regular"})
    fb.setupOS2()
    fb.setupPost()
    fb.save(out)
'''


# Debian installs the peers' modules for its own Python, which may not be the one running
# this script.
PEER_PYTHON = "/usr/bin/python3" if os.access("/usr/bin/python3", os.X_OK) else sys.executable


def have_python_module(name):
    return subprocess.run([PEER_PYTHON, "-c", f"import {name}"],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


GNU_TIME = "/usr/bin/time"


def run_once(argv, cwd):
    """Wall time (s) and CPU time (user + system, s) of one process. On a busy machine the
    CPU time is the steadier measure; the wall time alone shows waiting for the disk (sync)."""
    start = time.perf_counter()
    proc = subprocess.Popen(argv, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.perf_counter() - start
    err = proc.stderr.read().decode(errors="replace")
    proc.stderr.close()
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        raise RuntimeError(f"{' '.join(argv[:6])} ... exited {code}: {err.strip()}")
    return elapsed, usage.ru_utime + usage.ru_stime


def peak_of(argv, cwd):
    """Peak resident memory (KiB) of one process, or None where GNU time is missing.
    A child forked from this Python process reports Python's own size as its peak, so GNU
    time (a small process) measures it. It is never part of a timed run: starting it costs
    a few milliseconds, which would be counted against every tool."""
    if not os.access(GNU_TIME, os.X_OK):
        return None
    fd, peak_file = tempfile.mkstemp(prefix="gx-bench-peak-")
    os.close(fd)
    try:
        subprocess.run([GNU_TIME, "-f", "%M", "-o", peak_file, *argv], cwd=cwd,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        with open(peak_file) as f:
            text = f.read().split()
        return int(text[-1]) if text and text[-1].isdigit() else None
    finally:
        os.remove(peak_file)


class Case:
    """One tool doing one piece of work: `prepare` (untimed) then `argv` (timed)."""

    def __init__(self, work, tool, argv, prepare=None):
        self.work, self.tool, self.argv, self.prepare = work, tool, argv, prepare
        self.times, self.peaks, self.cpus = [], [], []


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--bin", default=os.path.join(HERE, "..", "build", "rel", "bin"),
                    help="folder with glyph-export and the plug-ins (a Release build)")
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--only", default="", help="comma-separated work names to run")
    ap.add_argument("--keep", default="", help="work in this folder and keep it")
    ap.add_argument("--baseline", default="",
                    help="another build's bin folder, run beside this one (before/after)")
    args = ap.parse_args()

    gx = os.path.abspath(os.path.join(args.bin, "glyph-export"))
    if not os.access(gx, os.X_OK):
        sys.exit(f"no glyph-export in {args.bin}: build it first (see bench/README.md)")
    work = args.keep or tempfile.mkdtemp(prefix="gx-bench-")
    os.makedirs(work, exist_ok=True)
    shapes = write_shapes(os.path.join(work, "shapes"), len(CODES))
    extra = shapes[-1]  # not among the 200 of the base font
    ini = os.path.join(work, "settings.ini")
    ff = os.path.join(work, "ff.py")
    ft = os.path.join(work, "ft.py")
    open(ff, "w").write(FONTFORGE_SCRIPT)
    open(ft, "w").write(FONTTOOLS_SCRIPT)
    have_ff = have_python_module("fontforge")
    have_ft = have_python_module("fontTools")

    def gx_argv(kind, out, files, more=()):
        return [gx, "--config", ini, kind, out, *files, "--em-from-svg", *more]

    # The 200-glyph font every single export starts from.
    base = os.path.join(work, "base200.ttf")
    if not os.path.exists(base):
        subprocess.run(gx_argv("ttf", base, shapes[:200]), check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def fresh(path, *companions):
        def prep():
            for p in (path,) + companions:
                if os.path.exists(p):
                    os.remove(p)
        return prep

    def copy_base(to):
        def prep():
            shutil.copyfile(base, to)
            for p in (to[:-4] + ".bak",):
                if os.path.exists(p):
                    os.remove(p)
        return prep

    out = lambda name: os.path.join(work, name)
    cases = []
    one = "one export into a 200-glyph TTF"
    cases.append(Case(one, "glyph-export", gx_argv("ttf", out("one.ttf"), [extra], ["--char", str(CODES[-1])]),
                      copy_base(out("one.ttf"))))
    cases.append(Case(one, "cp + sync", ["sh", "-c", f"cp {base} {out('cp.ttf')} && sync {out('cp.ttf')}"]))
    # The same copy and sync in one process, without the two extra process starts.
    cases.append(Case(one, "dd conv=fsync", ["dd", f"if={base}", f"of={out('dd.ttf')}", "conv=fsync",
                                             "status=none"]))
    if have_ff:
        cases.append(Case(one, "FontForge", [PEER_PYTHON, ff, "add", out("ff1.ttf"), extra],
                          copy_base(out("ff1.ttf"))))
    if have_ft:
        cases.append(Case(one, "fontTools", [PEER_PYTHON, ft, "add", out("ft1.ttf"), extra],
                          copy_base(out("ft1.ttf"))))

    for n in (200, 50, 214):
        w = f"{n} SVGs into a new TTF"
        cases.append(Case(w, "glyph-export", gx_argv("ttf", out(f"n{n}.ttf"), shapes[:n]),
                          fresh(out(f"n{n}.ttf"))))
        if n == 200:
            if have_ff:
                cases.append(Case(w, "FontForge", [PEER_PYTHON, ff, "new", out("ffn.ttf"), *shapes[:n]]))
            if have_ft:
                cases.append(Case(w, "fontTools", [PEER_PYTHON, ft, "new", out("ftn.ttf"), *shapes[:n]]))
        w = f"{n} shapes into PFB + AFM + PFM"
        t1 = out(f"t{n}.pfb")
        cases.append(Case(w, "glyph-export", gx_argv("type1", t1, shapes[:n]),
                          fresh(t1, t1[:-4] + ".afm", t1[:-4] + ".pfm")))
        if n == 200 and have_ff:
            cases.append(Case(w, "FontForge", [PEER_PYTHON, ff, "new", out("fft1.pfb"), *shapes[:n]]))

    if args.baseline:
        old = os.path.abspath(os.path.join(args.baseline, "glyph-export"))
        for c in [c for c in cases if c.tool == "glyph-export"]:
            argv = [old if a == gx else a for a in c.argv]
            argv = [a.replace(".ttf", "-b.ttf").replace(".pfb", "-b.pfb") if a.startswith(work) and
                    (a.endswith(".ttf") or a.endswith(".pfb")) and "/shapes/" not in a else a
                    for a in argv]
            target = next(a for a in argv if a.endswith("-b.ttf") or a.endswith("-b.pfb"))
            prep = (copy_base(target) if c.work == one else
                    fresh(target, target[:-4] + ".afm", target[:-4] + ".pfm", target[:-4] + ".bak"))
            cases.append(Case(c.work, "baseline", argv, prep))

    if args.only:
        wanted = [w.strip() for w in args.only.split(",")]
        cases = [c for c in cases if any(w in c.work for w in wanted)]

    for r in range(args.rounds):
        order = cases[:]
        random.shuffle(order)
        for c in order:
            if c.prepare:
                c.prepare()
            if os.path.exists(ini):
                os.remove(ini)
            t, cpu = run_once(c.argv, work)
            c.times.append(t)
            c.cpus.append(cpu)
        print(f"round {r + 1}/{args.rounds} done", file=sys.stderr)
    # Peak memory in an untimed run of its own.
    for c in cases:
        if c.prepare:
            c.prepare()
        if os.path.exists(ini):
            os.remove(ini)
        peak = peak_of(c.argv, work)
        if peak is not None:
            c.peaks.append(peak)

    print(f"# {args.rounds} interleaved rounds; medians; CPU = user + system time; "
          "peak = largest resident set")
    works = []
    for c in cases:
        if c.work not in works:
            works.append(c.work)
    for w in works:
        print(f"\n{w}")
        row = [c for c in cases if c.work == w]
        ours = next((c for c in row if c.tool == "glyph-export"), None)
        for c in row:
            med = statistics.median(c.times)
            cpu = statistics.median(c.cpus)
            ratio = ""
            if ours and c is not ours:
                ratio = (f"  {med / statistics.median(ours.times):6.2f}x wall, "
                         f"{cpu / max(statistics.median(ours.cpus), 1e-3):6.2f}x CPU of glyph-export")
            n = int(w.split()[0]) if w[0].isdigit() else 0
            per = f"  {med / n * 1000:7.3f} ms/shape ({cpu / n * 1000:.3f} CPU)" if n and c is ours else ""
            peak = f"{max(c.peaks) / 1024:5.1f} MiB" if c.peaks else "    ? MiB"
            print(f"  {c.tool:14s} {med * 1000:9.1f} ms wall {cpu * 1000:8.1f} ms CPU  "
                  f"peak {peak}{per}{ratio}")
    if not args.keep:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

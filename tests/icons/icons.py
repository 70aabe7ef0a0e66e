#!/usr/bin/python3
"""Exports a set of real icons nobody here drew (Debian's bootstrap-icons) through both
plug-ins and compares each glyph with librsvg's drawing of the same file.

usage: icons.py GLYPH_EXPORT WORKDIR [--list FILE | --all] [--icons DIR] [--jobs N]
                [--exceptions FILE]

Each icon is exported with --em-from-svg (one em = the viewBox height) as one TrueType
glyph and one Type 1 glyph, rendered at 512 pixels per em, and compared with
rsvg-convert's rendering at the same scale. The measure is tolerant of rounding to the
host's grid: a pixel counts as wrong only when it is inked in one image and no ink of the
other lies within 3 pixels of it; the score is the wrong pixels over the drawing's ink.
Every icon must score within 1 % and none may be refused, except those named in the
exceptions file (a name, a plug-in, a reason per line), which may not exceed 0.5 % of
the set. Exits 77 (skipped) when the icons are not installed.
"""
import argparse
import concurrent.futures
import os
import subprocess
import sys

import numpy as np
from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from glyph_images import render_glyph, render_svg, view_box  # noqa: E402

SIZE = 512          # pixels per em
REACH = 3           # pixels of tolerance
LIMIT = 0.01        # share of the drawing's ink
EXCEPTION_SHARE = 0.005
DEFAULT_ICONS = '/usr/share/bootstrap-icons/svg'
PLUGINS = (('ttf', 'ttf', ['--grid', '2048']), ('type1', 'pfb', []))


def dilate(a, reach):
    out = a.copy()
    h, w = a.shape
    for dy in range(-reach, reach + 1):
        for dx in range(-reach, reach + 1):
            if dx * dx + dy * dy > reach * reach or (dx == 0 and dy == 0):
                continue
            out[max(0, dy):h + min(0, dy), max(0, dx):w + min(0, dx)] |= \
                a[max(0, -dy):h + min(0, -dy), max(0, -dx):w + min(0, -dx)]
    return out


def wrong_share(expected, got):
    wrong = (expected & ~dilate(got, REACH)) | (got & ~dilate(expected, REACH))
    ink = expected.sum()
    return wrong.sum() / ink if ink else float(wrong.sum() > 0)


def check_icon(tool, work, svg, plugins):
    """Returns [(plugin, share or None, message)] for one icon."""
    name = os.path.splitext(os.path.basename(svg))[0]
    folder = os.path.join(work, name)
    os.makedirs(folder, exist_ok=True)
    vb = view_box(svg)
    width = max(1, round(SIZE * vb[2] / vb[3]))
    expected = render_svg(svg, os.path.join(folder, 'svg.png'), width, SIZE)
    env = dict(os.environ, SOURCE_DATE_EPOCH='1700000000')
    results = []
    for kind, ext, extra_args in plugins:
        font = os.path.join(folder, f'icon.{ext}')
        for stale in (font, font[:-3] + 'afm', font[:-3] + 'pfm', font + '.bak'):
            if os.path.exists(stale):
                os.remove(stale)
        cmd = [tool, '--config', os.path.join(folder, 'settings.ini'), kind, font, svg,
               '--em-from-svg', '--char', '65', '--width', 'auto', '--family', 'Icons'] + extra_args
        run = subprocess.run(cmd, env=env, capture_output=True, text=True)
        if run.returncode != 0:
            results.append((kind, None, (run.stderr.strip().splitlines() or ['?'])[-1]))
            continue
        extra = [font[:-3] + 'afm'] if kind == 'type1' else []
        got = render_glyph(font, 65, width, SIZE, SIZE, extra)
        share = wrong_share(expected, got)
        if share > LIMIT:
            Image.fromarray(np.where(got, 0, 255).astype(np.uint8)).save(
                os.path.join(folder, f'{kind}.png'))
        results.append((kind, share, ''))
    return name, results


def read_list(path):
    with open(path) as f:
        return [line.split('#')[0].strip() for line in f if line.split('#')[0].strip()]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('tool')
    ap.add_argument('work')
    ap.add_argument('--icons', default=DEFAULT_ICONS)
    ap.add_argument('--list', help='icon names, one a line (default: every icon)')
    ap.add_argument('--exceptions')
    ap.add_argument('--jobs', type=int, default=os.cpu_count() or 1)
    ap.add_argument('--plugin', choices=[p[0] for p in PLUGINS], help='one plug-in only')
    args = ap.parse_args()
    if not os.path.isdir(args.icons):
        print(f'skipped: {args.icons} is missing (Debian package bootstrap-icons)')
        return 77
    if args.list:
        names = read_list(args.list)
    else:
        names = sorted(os.path.splitext(n)[0] for n in os.listdir(args.icons) if n.endswith('.svg'))
    exceptions = {}
    if args.exceptions:
        for line in read_list(args.exceptions):
            name, kind, reason = line.split(None, 2)
            exceptions[(name, kind)] = reason
    os.makedirs(args.work, exist_ok=True)
    plugins = [p for p in PLUGINS if args.plugin in (None, p[0])]
    scores = {kind: [] for kind, _, _ in plugins}
    failures = []
    with concurrent.futures.ProcessPoolExecutor(max_workers=args.jobs) as pool:
        jobs = [pool.submit(check_icon, args.tool, args.work, os.path.join(args.icons, n + '.svg'),
                            plugins)
                for n in names]
        for job in concurrent.futures.as_completed(jobs):
            name, results = job.result()
            for kind, share, message in results:
                scores[kind].append((share if share is not None else float('inf'), name, message))
                bad = share is None or share > LIMIT
                if bad and (name, kind) not in exceptions:
                    failures.append(f'{name} {kind}: ' +
                                    (f'refused: {message}' if share is None else f'{share:.2%}'))
    bounds = [(0.0, '0'), (0.001, '<= 0.1 %'), (0.005, '<= 0.5 %'), (0.01, '<= 1 %'),
              (0.05, '<= 5 %'), (float('inf'), '> 5 %')]
    for kind, rows in scores.items():
        rows.sort(reverse=True)
        counts = []
        for i, (bound, label) in enumerate(bounds):
            low = bounds[i - 1][0] if i else -1.0
            counts.append(f'{label}: {sum(1 for s, _, m in rows if low < s <= bound and not m)}')
        refused = sum(1 for s, _, m in rows if m)
        print(f'{kind}: {len(rows)} icons; wrong ink ' + ', '.join(counts) + f'; refused: {refused}')
        print(f'{kind}: worst ten: ' + ', '.join(
            f'{n} ({"refused" if m else f"{s:.3%}"})' for s, n, m in rows[:10]))
    used = sum(1 for key in exceptions if key[0] in names)
    if used > EXCEPTION_SHARE * len(names) * len(plugins):
        failures.append(f'{used} exceptions are more than 0.5 % of the set')
    for line in sorted(failures):
        print('FAIL: ' + line)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())

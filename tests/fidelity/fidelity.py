#!/usr/bin/python3
"""Compares what an SVG renderer nobody here wrote (librsvg) draws with what FreeType draws
from the glyph that glyph-export wrote for the same drawing.

usage: fidelity.py GLYPH_EXPORT WORKDIR SVG...

Each SVG is exported with --em-from-svg (one em = the viewBox height, origin at the
viewBox's bottom-left corner) into a TrueType and a Type 1 font; both are rendered with an
em of SIZE pixels and compared with rsvg-convert's rendering of the SVG at the same scale.
The inked pixels must agree on at least 97% (intersection over union).
"""
import os
import subprocess
import sys

import numpy as np
from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from glyph_images import render_glyph, render_svg, view_box  # noqa: E402

SIZE = 320          # pixels per em
THRESHOLD = 0.97


def iou(a, b):
    union = np.logical_or(a, b).sum()
    return 1.0 if union == 0 else np.logical_and(a, b).sum() / union


def main():
    tool, work, svgs = sys.argv[1], sys.argv[2], sys.argv[3:]
    os.makedirs(work, exist_ok=True)
    env = dict(os.environ, SOURCE_DATE_EPOCH='1700000000')
    failures = 0
    for i, svg in enumerate(svgs):
        code = 65 + i
        vb = view_box(svg)
        width = max(1, round(SIZE * vb[2] / vb[3]))
        expected = render_svg(svg, os.path.join(work, 'svg.png'), width, SIZE)
        name = os.path.splitext(os.path.basename(svg))[0]
        for kind, ext in (('ttf', 'ttf'), ('type1', 'pfb')):
            font = os.path.join(work, f'{name}.{ext}')
            for stale in (font, font[:-3] + 'afm', font[:-3] + 'pfm'):
                if os.path.exists(stale):
                    os.remove(stale)
            cmd = [tool, '--config', os.path.join(work, 'settings.ini'), kind, font, svg,
                   '--em-from-svg', '--char', str(code), '--width', 'auto',
                   '--family', 'Fidelity']
            if kind == 'ttf':
                cmd += ['--grid', '2048']
            subprocess.run(cmd, check=True, env=env)
            extra = [font[:-3] + 'afm'] if kind == 'type1' else []
            got = render_glyph(font, code, width, SIZE, SIZE, extra)
            score = iou(expected, got)
            verdict = 'ok' if score >= THRESHOLD else 'FAIL'
            if score < THRESHOLD:
                failures += 1
                Image.fromarray(np.where(expected, 0, 255).astype(np.uint8)).save(
                    os.path.join(work, f'{name}-{kind}-expected.png'))
                Image.fromarray(np.where(got, 0, 255).astype(np.uint8)).save(
                    os.path.join(work, f'{name}-{kind}-got.png'))
            print(f'{verdict}: {os.path.basename(svg)} {kind} IoU {score:.4f}')
    print(f'{len(svgs) * 2 - failures} passed, {failures} failed')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())

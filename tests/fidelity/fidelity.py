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
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

import freetype
import numpy as np
from PIL import Image

SIZE = 320          # pixels per em
THRESHOLD = 0.97


def view_box(path):
    root = ET.parse(path).getroot()
    vb = root.get('viewBox')
    if vb:
        return [float(v) for v in re.split(r'[\s,]+', vb.strip())]
    w = float(re.match(r'[\d.]+', root.get('width')).group())
    h = float(re.match(r'[\d.]+', root.get('height')).group())
    return [0.0, 0.0, w, h]


def render_svg(path, work, width, height):
    png = os.path.join(work, 'svg.png')
    subprocess.run(['rsvg-convert', '-w', str(width), '-h', str(height), '--keep-aspect-ratio',
                    '-b', 'white', '-o', png, path], check=True)
    img = np.asarray(Image.open(png).convert('L'), dtype=np.float64)
    return img < 128


def render_glyph(font, code, width, height, extra=()):
    face = freetype.Face(font)
    for f in extra:
        face.attach_file(f)
    if face.charmap is None or face.get_char_index(code) == 0:
        for cm in face.charmaps:   # symbol fonts map their codes at U+F000
            face.set_charmap(cm)
            if face.get_char_index(code) or face.get_char_index(0xF000 + code):
                break
    index = face.get_char_index(code) or face.get_char_index(0xF000 + code)
    if not index:
        raise RuntimeError(f'{font}: no glyph for code {code}')
    face.set_pixel_sizes(0, SIZE)
    face.load_glyph(index, freetype.FT_LOAD_NO_HINTING | freetype.FT_LOAD_RENDER)
    g = face.glyph
    bmp = g.bitmap
    canvas = np.zeros((height, width), dtype=bool)
    if bmp.rows and bmp.width:
        data = np.array(bmp.buffer, dtype=np.uint8).reshape(bmp.rows, bmp.pitch)[:, :bmp.width]
        top = height - g.bitmap_top      # the baseline is the viewBox's bottom edge
        left = g.bitmap_left
        for r in range(bmp.rows):
            y = top + r
            if 0 <= y < height:
                for c in range(bmp.width):
                    x = left + c
                    if 0 <= x < width and data[r, c] >= 128:
                        canvas[y, x] = True
    return canvas


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
        expected = render_svg(svg, work, width, SIZE)
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
            got = render_glyph(font, code, width, SIZE, extra)
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

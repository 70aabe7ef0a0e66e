"""Drawings of an SVG (by librsvg) and of a font's glyph (by FreeType) on the same
canvas, for the tests that compare what glyph-export wrote with what was drawn.
The glyph's baseline is the canvas's bottom edge, as --em-from-svg puts the viewBox's
bottom-left corner at the origin."""
import re
import subprocess
import xml.etree.ElementTree as ET

import freetype
import numpy as np
from PIL import Image


def view_box(path):
    root = ET.parse(path).getroot()
    vb = root.get('viewBox')
    if vb:
        return [float(v) for v in re.split(r'[\s,]+', vb.strip())]
    w = float(re.match(r'[\d.]+', root.get('width')).group())
    h = float(re.match(r'[\d.]+', root.get('height')).group())
    return [0.0, 0.0, w, h]


def render_svg(path, png, width, height):
    """Inked pixels of librsvg's drawing, written to png on the way."""
    subprocess.run(['rsvg-convert', '-w', str(width), '-h', str(height), '--keep-aspect-ratio',
                    '-b', 'white', '-o', png, path], check=True)
    return np.asarray(Image.open(png).convert('L')) < 128


def render_glyph(font, code, width, height, size, extra=()):
    """Inked pixels of the glyph for code at size pixels per em; extra files (AFM)
    are attached to the face."""
    face = freetype.Face(font)
    for f in extra:
        face.attach_file(f)
    index = face.get_char_index(code)
    if not index:
        for cm in face.charmaps:   # symbol fonts map their codes at U+F000
            face.set_charmap(cm)
            index = face.get_char_index(code) or face.get_char_index(0xF000 + code)
            if index:
                break
    if not index:
        raise RuntimeError(f'{font}: no glyph for code {code}')
    face.set_pixel_sizes(0, size)
    face.load_glyph(index, freetype.FT_LOAD_NO_HINTING | freetype.FT_LOAD_RENDER)
    g = face.glyph
    bmp = g.bitmap
    canvas = np.zeros((height, width), dtype=bool)
    if bmp.rows and bmp.width:
        data = np.array(bmp.buffer, dtype=np.uint8).reshape(bmp.rows, bmp.pitch)[:, :bmp.width]
        ink = data >= 128
        top, left = height - g.bitmap_top, g.bitmap_left
        y0, x0 = max(0, top), max(0, left)
        y1, x1 = min(height, top + bmp.rows), min(width, left + bmp.width)
        if y0 < y1 and x0 < x1:
            canvas[y0:y1, x0:x1] = ink[y0 - top:y1 - top, x0 - left:x1 - left]
    return canvas

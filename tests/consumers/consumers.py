#!/usr/bin/python3
"""Fonts written by glyph-export, taken by the programs people feed fonts to.

usage: consumers.py CONSUMER GLYPH_EXPORT SOURCE_DIR WORKDIR

CONSUMER is one of
  browser  Chromium (headless) loads a written TrueType font through @font-face and
           draws its glyph;
  tex      afm2tfm reads a written Type 1 font's AFM, pdfTeX typesets a character of
           the font and poppler's pdftoppm draws the page;
  pango    pango-view draws a character of a symbol-mode font that it finds, by its
           family name, through fontconfig.
The drawn ink is compared with librsvg's drawing of the source SVG, each cut to its
ink's bounding box and scaled to the same size, so placement and size do not count,
only the shape (intersection over union of the ink, at least 0.95). A font the
consumer rejects falls back to another font and fails the comparison.

Exit status 77 (the test is skipped) when the consumer's package is not installed.
"""
import os
import shutil
import subprocess
import sys

import numpy as np
from PIL import Image

THRESHOLD = 0.95
SIDE = 256          # the normalised drawings are SIDE x SIDE pixels
SKIP = 77


def ink(png):
    """The dark pixels of a picture drawn black on white (transparency counts as white)."""
    img = Image.open(png).convert('RGBA')
    white = Image.new('RGBA', img.size, (255, 255, 255, 255))
    grey = np.asarray(Image.alpha_composite(white, img).convert('L'))
    return grey < 128


def normalised(mask, what):
    """The ink cut to its bounding box and scaled to SIDE x SIDE."""
    rows = np.flatnonzero(mask.any(axis=1))
    cols = np.flatnonzero(mask.any(axis=0))
    if rows.size == 0:
        raise Failure(f'{what}: nothing was drawn')
    box = mask[rows[0]:rows[-1] + 1, cols[0]:cols[-1] + 1]
    img = Image.fromarray(np.where(box, 255, 0).astype(np.uint8))
    return np.asarray(img.resize((SIDE, SIDE), Image.BILINEAR)) >= 128


def iou(a, b):
    union = np.logical_or(a, b).sum()
    return np.logical_and(a, b).sum() / union if union else 1.0


class Failure(Exception):
    pass


def run(cmd, work, env=None, what=None):
    r = subprocess.run(cmd, cwd=work, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                       text=True, errors='replace', timeout=300)
    if r.returncode != 0:
        raise Failure(f'{what or cmd[0]} failed (exit {r.returncode}):\n{r.stdout[-3000:]}')
    return r.stdout


def need(*programs):
    missing = [p for p in programs if shutil.which(p) is None]
    if missing:
        print(f'skipped: {", ".join(missing)} not installed '
              '(tests/tools/install-validators installs them)')
        sys.exit(SKIP)


def svg_ink(svg, work):
    png = os.path.join(work, 'svg.png')
    run(['rsvg-convert', '-w', '600', '-h', '600', '--keep-aspect-ratio', '-b', 'white',
         '-o', png, svg], work)
    return ink(png)


def compare(name, svg, drawn_png, work):
    expected = normalised(svg_ink(svg, work), 'librsvg')
    got = normalised(ink(drawn_png), name)
    score = iou(expected, got)
    if score < THRESHOLD:
        Image.fromarray(np.where(expected, 0, 255).astype(np.uint8)).save(
            os.path.join(work, 'expected.png'))
        Image.fromarray(np.where(got, 0, 255).astype(np.uint8)).save(
            os.path.join(work, 'got.png'))
        raise Failure(f'{name} drew a shape that differs from the drawing: IoU {score:.4f} '
                      f'< {THRESHOLD} (see {work}/expected.png and got.png)')
    print(f'ok: {name} draws the glyph as librsvg draws the drawing (IoU {score:.4f})')


def export(tool, work, args, env=None):
    run([tool, '--config', os.path.join(work, 'settings.ini')] + args, work, env,
        'glyph-export ' + args[0])


def browser(tool, src, work, env):
    need('chromium', 'rsvg-convert')
    svg = os.path.join(src, 'examples', 'A.svg')
    export(tool, work, ['ttf', os.path.join(work, 'web.ttf'), svg, '--char', '65',
                        '--em-from-svg', '--family', 'Gx Web', '--no-symbol'], env)
    html = os.path.join(work, 'page.html')
    with open(html, 'w') as f:
        f.write('<!DOCTYPE html><html><head><style>'
                '@font-face { font-family: "GxWeb"; src: url("web.ttf") format("truetype"); }'
                'html, body { margin: 0; background: #fff; }'
                'p { margin: 40px; font: 400px/1 "GxWeb"; color: #000; }'
                '</style></head><body><p>A</p></body></html>')
    png = os.path.join(work, 'browser.png')
    # The virtual time budget lets the font load before the picture is taken.
    run(['chromium', '--headless', '--no-sandbox', '--disable-gpu', '--hide-scrollbars',
         '--no-first-run', '--user-data-dir=' + os.path.join(work, 'profile'),
         '--virtual-time-budget=5000', '--window-size=700,700', '--screenshot=' + png,
         'file://' + html], work, env, 'chromium')
    compare('Chromium', svg, png, work)


def tex(tool, src, work, env):
    need('afm2tfm', 'pdftex', 'pdftoppm', 'rsvg-convert')
    svg = os.path.join(src, 'examples', 'A.svg')
    export(tool, work, ['type1', os.path.join(work, 'gxtex.pfb'), svg, '--char', '65',
                        '--em-from-svg', '--family', 'Gx TeX', '--no-symbol'], env)
    run(['afm2tfm', 'gxtex.afm'], work, env, 'afm2tfm')
    font_name = ''
    with open(os.path.join(work, 'gxtex.afm'), 'rb') as f:
        for line in f.read().decode('latin-1').splitlines():
            if line.startswith('FontName '):
                font_name = line.split(None, 1)[1].strip()
    if not font_name:
        raise Failure('the AFM names no FontName')
    with open(os.path.join(work, 'page.tex'), 'w') as f:
        f.write('\\pdfoutput=1 \\pdfcompresslevel=0\n'
                f'\\pdfmapline{{=gxtex {font_name} <gxtex.pfb}}\n'
                '\\pdfpagewidth=400pt \\pdfpageheight=400pt\n'
                '\\hoffset=-1in \\voffset=-1in\n'
                '\\font\\gx=gxtex at 300pt\n'
                # The baseline 60pt above the page's foot, whatever heights the TFM holds.
                '\\shipout\\vbox to 400pt{\\vss\\hbox to 400pt{\\hfil\\gx A\\hfil}'
                '\\kern60pt}\n'
                '\\end\n')
    out = run(['pdftex', '-interaction=nonstopmode', '-halt-on-error', 'page.tex'], work, env,
              'pdftex')
    # TeX breaks its log lines at 79 characters, file names too.
    if 'gxtex.pfb' not in out.replace('\n', ''):
        raise Failure('pdfTeX did not embed the written font:\n' + out[-2000:])
    run(['pdftoppm', '-r', '100', '-png', '-singlefile', 'page.pdf', 'page'], work, env,
        'pdftoppm')
    compare('TeX (afm2tfm, pdfTeX, pdftoppm)', svg, os.path.join(work, 'page.png'), work)


def pango(tool, src, work, env):
    need('pango-view', 'fc-list', 'rsvg-convert')
    svg = os.path.join(src, 'examples', 'ring.svg')
    fonts = os.path.join(work, 'fonts')
    os.makedirs(fonts, exist_ok=True)
    # A fontconfig of our own: the symbol fonts folder and a cache, and the system's fonts
    # so that a font Pango rejects falls back to a real one.
    conf = os.path.join(work, 'fonts.conf')
    with open(conf, 'w') as f:
        f.write('<?xml version="1.0"?>\n<fontconfig>\n'
                '<include ignore_missing="yes">/etc/fonts/fonts.conf</include>\n'
                f'<dir>{fonts}</dir>\n<cachedir>{work}/cache</cachedir>\n</fontconfig>\n')
    with open(os.path.join(work, 'host.ini'), 'w') as f:
        f.write(f'[Config]\nFontsDir={fonts}\n')
    env = dict(env, FONTCONFIG_FILE=conf)
    run([tool, '--config', os.path.join(work, 'host.ini'), 'symbol', 'Gx Pango Symbols', svg],
        work, env, 'glyph-export symbol')
    listed = run(['fc-list', 'Gx Pango Symbols', 'file'], work, env, 'fc-list')
    if 'Gx Pango Symbols.ttf' not in listed:
        raise Failure('fontconfig does not list the symbol font:\n' + listed)
    png = os.path.join(work, 'pango.png')
    # The first symbol goes to code 33, "!".
    run(['pango-view', '--no-display', '--font=Gx Pango Symbols 300px', '--text=!',
         '--margin=40', '--output=' + png], work, env, 'pango-view')
    compare('Pango', svg, png, work)


def main():
    if len(sys.argv) != 5 or sys.argv[1] not in ('browser', 'tex', 'pango'):
        print(__doc__, file=sys.stderr)
        return 2
    consumer, tool, src, work = sys.argv[1:]
    # Every program runs in the work folder.
    tool = os.path.abspath(tool) if os.sep in tool else tool
    src = os.path.abspath(src)
    if os.path.isdir(work):
        shutil.rmtree(work)
    os.makedirs(work)
    work = os.path.abspath(work)
    env = dict(os.environ, SOURCE_DATE_EPOCH='1700000000', HOME=work,
               XDG_CONFIG_HOME=os.path.join(work, 'config'),
               XDG_CACHE_HOME=os.path.join(work, 'cache'),
               XDG_DATA_HOME=os.path.join(work, 'data'))
    try:
        {'browser': browser, 'tex': tex, 'pango': pango}[consumer](tool, src, work, env)
    except Failure as e:
        print(f'FAIL: {e}')
        print('0 passed, 1 failed')
        return 1
    print('1 passed, 0 failed')
    return 0


if __name__ == '__main__':
    sys.exit(main())

#!/usr/bin/python3
"""Checks the pictures of the dialogs that the Wine test took, and keeps them as PNG.

usage: check_pixels.py WORK SHOTS
WORK holds dialog-13N.bmp and shot13N.txt (each control's place within the picture);
the PNG copies go to SHOTS. The main dialog must show the shape inside its preview
frame (black beyond the origin line, baseline and width marker) and its character
list both grey (free codes) and black (codes with a glyph) items.
"""
import sys
from PIL import Image

BLACK = (0, 0, 0)


def places(path):
    """Control id -> (left, top, right, bottom) from a dump."""
    out = {}
    with open(path, encoding="latin-1") as f:
        for line in f:
            parts = line.split(" ")
            if len(parts) >= 4:
                out[int(parts[0])] = tuple(int(v) for v in parts[3].split(","))
    return out


def shape_pixels(img, rect):
    """Black pixels inside the pane, not counting its full-height or full-width lines."""
    left, top, right, bottom = rect
    left, top, right, bottom = left + 1, top + 1, right - 1, bottom - 1
    px = img.load()
    cols = [x for x in range(left, right)
            if sum(px[x, y] == BLACK for y in range(top, bottom)) > 0.9 * (bottom - top)]
    rows = [y for y in range(top, bottom)
            if sum(px[x, y] == BLACK for x in range(left, right)) > 0.9 * (right - left)]
    return sum(1 for x in range(left, right) for y in range(top, bottom)
               if px[x, y] == BLACK and x not in cols and y not in rows)


def list_items(img, rect, scroll_bar=18):
    """(black, grey) items of a list: bands of text between blank rows, classed by
    their darkest pixel (text is smoothed, so its edges are grey either way)."""
    left, top, right, bottom = rect
    px = img.load()
    black = grey = 0
    darkest = None
    for y in range(top + 2, bottom - 2):
        row = [sum(px[x, y]) // 3 for x in range(left + 2, right - scroll_bar)]
        if min(row) > 230:
            if darkest is not None:
                black += darkest < 50
                grey += 80 <= darkest <= 200
            darkest = None
        else:
            darkest = min(row) if darkest is None else min(darkest, min(row))
    return black, grey


def main():
    work, shots = sys.argv[1], sys.argv[2]
    failures = []
    for n in (130, 131, 132):
        img = Image.open(f"{work}/dialog-{n}.bmp").convert("RGB")
        img.save(f"{shots}/dialog-{n}.png")
        if img.size[0] < 200 or img.size[1] < 100:
            failures.append(f"{n}: picture is only {img.size}")
    img = Image.open(f"{work}/dialog-131.bmp").convert("RGB")
    at = places(f"{work}/shot131.txt")
    shape = shape_pixels(img, at[1021])
    black, grey = list_items(img, at[1020])
    print(f"131: {shape} shape pixels in the preview, list {grey} grey and {black} black items")
    if shape < 100:
        failures.append("131: no shape inside the preview frame")
    if grey < 2 or black < 2:
        failures.append("131: the list lacks grey or black items")
    img = Image.open(f"{work}/dialog-132.bmp").convert("RGB")
    at = places(f"{work}/shot132.txt")
    black, grey = list_items(img, at[1041])
    print(f"132: list {grey} grey and {black} black items")
    if grey < 2 or black < 2:
        failures.append("132: the list lacks grey or black items")
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

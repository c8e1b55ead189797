#!/usr/bin/env python3
"""Contrast of text against its background in a screenshot, as WCAG counts it.

    contrast.py SHOT.png NAME=X,Y,W,H ...
    contrast.py --whole SHOT.png NAME=X,Y,W,H ...

With --whole each rectangle is a caption's whole room instead, and the check is that no ink (a pixel
standing out 3:1 from the background) reaches its right column or bottom row, where a caption too big
for its control would be cut off.

Each rectangle's pixels fall into two groups by luminance, split where the groups lie farthest
apart: the larger is the background (its median pixel stands for it, so a picture behind the text
counts with its typical colour), the smaller the text, whose colour is that of its pixels farthest
from the background: the median of the ten most contrasting, so that a stray pixel of a border or of
anti-aliasing does not decide. Prints one line per rectangle and fails
when any ratio is below 4.5:1, or when a rectangle holds no text at all (ratio 1)."""
import subprocess
import sys

MINIMUM = 4.5


def read_pixels(path):
    size = subprocess.run(["identify", "-format", "%w %h", path], check=True, capture_output=True, text=True)
    width, height = (int(v) for v in size.stdout.split())
    data = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout
    return width, height, data


def luminance(rgb):
    def linear(channel):
        c = channel / 255
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (linear(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def ratio(a, b):
    return (max(a, b) + 0.05) / (min(a, b) + 0.05)


def measure(image, x, y, w, h):
    width, height, data = image
    pixels = []
    for row in range(max(y, 0), min(y + h, height)):
        for column in range(max(x, 0), min(x + w, width)):
            at = (row * width + column) * 3
            rgb = tuple(data[at:at + 3])
            pixels.append((luminance(rgb), rgb))
    if not pixels:
        raise SystemExit(f"rectangle {x},{y},{w},{h} lies outside the {width}x{height} picture")
    pixels.sort()
    # Two clusters by luminance, split where they are best apart (Otsu); the larger is the background,
    # which over a picture is not one colour, so its median stands for it.
    values = [p[0] for p in pixels]
    total, best, split = sum(values), -1.0, 0
    below = 0.0
    for i in range(1, len(values)):
        below += values[i - 1]
        mean_low, mean_high = below / i, (total - below) / (len(values) - i)
        spread = i * (len(values) - i) * (mean_low - mean_high) ** 2
        if values[i] != values[i - 1] and spread > best:
            best, split = spread, i
    low, high = pixels[:split], pixels[split:]
    background_side, text_side = (low, high) if len(low) >= len(high) else (high, low)
    background = background_side[len(background_side) // 2]
    if not text_side:
        return 1.0, background[1], background[1]
    extreme = sorted(text_side, key=lambda p: ratio(p[0], background[0]), reverse=True)
    text = extreme[min(len(extreme), 10) // 2]
    return ratio(text[0], background[0]), text[1], background[1]


def cut_off(image, x, y, w, h):
    width, _, data = image
    pixel = lambda column, row: luminance(tuple(data[(row * width + column) * 3:(row * width + column) * 3 + 3]))
    _, _, background = measure(image, x, y, w, h)
    back = luminance(background)
    edge = [(x + w - 1, row) for row in range(y, y + h)] + [(column, y + h - 1) for column in range(x, x + w)]
    return [spot for spot in edge if ratio(pixel(*spot), back) >= 3]


def main():
    whole = sys.argv[1] == "--whole"
    image = read_pixels(sys.argv[1 + whole])
    failed = 0
    for entry in sys.argv[2 + whole:]:
        name, place = entry.split("=")
        if whole:
            ink = cut_off(image, *(int(v) for v in place.split(",")))
            print(f"{name:16} {'cut off at ' + str(ink[:3]) if ink else 'whole'}")
            failed += bool(ink)
            continue
        value, text, background = measure(image, *(int(v) for v in place.split(",")))
        verdict = "ok" if value >= MINIMUM else "TOO LOW"
        hexa = lambda c: "#%02x%02x%02x" % c
        print(f"{name:16} {value:5.2f}:1  text {hexa(text)} on {hexa(background)}  {verdict}")
        failed += value < MINIMUM
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
# Contrast of text against its background in a screenshot, as WCAG counts it.
#
#     contrast.py [--whole] SHOT.png NAME=X,Y,W,H ...
#
# Each rectangle's pixels split into two luminance groups where they lie farthest apart (Otsu). The larger
# is the background, stood for by its median pixel, so a picture behind the text counts with its typical
# colour; the text's colour is the median of its ten pixels farthest from it, so a stray border or
# anti-aliased pixel does not decide. Fails when a ratio is below 4.5:1 or a rectangle holds no text (1:1).
# With --whole each rectangle is a caption's whole room, and the check is instead that no ink (a pixel
# 3:1 from the background) reaches its right column or bottom row, as with a caption cut off.
import subprocess
import sys

MINIMUM = 4.5


def read_pixels(path):
    ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
    width, height = (int(v) for v in ppm.split(maxsplit=3)[1:3])
    return width, height, ppm[len(ppm) - width * height * 3:]


def rgb_at(image, column, row):
    at = (row * image[0] + column) * 3
    return tuple(image[2][at:at + 3])


def luminance(rgb):
    r, g, b = (c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4 for c in (v / 255 for v in rgb))
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def ratio(a, b):
    return (max(a, b) + 0.05) / (min(a, b) + 0.05)


def measure(image, x, y, w, h):
    width, height, _ = image
    pixels = sorted((luminance(rgb), rgb) for rgb in (rgb_at(image, column, row)
                    for row in range(max(y, 0), min(y + h, height)) for column in range(max(x, 0), min(x + w, width))))
    if not pixels:
        raise SystemExit(f"rectangle {x},{y},{w},{h} lies outside the {width}x{height} picture")
    values = [p[0] for p in pixels]
    total, best, split, below = sum(values), -1.0, 0, 0.0
    for i in range(1, len(values)):
        below += values[i - 1]
        spread = i * (len(values) - i) * (below / i - (total - below) / (len(values) - i)) ** 2
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
    back = luminance(measure(image, x, y, w, h)[2])
    edge = [(x + w - 1, row) for row in range(y, y + h)] + [(column, y + h - 1) for column in range(x, x + w)]
    return [spot for spot in edge if ratio(luminance(rgb_at(image, *spot)), back) >= 3]


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

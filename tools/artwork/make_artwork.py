#!/usr/bin/python3
"""Draws the installer's background pictures deterministically (no randomness, fixed fonts).

Usage: /usr/bin/python3 tools/artwork/make_artwork.py OUTPUT_DIR
Writes BG.PNG (721x450 RGB) and BG2.PNG (721x450 RGBA). The sprite sheet is not drawn yet.
"""
import os
import sys
from PIL import Image, ImageDraw, ImageFont

W, H = 721, 450
FONT_CANDIDATES = [
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "/usr/share/wine/fonts/tahoma.ttf",
]


def font(size):
    for path in FONT_CANDIDATES:
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    raise SystemExit("no TrueType font found")


def background():
    img = Image.new("RGB", (W, H))
    d = ImageDraw.Draw(img)
    for y in range(H):  # vertical gradient, dark violet to near black
        t = y / (H - 1)
        d.line([(0, y), (W, y)], fill=(int(40 - 22 * t), int(34 - 20 * t), int(52 - 28 * t)))
    d.rectangle([0, 0, W - 1, H - 1], outline=(90, 80, 110))
    d.text((40, 40), "Velkarion", font=font(44), fill=(230, 222, 245))
    return img


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "installer/resources"
    os.makedirs(out, exist_ok=True)
    bg = background()
    bg.save(os.path.join(out, "BG.PNG"), optimize=False)
    bg.convert("RGBA").save(os.path.join(out, "BG2.PNG"), optimize=False)


if __name__ == "__main__":
    main()

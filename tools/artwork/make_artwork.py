#!/usr/bin/python3
"""Draws the installer's pictures and icon deterministically (no randomness, fixed fonts).

Usage: /usr/bin/python3 tools/artwork/make_artwork.py [OUTPUT_DIR]   (default installer/resources)
Writes BG.PNG (721x450 RGB, install page), BG2.PNG (721x450 RGBA, uninstall page),
SET.PNG (450x200 RGBA sprite sheet) and main.ico (17 images).

The sprite sheet is read by the window at fixed offsets: each sprite is drawn here in the
coordinates of the control that shows it, placed at its offset. Two sprites start at
column -1 and one at row -1, so their first column (row) never reaches the sheet and is
kept transparent in every state.
"""
import io
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

W, H = 721, 450
SHEET = (450, 200)
SS = 4  # supersampling factor for shapes

BOLD = ["/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", "/usr/share/wine/fonts/tahomabd.ttf"]
REGULAR = ["/usr/share/wine/fonts/tahoma.ttf", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"]
CONDENSED_BOLD = ["/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf"] + BOLD

# The theme. EDIT is the window's edit colour: the field and the empty progress track.
TOP = (38, 33, 50)
BOTTOM = (20, 17, 27)
PANEL = (27, 23, 36)
LINE = (66, 60, 80)
EDIT = (58, 54, 68)
TEXT = (171, 169, 173)
DIM = (103, 101, 108)
WHITE = (255, 255, 255)
ACCENT = (50, 191, 255)
ACCENT_DARK = (24, 112, 196)
DANGER = (196, 58, 78)
DANGER_DARK = (128, 30, 48)

PRODUCT = "Velkarion"


def font(candidates, size):
    for path in candidates:
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    raise SystemExit("no TrueType font found among " + ", ".join(candidates))


def mix(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def vertical_gradient(size, top, bottom):
    w, h = size
    img = Image.new("RGB", size)
    d = ImageDraw.Draw(img)
    for y in range(h):
        d.line([(0, y), (w, y)], fill=mix(top, bottom, y / max(1, h - 1)))
    return img


def rounded(size, radius, fill, outline=None, width=1):
    """An anti-aliased rounded rectangle filling a transparent tile of size."""
    w, h = size
    big = Image.new("RGBA", (w * SS, h * SS), (0, 0, 0, 0))
    ImageDraw.Draw(big).rounded_rectangle([0, 0, w * SS - 1, h * SS - 1], radius * SS, fill=fill,
                                          outline=outline, width=width * SS)
    return big.resize(size, Image.LANCZOS)


def gradient_tile(size, top, bottom, radius):
    """A rounded tile with a vertical gradient, through a rounded mask."""
    grad = vertical_gradient(size, top, bottom).convert("RGBA")
    mask = rounded(size, radius, (255, 255, 255, 255)).getchannel("A")
    grad.putalpha(mask)
    return grad


def place(sheet, tile, x, y):
    """Composites tile at (x, y); parts left of or above the sheet are cut off."""
    left, top = max(0, -x), max(0, -y)
    if left or top:
        tile = tile.crop((left, top, tile.width, tile.height))
    sheet.alpha_composite(tile, (x + left, y + top))


def centred_text(tile, text, fnt, fill, spacing=0, dy=0):
    d = ImageDraw.Draw(tile)
    widths = [d.textlength(ch, font=fnt) for ch in text]
    total = sum(widths) + spacing * (len(text) - 1)
    x = (tile.width - total) / 2
    ascent, descent = fnt.getmetrics()
    top = fnt.getbbox("A")[1]
    cap = ascent - top
    y = (tile.height - cap) / 2 - top + dy
    for ch, w in zip(text, widths):
        d.text((x, y), ch, font=fnt, fill=fill)
        x += w + spacing


# The emblem: a cut gem. Facets as polygons in a unit square, each with its shade.
GEM = [
    ([(0.30, 0.18), (0.42, 0.36), (0.14, 0.36)], (120, 214, 255)),
    ([(0.30, 0.18), (0.70, 0.18), (0.58, 0.36), (0.42, 0.36)], (176, 234, 255)),
    ([(0.70, 0.18), (0.86, 0.36), (0.58, 0.36)], (86, 170, 240)),
    ([(0.14, 0.36), (0.42, 0.36), (0.50, 0.90)], (50, 150, 235)),
    ([(0.42, 0.36), (0.58, 0.36), (0.50, 0.90)], (70, 120, 220)),
    ([(0.58, 0.36), (0.86, 0.36), (0.50, 0.90)], (88, 66, 190)),
]


def gem(size, glow=0.0):
    """The emblem on a transparent square; glow adds a soft halo (hover)."""
    s = size * SS
    big = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    for points, colour in GEM:
        shade = mix(colour, WHITE, glow * 0.35)
        d.polygon([(px * s, py * s) for px, py in points], fill=shade + (255,))
    edge = [(0.30, 0.18), (0.70, 0.18), (0.86, 0.36), (0.50, 0.90), (0.14, 0.36)]
    d.line([(px * s, py * s) for px, py in edge + edge[:1]], fill=(220, 244, 255, 200), width=max(1, s // 64),
           joint="curve")
    img = big.resize((size, size), Image.LANCZOS)
    if glow:
        halo = Image.new("RGBA", (size, size), (0, 0, 0, 0))
        halo.putalpha(img.getchannel("A").filter(ImageFilter.GaussianBlur(size / 10)).point(
            lambda a: int(a * 0.8 * glow)))
        tint = Image.new("RGBA", (size, size), ACCENT + (255,))
        tint.putalpha(halo.getchannel("A"))
        tint.alpha_composite(img)
        img = tint
    return img


def background(subtitle):
    img = vertical_gradient((W, H), TOP, BOTTOM)
    d = ImageDraw.Draw(img)
    # Left panel with the emblem, header strip and footer strip.
    d.rectangle([0, 0, 213, H - 1], fill=PANEL)
    for x in range(214, 218):  # soft edge between panel and content
        d.line([(x, 0), (x, H)], fill=mix(PANEL, TOP, (x - 213) / 5))
    halo = Image.new("L", (214, 260), 0)
    ImageDraw.Draw(halo).ellipse([17, 50, 197, 230], fill=60)
    halo = halo.filter(ImageFilter.GaussianBlur(30))
    img.paste(Image.new("RGB", halo.size, (60, 120, 200)), (0, 80), halo)
    emblem = gem(120)
    img.paste(emblem, (47, 160), emblem)
    d = ImageDraw.Draw(img)

    d.line([(214, 384), (W, 384)], fill=LINE)
    d.rectangle([214, 385, W - 1, H - 1], fill=mix(BOTTOM, PANEL, 0.4))

    # The wordmark.
    mark = font(CONDENSED_BOLD, 46)
    d.text((246, 58), PRODUCT.upper(), font=mark, fill=(236, 232, 246))
    d.rectangle([248, 118, 300, 120], fill=ACCENT)
    d.text((310, 112), subtitle, font=font(REGULAR, 13),
           fill=TEXT)
    d.rectangle([0, 0, W - 1, H - 1], outline=(78, 70, 98))
    return img


def install_background():
    img = background("launcher setup")
    d = ImageDraw.Draw(img)
    # The path field and the empty progress track share one rectangle.
    d.rectangle([249, 243, 620, 261], outline=LINE)
    d.rectangle([250, 244, 619, 260], fill=EDIT)
    return img


def uninstall_background():
    img = background("manage installation")
    d = ImageDraw.Draw(img)
    d.text((250, 186), "Installed in", font=font(REGULAR, 14), fill=WHITE)
    d.line([(250, 234), (693, 234)], fill=LINE)
    d.text((248, 276), "Progress", font=font(REGULAR, 12), fill=DIM)
    d.rectangle([247, 297, 693, 316], outline=LINE)
    d.rectangle([248, 298, 692, 315], fill=EDIT)
    return img.convert("RGBA")


def glyph_tile(kind, hover):
    """10 x 10 window buttons; the 11th column and row of the install page stay empty."""
    n = 10 * SS
    big = Image.new("RGBA", (n, n), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    if hover:
        d.rounded_rectangle([0, 0, n - 1, n - 1], 2 * SS, fill=(DANGER if kind == "exit" else (92, 84, 112)) + (255,))
    colour = (WHITE if hover else (206, 200, 218)) + (255,)
    w = int(1.6 * SS)
    if kind == "exit":
        d.line([(1.8 * SS, 1.8 * SS), (8.2 * SS, 8.2 * SS)], fill=colour, width=w)
        d.line([(8.2 * SS, 1.8 * SS), (1.8 * SS, 8.2 * SS)], fill=colour, width=w)
    else:
        d.rectangle([1.5 * SS, 6.5 * SS, 8.5 * SS, 8.2 * SS], fill=colour)
    return big.resize((10, 10), Image.LANCZOS)


def check_tile(checked):
    tile = rounded((17, 17), 3, (ACCENT_DARK if checked else (30, 27, 40)) + (255,),
                   outline=(ACCENT if checked else (118, 110, 136)) + (255,))
    if checked:
        big = Image.new("RGBA", (17 * SS, 17 * SS), (0, 0, 0, 0))
        ImageDraw.Draw(big).line([(4.2 * SS, 8.8 * SS), (7.3 * SS, 11.8 * SS), (12.8 * SS, 5.2 * SS)],
                                 fill=WHITE + (255,), width=int(2.0 * SS), joint="curve")
        tile.alpha_composite(big.resize((17, 17), Image.LANCZOS))
    return tile


def button_tile(width, label, top, bottom, hover):
    """A command button the size of its control, inside a one-pixel transparent margin: the
    buttons read from column or row -1 lose only margin."""
    tile = Image.new("RGBA", (width, 33), (0, 0, 0, 0))
    body_w, body_h = width - 2, 33 - 2
    if hover:
        top, bottom = mix(top, WHITE, 0.16), mix(bottom, WHITE, 0.08)
    body = gradient_tile((body_w, body_h), top, bottom, 4)
    if hover:  # a bright rim and a sheen along the top
        body.alpha_composite(rounded((body_w, body_h), 4, (0, 0, 0, 0), outline=(255, 255, 255, 170)))
        ImageDraw.Draw(body).line([(4, 1), (body_w - 5, 1)], fill=(255, 255, 255, 90))
    else:
        body.alpha_composite(rounded((body_w, body_h), 4, (0, 0, 0, 0), outline=(0, 0, 0, 90)))
    centred_text(body, label, font(BOLD, 13), WHITE + (255,) if hover else (240, 246, 255, 255), spacing=1.5)
    tile.alpha_composite(body, (1, 1))
    return tile


def logo_tile(hover):
    tile = Image.new("RGBA", (190, 50), (0, 0, 0, 0))
    tile.alpha_composite(gem(40, glow=1.0 if hover else 0.0), (4, 5))
    d = ImageDraw.Draw(tile)
    d.text((52, 9), PRODUCT.upper(), font=font(CONDENSED_BOLD, 20), fill=(WHITE if hover else (214, 210, 226)))
    d.text((53, 32), "home page" if hover else "game launcher", font=font(REGULAR, 10),
           fill=(ACCENT if hover else DIM))
    return tile


def fill_tile():
    """The progress fill, read from its left end: 445 x 18 covers both pages."""
    w, h = 445, 18
    img = Image.new("RGBA", (w, h))
    d = ImageDraw.Draw(img)
    for x in range(w):
        d.line([(x, 0), (x, h)], fill=mix(ACCENT_DARK, ACCENT, x / (w - 1)) + (255,))
    d.line([(0, 0), (w, 0)], fill=(150, 220, 255, 255))
    d.line([(0, h - 1), (w, h - 1)], fill=(16, 80, 150, 255))
    stripes = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    sd = ImageDraw.Draw(stripes)
    for x in range(-h, w, 12):  # faint diagonal stripes, blended over the gradient
        sd.line([(x, h), (x + h, 0)], fill=(255, 255, 255, 22), width=4)
    img.alpha_composite(stripes)
    return img


def sprite_sheet():
    sheet = Image.new("RGBA", SHEET, (0, 0, 0, 0))
    place(sheet, glyph_tile("minimize", False), 0, 0)
    place(sheet, glyph_tile("minimize", True), 15, 0)
    # "exit" is read from column -1: its glyph column 0 falls off the sheet, in both states.
    exit_normal, exit_hover = glyph_tile("exit", False), glyph_tile("exit", True)
    place(sheet, exit_normal, -1, 15)
    place(sheet, exit_hover, 14, 15)
    place(sheet, check_tile(False), 1, 32)
    place(sheet, check_tile(True), 1, 53)
    place(sheet, button_tile(143, "INSTALL", ACCENT, ACCENT_DARK, False), -1, 79)
    place(sheet, button_tile(143, "INSTALL", ACCENT, ACCENT_DARK, True), 147, 79)
    place(sheet, button_tile(143, "UNINSTALL", DANGER, DANGER_DARK, False), 50, -1)
    place(sheet, button_tile(143, "UNINSTALL", DANGER, DANGER_DARK, True), 200, -1)
    place(sheet, button_tile(157, "REINSTALL", ACCENT, ACCENT_DARK, False), 50, 40)
    place(sheet, button_tile(157, "REINSTALL", ACCENT, ACCENT_DARK, True), 210, 40)
    place(sheet, logo_tile(False), 0, 125)
    place(sheet, logo_tile(True), 193, 125)
    place(sheet, fill_tile(), 0, 180)
    return sheet


# The icon: 256 at 4, 8 and 32 bits; 16, 32, 48 at 4 and 8 bits; 16..128 at 32 bits.
ICON_IMAGES = [(256, 4), (256, 8), (256, 32)] + [(s, b) for s in (16, 32, 48) for b in (4, 8)] + \
              [(s, 32) for s in (16, 24, 32, 48, 64, 72, 96, 128)]


def icon_art(size):
    big = 512
    art = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    art.alpha_composite(gradient_tile((big, big), (64, 56, 86), (24, 20, 34), 96))
    art.alpha_composite(gem(400), (56, 70))
    return art.resize((size, size), Image.LANCZOS)


def dib(img, bits):
    """A BMP-style icon image: header, palette, colour rows bottom-up, then the AND mask."""
    w, h = img.size
    alpha = img.getchannel("A")
    opaque = alpha.point(lambda a: 255 if a >= 128 else 0)
    palette = b""
    if bits == 32:
        rows = []
        px = img.load()
        for y in range(h - 1, -1, -1):
            rows.append(b"".join(struct.pack("BBBB", px[x, y][2], px[x, y][1], px[x, y][0], px[x, y][3])
                                 for x in range(w)))
        colour = b"".join(rows)
    else:
        flat = Image.new("RGB", (w, h), (0, 0, 0))
        flat.paste(img.convert("RGB"), (0, 0), opaque)
        q = flat.quantize(colors=1 << bits, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
        pal = q.getpalette()[: 3 * (1 << bits)]
        pal += [0] * (3 * (1 << bits) - len(pal))
        palette = b"".join(struct.pack("BBBB", pal[3 * i + 2], pal[3 * i + 1], pal[3 * i], 0)
                           for i in range(1 << bits))
        idx = q.load()
        stride = ((w * bits + 31) // 32) * 4
        rows = []
        for y in range(h - 1, -1, -1):
            row = bytearray(stride)
            for x in range(w):
                if bits == 8:
                    row[x] = idx[x, y]
                else:
                    row[x // 2] |= idx[x, y] << (4 if x % 2 == 0 else 0)
            rows.append(bytes(row))
        colour = b"".join(rows)
    mask_stride = ((w + 31) // 32) * 4
    mask_rows = []
    om = opaque.load()
    for y in range(h - 1, -1, -1):
        row = bytearray(mask_stride)
        for x in range(w):
            if om[x, y] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask_rows.append(bytes(row))
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, bits, 0, len(colour) + len(mask_rows) * mask_stride,
                         0, 0, (1 << bits) if bits < 32 else 0, 0)
    return header + palette + colour + b"".join(mask_rows)


def png_image(img, bits):
    """Large images are stored as PNG (read since Vista), palette ones with a 1-bit
    transparency table."""
    out = io.BytesIO()
    if bits == 32:
        img.save(out, "PNG", optimize=True)
    else:
        flat = Image.new("RGB", img.size, (0, 0, 0))
        opaque = img.getchannel("A").point(lambda a: 255 if a >= 128 else 0)
        flat.paste(img.convert("RGB"), (0, 0), opaque)
        q = flat.quantize(colors=(1 << bits) - 1, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
        clear = (1 << bits) - 1  # one palette slot kept for transparent pixels
        q.putdata([clear if o == 0 else p for p, o in zip(q.getdata(), opaque.getdata())])
        pal = q.getpalette()[: 3 * clear]
        pal += [0] * (3 * (1 << bits) - len(pal))
        q.putpalette(pal)
        q.save(out, "PNG", optimize=True, bits=bits, transparency=clear)
    return out.getvalue()


def icon_file():
    entries, blobs = [], []
    for size, bits in ICON_IMAGES:
        art = icon_art(size)
        # From 64 pixels up a 32-bit image is several times smaller as PNG than as a bitmap.
        data = png_image(art, bits) if size == 256 or (size >= 64 and bits == 32) else dib(art, bits)
        colours = (1 << bits) if bits < 8 else 0
        entries.append((size, bits, colours, data))
    offset = 6 + 16 * len(entries)
    head = struct.pack("<HHH", 0, 1, len(entries))
    for size, bits, colours, data in entries:
        head += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
        blobs.append(data)
    return head + b"".join(blobs)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "installer/resources"
    os.makedirs(out, exist_ok=True)
    install_background().save(os.path.join(out, "BG.PNG"), optimize=True)
    uninstall_background().save(os.path.join(out, "BG2.PNG"), optimize=True)
    sprite_sheet().save(os.path.join(out, "SET.PNG"), optimize=True)
    with open(os.path.join(out, "main.ico"), "wb") as f:
        f.write(icon_file())


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Draws the frame images of image/: caption borders, caption buttons and the clash dialog's icons.

Run it after changing a colour or a glyph and commit the PNGs it writes; the build only copies them.
Needs Debian's python3-pil (the system Python, /usr/bin/python3). Shapes are drawn at eight times
the size and averaged down, which gives smooth diagonals while straight lines stay on whole pixels.

Layouts the frame code relies on:
  border.png, loginborder.png  15 x 32: caption pieces in rows 0-29 (left corner x 0-4, stretched
                               edge x 5-9, right corner x 10-14); row 30 the side edges, row 31 the
                               bottom edge and corners
  menuclose.png, menumin.png   4 columns of 31 x 24: normal, hover, pressed, disabled
  menumax.png                  8 columns of 31 x 24: those four for maximise, then four for restore
  loginmenuclose.png           4 columns of 16 x 16
  fileicon.png                 2 icons of 32 x 32: a file, then a folder
  zymclient.png                256 x 256: the program icon (window icon, desktop menu entry)
"""

import os
import sys

from PIL import Image, ImageDraw

SCALE = 8

CAPTION = (30, 58, 95)  # dark blue band of the web windows
CAPTION_LINE = (22, 44, 74)  # last caption row: separates caption from page
EDGE = (38, 70, 112)  # thin border on the other three sides
LOGIN_CAPTION = (37, 99, 176)
LOGIN_LINE = (37, 99, 176)
LOGIN_EDGE = (30, 84, 152)
GLYPH = (255, 255, 255)
CLOSE_HOVER = (232, 17, 35)
CLOSE_PRESSED = (196, 14, 30)
BUTTON_HOVER = (255, 255, 255, 38)
BUTTON_PRESSED = (255, 255, 255, 64)
DISABLED_ALPHA = 100


def canvas(width, height):
    return Image.new("RGBA", (width * SCALE, height * SCALE), (0, 0, 0, 0))


def finish(big):
    # A box filter averages each 8 x 8 block exactly: aligned edges stay sharp, diagonals get smooth.
    # Premultiplied alpha keeps transparent pixels from darkening the edges.
    small = big.convert("RGBa").resize((big.width // SCALE, big.height // SCALE), Image.BOX)
    return small.convert("RGBA")


def box(draw, x0, y0, x1, y1, colour):
    """Fills whole pixels x0..x1-1, y0..y1-1 of the final image."""
    draw.rectangle([x0 * SCALE, y0 * SCALE, x1 * SCALE - 1, y1 * SCALE - 1], fill=colour)


def border(path, caption, line, edge):
    img = Image.new("RGBA", (15, 32), edge + (255,))
    px = img.load()
    for x in range(15):
        for y in range(30):
            px[x, y] = (line if y == 29 else caption) + (255,)
    # The window region cuts these pixels anyway; transparency keeps the image honest.
    for x, y in ((0, 0), (1, 0), (0, 1), (14, 0), (13, 0), (14, 1)):
        px[x, y] = (0, 0, 0, 0)
    img.save(path)


def glyph_colour(state):
    return GLYPH + ((DISABLED_ALPHA,) if state == 3 else (255,))


def button_strip(path, width, height, glyphs, backgrounds, round_background=False):
    """One column per (glyph, state): backgrounds[state] is None or an RGBA colour."""
    columns = [(g, s) for g in glyphs for s in range(4)]
    big = canvas(width * len(columns), height)
    draw = ImageDraw.Draw(big)
    for i, (glyph, state) in enumerate(columns):
        x0 = i * width
        bg = backgrounds[state]
        if bg is not None:
            if round_background:
                draw.ellipse([x0 * SCALE, 0, (x0 + width) * SCALE - 1, height * SCALE - 1], fill=bg)
            else:
                box(draw, x0, 0, x0 + width, height, bg)
        glyph(draw, x0, width, height, glyph_colour(state))
    finish(big).save(path)


def cross(size, stroke):
    def draw_cross(draw, x0, width, height, colour):
        left = (x0 + (width - size) / 2) * SCALE
        top = ((height - size) / 2) * SCALE
        s = size * SCALE
        w = round(stroke * SCALE)
        draw.line([left, top, left + s, top + s], fill=colour, width=w)
        draw.line([left, top + s, left + s, top], fill=colour, width=w)

    return draw_cross


def minimise(draw, x0, width, height, colour):
    left = x0 + (width - 10) // 2
    box(draw, left, height // 2, left + 10, height // 2 + 1, colour)


def square_outline(draw, left, top, size, colour):
    box(draw, left, top, left + size, top + 1, colour)
    box(draw, left, top + size - 1, left + size, top + size, colour)
    box(draw, left, top, left + 1, top + size, colour)
    box(draw, left + size - 1, top, left + size, top + size, colour)


def maximise(draw, x0, width, height, colour):
    square_outline(draw, x0 + (width - 10) // 2, (height - 10) // 2, 10, colour)


def restore(draw, x0, width, height, colour):
    left = x0 + (width - 10) // 2
    top = (height - 10) // 2
    # Back window: only its top and right edges show behind the front one.
    box(draw, left + 2, top, left + 10, top + 1, colour)
    box(draw, left + 9, top, left + 10, top + 8, colour)
    square_outline(draw, left, top + 2, 8, colour)


def file_and_folder(path):
    big = canvas(64, 32)
    d = ImageDraw.Draw(big)
    S = SCALE
    # File: a sheet with a folded corner and three text lines.
    sheet = [(7 * S, 3 * S), (20 * S, 3 * S), (26 * S, 9 * S), (26 * S, 29 * S), (7 * S, 29 * S)]
    d.polygon(sheet, fill=(250, 251, 253, 255), outline=(120, 138, 163, 255), width=S)
    d.polygon([(20 * S, 3 * S), (20 * S, 9 * S), (26 * S, 9 * S)], fill=(205, 214, 228, 255),
              outline=(120, 138, 163, 255), width=S)
    for y in (14, 18, 22):
        box(d, 11, y, 22, y + 1, (77, 128, 197, 255))
    # Folder: a tab and a body, flat blue like the caption's family.
    ox = 32
    d.rounded_rectangle([(ox + 3) * S, 6 * S, (ox + 14) * S, 12 * S], radius=S, fill=(52, 111, 186, 255))
    d.rounded_rectangle([(ox + 3) * S, 9 * S, (ox + 29) * S, 27 * S], radius=S, fill=(52, 111, 186, 255))
    d.rounded_rectangle([(ox + 3) * S, 12 * S, (ox + 29) * S, 27 * S], radius=S, fill=(92, 151, 224, 255))
    finish(big).save(path)


def program_icon(path):
    """A rounded blue tile with a white cloud and an upward arrow: storage that syncs."""
    size = 256
    big = canvas(size, size)
    d = ImageDraw.Draw(big)
    S = SCALE
    d.rounded_rectangle([8 * S, 8 * S, 248 * S, 248 * S], radius=48 * S, fill=LOGIN_CAPTION + (255,))
    white = (255, 255, 255, 255)
    # Cloud: three circles over a rounded base.
    d.ellipse([52 * S, 104 * S, 124 * S, 176 * S], fill=white)
    d.ellipse([92 * S, 70 * S, 180 * S, 158 * S], fill=white)
    d.ellipse([146 * S, 108 * S, 208 * S, 170 * S], fill=white)
    d.rounded_rectangle([70 * S, 128 * S, 190 * S, 176 * S], radius=24 * S, fill=white)
    # Arrow in the caption's blue, pointing up out of the cloud.
    arrow = [(128 * S, 92 * S), (156 * S, 124 * S), (140 * S, 124 * S), (140 * S, 160 * S),
             (116 * S, 160 * S), (116 * S, 124 * S), (100 * S, 124 * S)]
    d.polygon(arrow, fill=LOGIN_CAPTION + (255,))
    finish(big).save(path)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "image")
    os.makedirs(out, exist_ok=True)
    at = lambda name: os.path.join(out, name)

    border(at("border.png"), CAPTION, CAPTION_LINE, EDGE)
    border(at("loginborder.png"), LOGIN_CAPTION, LOGIN_LINE, LOGIN_EDGE)

    plain = [None, BUTTON_HOVER, BUTTON_PRESSED, None]
    red = [None, CLOSE_HOVER + (255,), CLOSE_PRESSED + (255,), None]
    button_strip(at("menuclose.png"), 31, 24, [cross(10, 1.1)], red)
    button_strip(at("menumin.png"), 31, 24, [minimise], plain)
    button_strip(at("menumax.png"), 31, 24, [maximise, restore], plain)
    button_strip(at("loginmenuclose.png"), 16, 16, [cross(7, 1.2)], red, round_background=True)
    file_and_folder(at("fileicon.png"))
    program_icon(at("zymclient.png"))


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Draws every image of the skin: the package members, the start-page background and
the window icon. Run by hand (/usr/bin/python3 ui/skin/tools/make_images.py) when the
look changes; its outputs are committed, so building the program needs no image tools.

Needs Debian's python3-pil and the DejaVu fonts (fonts-dejavu-core).
Shapes are drawn at a multiple of their size and scaled down, which gives clean
anti-aliased edges without a vector renderer.
"""
import os
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
SKIN = os.path.dirname(HERE)
PACKAGE = os.path.join(SKIN, "package")
FONTS = "/usr/share/fonts/truetype/dejavu"

# One palette for the whole skin.
BLUE = (19, 152, 240)          # the brand blue, also the combo's selected entry
BLUE_HOT = (54, 171, 247)
BLUE_PUSHED = (11, 124, 206)
BLUE_OFF = (176, 216, 245)
GREY = (122, 123, 127)         # secondary text
GREY_LIGHT = (200, 203, 210)
INK = (60, 60, 60)
LINE = (214, 219, 233)         # frames of fields
RED = (223, 54, 54)
GREEN = (34, 181, 115)
AMBER = (245, 166, 35)
VIOLET = (123, 92, 255)
CYAN = (25, 198, 230)


def rgba(c, a=255):
    return (c[0], c[1], c[2], a)


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(len(a)))


def font(size, bold=False):
    return ImageFont.truetype(os.path.join(FONTS, "DejaVuSans-Bold.ttf" if bold else "DejaVuSans.ttf"), size)


class Canvas:
    """An RGBA drawing at `scale` times the final size; `done` scales it down."""

    def __init__(self, w, h, scale=8, fill=(0, 0, 0, 0)):
        self.w, self.h, self.s = w, h, scale
        self.img = Image.new("RGBA", (w * scale, h * scale), fill)

    def S(self, v):
        return round(v * self.s)

    def box(self, x0, y0, x1, y1):
        return [self.S(x0), self.S(y0), self.S(x1) - 1, self.S(y1) - 1]

    def layer(self):
        return Image.new("RGBA", self.img.size, (0, 0, 0, 0))

    def put(self, layer):
        self.img = Image.alpha_composite(self.img, layer)

    def rrect(self, x0, y0, x1, y1, r, fill=None, outline=None, width=1.0):
        layer = self.layer()
        d = ImageDraw.Draw(layer)
        if outline is not None:
            d.rounded_rectangle(self.box(x0, y0, x1, y1), self.S(r), fill=outline)
            inner = width
            d.rounded_rectangle(self.box(x0 + inner, y0 + inner, x1 - inner, y1 - inner), self.S(max(r - inner, 0)),
                                fill=fill if fill is not None else (0, 0, 0, 0))
            if fill is None:
                # punch the inside out rather than painting transparent over the outline layer
                mask = Image.new("L", layer.size, 0)
                ImageDraw.Draw(mask).rounded_rectangle(self.box(x0 + inner, y0 + inner, x1 - inner, y1 - inner),
                                                       self.S(max(r - inner, 0)), fill=255)
                layer.putalpha(ImageChops.subtract(layer.getchannel("A"), mask))
        else:
            d.rounded_rectangle(self.box(x0, y0, x1, y1), self.S(r), fill=fill)
        self.put(layer)

    def gradient_rrect(self, x0, y0, x1, y1, r, top, bottom, horizontal=False):
        w, h = self.S(x1) - self.S(x0), self.S(y1) - self.S(y0)
        grad = Image.new("RGBA", (w, h))
        px = grad.load()
        for i in range(w if horizontal else h):
            t = i / max((w if horizontal else h) - 1, 1)
            c = mix(top, bottom, t)
            for j in range(h if horizontal else w):
                px[(i, j) if horizontal else (j, i)] = c
        mask = Image.new("L", (w, h), 0)
        ImageDraw.Draw(mask).rounded_rectangle([0, 0, w - 1, h - 1], self.S(r), fill=255)
        layer = self.layer()
        layer.paste(grad, (self.S(x0), self.S(y0)), mask)
        self.put(layer)

    def line(self, points, color, width):
        layer = self.layer()
        d = ImageDraw.Draw(layer)
        pts = [(self.S(x), self.S(y)) for x, y in points]
        d.line(pts, fill=color, width=self.S(width), joint="curve")
        # round caps
        rr = self.S(width) / 2
        for x, y in (pts[0], pts[-1]):
            d.ellipse([x - rr, y - rr, x + rr, y + rr], fill=color)
        self.put(layer)

    def circle(self, cx, cy, r, fill=None, outline=None, width=1.0):
        layer = self.layer()
        d = ImageDraw.Draw(layer)
        d.ellipse([self.S(cx - r), self.S(cy - r), self.S(cx + r), self.S(cy + r)], fill=fill,
                  outline=outline, width=self.S(width) if outline else 0)
        self.put(layer)

    def polygon(self, points, fill):
        layer = self.layer()
        ImageDraw.Draw(layer).polygon([(self.S(x), self.S(y)) for x, y in points], fill=fill)
        self.put(layer)

    def done(self):
        small = self.img.convert("RGBa").resize((self.w, self.h), Image.LANCZOS)
        return small.convert("RGBA")


def save(img, name, folder=PACKAGE):
    img.save(os.path.join(folder, name), optimize=True)


def soft_shape(size, boxes, colour, alpha, blur, rounded=0):
    """A layer of one colour whose blurred alpha follows the shapes: blurring the
    mask alone keeps dark fringes out of the glow."""
    mask = Image.new("L", size, 0)
    d = ImageDraw.Draw(mask)
    for box in boxes:
        if rounded:
            d.rounded_rectangle(box, rounded, fill=alpha)
        else:
            d.ellipse(box, fill=alpha)
    layer = Image.new("RGBA", size, rgba(colour))
    layer.putalpha(mask.filter(ImageFilter.GaussianBlur(blur)))
    return layer


def diagonal(w, h, a, b):
    """a in the top-left corner, b in the bottom-right."""
    img = Image.new("RGBA", (w, h))
    px = img.load()
    for y in range(h):
        for x in range(w):
            px[x, y] = rgba(mix(a, b, (x + y) / max(w + h - 2, 1)))
    return img


# --- buttons ---------------------------------------------------------------------

def pill_button(w, h, state, filled):
    c = Canvas(w, h)
    r = h / 2
    if filled:
        top, bottom = {
            "normal": (mix(BLUE, (255, 255, 255), 0.12), BLUE),
            "hot": (mix(BLUE_HOT, (255, 255, 255), 0.12), BLUE_HOT),
            "pushed": (BLUE_PUSHED, mix(BLUE_PUSHED, (0, 0, 0), 0.05)),
            "disabled": (BLUE_OFF, BLUE_OFF),
        }[state]
        c.gradient_rrect(0, 0, w, h, r, rgba(top), rgba(bottom))
    else:
        fill, edge = {
            "normal": ((255, 255, 255), (197, 203, 214)),
            "hot": ((243, 249, 254), BLUE),
            "pushed": ((225, 240, 252), BLUE_PUSHED),
            "disabled": ((247, 248, 250), (225, 228, 234)),
        }[state]
        c.rrect(0, 0, w, h, r, fill=rgba(fill), outline=rgba(edge), width=1)
    return c.done()


# --- caption and small glyphs ----------------------------------------------------

def caption_glyph(kind, state):
    c = Canvas(24, 24)
    glyph = {"normal": GREY, "hot": INK, "pushed": INK, "disabled": GREY_LIGHT}[state]
    if kind == "close" and state in ("hot", "pushed"):
        c.rrect(0, 0, 24, 24, 4, fill=rgba(RED if state == "hot" else mix(RED, (0, 0, 0), 0.15)))
        glyph = (255, 255, 255)
    elif state in ("hot", "pushed"):
        c.rrect(0, 0, 24, 24, 4, fill=(0, 0, 0, 20 if state == "hot" else 38))
    if kind == "close":
        c.line([(7.5, 7.5), (16.5, 16.5)], rgba(glyph), 1.5)
        c.line([(16.5, 7.5), (7.5, 16.5)], rgba(glyph), 1.5)
    else:
        c.line([(7.5, 12.5), (16.5, 12.5)], rgba(glyph), 1.5)
    return c.done()


def folder_glyph(state):
    c = Canvas(24, 24)
    colour = {"normal": GREY, "hot": BLUE, "pushed": BLUE_PUSHED, "disabled": GREY_LIGHT}[state]
    if state == "pushed":
        c.rrect(1, 1, 23, 23, 4, fill=rgba(BLUE, 28))
    # a folder outline: the tab on the upper left, the body below
    c.line([(4.5, 17.5), (4.5, 7.2), (9.6, 7.2), (11.4, 9.2), (19.5, 9.2), (19.5, 17.5), (4.5, 17.5)], rgba(colour), 1.5)
    c.line([(4.5, 11.4), (19.5, 11.4)], rgba(colour), 1.3)
    return c.done()


def check_box(state):
    c = Canvas(16, 16)
    if state in ("checked", "checked_hot"):
        c.rrect(0.5, 0.5, 15.5, 15.5, 3, fill=rgba(BLUE if state == "checked" else BLUE_HOT))
        c.line([(4.2, 8.2), (6.9, 10.9), (11.8, 5.3)], (255, 255, 255, 255), 1.6)
    else:
        edge = BLUE if state == "hot" else (180, 185, 195)
        c.rrect(0.5, 0.5, 15.5, 15.5, 3, fill=(255, 255, 255, 255), outline=rgba(edge), width=1)
    return c.done()


def small_cross(colour, disc=None):
    c = Canvas(14, 14)
    if disc:
        c.circle(7, 7, 7, fill=disc)
    c.line([(4.5, 4.5), (9.5, 9.5)], colour, 1.3)
    c.line([(9.5, 4.5), (4.5, 9.5)], colour, 1.3)
    return c.done()


def chevron(up):
    c = Canvas(8, 8)
    ys = (5.3, 2.7) if up else (2.7, 5.3)
    c.line([(1.2, ys[0]), (4, ys[1]), (6.8, ys[0])], rgba(GREY), 1.25)
    return c.done()


def status_icon(kind):
    c = Canvas(56, 56)
    base = AMBER if kind == "warn" else GREEN
    c.circle(28, 28, 27, fill=rgba(base, 40))
    c.circle(28, 28, 23, fill=rgba(base))
    white = (255, 255, 255, 255)
    if kind == "warn":
        c.line([(28, 16.5), (28, 31)], white, 4.2)
        c.circle(28, 38.5, 2.6, fill=white)
    else:
        c.line([(18.5, 28.5), (25, 35), (37.5, 21.5)], white, 4.2)
    return c.done()


def tip_background():
    # 40 x 40 nine-grid (corner 16,16,16,20): a pale red card, its soft shadow below.
    c = Canvas(40, 40)
    c.put(soft_shape(c.img.size, [c.box(2, 3, 38, 38)], (120, 30, 30), 46, c.S(1.4), rounded=c.S(8)))
    c.rrect(0, 0, 40, 36, 8, fill=(255, 242, 241, 255), outline=(248, 201, 198, 255), width=1)
    return c.done()


def field_frame():
    c = Canvas(40, 32)
    c.rrect(0, 0, 40, 32, 4, fill=(255, 255, 255, 255), outline=rgba(LINE), width=1)
    return c.done()


def progress(fore):
    c = Canvas(24, 6)
    if fore:
        c.gradient_rrect(0, 0, 24, 6, 3, rgba((54, 190, 255)), rgba(BLUE), horizontal=True)
    else:
        c.rrect(0, 0, 24, 6, 3, fill=(230, 235, 242, 255))
    return c.done()


# --- product marks -----------------------------------------------------------------

def product_icon(size):
    """The product's icon: a violet-to-cyan tile with a white lens and its light."""
    c = Canvas(size, size, scale=max(4, 1024 // size))
    s = size
    r = s * 0.225
    w = c.S(s)
    tile = diagonal(64, 64, VIOLET, CYAN).resize((w, w), Image.BILINEAR)
    mask = Image.new("L", (w, w), 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, 0, w - 1, w - 1], c.S(r), fill=255)
    layer = c.layer()
    layer.paste(tile, (0, 0), mask)
    c.put(layer)
    # a soft sheen on the upper half
    sheen = c.layer()
    ImageDraw.Draw(sheen).ellipse([c.S(-s * 0.3), c.S(-s * 0.75), c.S(s * 1.3), c.S(s * 0.42)], fill=(255, 255, 255, 30))
    sheen.putalpha(ImageChops.multiply(sheen.getchannel("A"), mask))
    c.put(sheen)
    white = (255, 255, 255, 255)
    c.circle(s * 0.46, s * 0.54, s * 0.215, outline=white, width=s * 0.085)
    c.circle(s * 0.705, s * 0.295, s * 0.085, fill=white)
    return c.done()


def maker_mark(size):
    """The maker's mark: two stacked chevrons."""
    c = Canvas(size, size)
    col = (91, 69, 224, 255)
    col2 = (25, 170, 214, 255)
    s = size
    c.polygon([(s * 0.5, 0), (s, s * 0.5), (s * 0.78, s * 0.5), (s * 0.5, s * 0.22), (s * 0.22, s * 0.5), (0, s * 0.5)], col)
    c.polygon([(0, s * 0.5), (s * 0.22, s * 0.5), (s * 0.5, s * 0.78), (s * 0.78, s * 0.5), (s, s * 0.5), (s * 0.5, s)], col2)
    return c.done()


def background():
    """600 x 400 start page: soft violet-to-cyan, maker's logo top left, product in the upper middle."""
    w, h = 600, 400
    img = Image.new("RGBA", (w, h))
    px = img.load()
    tl, tr, bl, br = (240, 236, 255), (233, 240, 255), (241, 243, 255), (224, 247, 250)
    for y in range(h):
        v = y / (h - 1)
        for x in range(w):
            u = x / (w - 1)
            top = mix(tl, tr, u)
            bot = mix(bl, br, u)
            px[x, y] = rgba(mix(top, bot, v))
    # two large soft glows give the gradient depth
    img = Image.alpha_composite(img, soft_shape((w, h), [[-160, -220, 260, 160]], (200, 186, 255), 110, 60))
    img = Image.alpha_composite(img, soft_shape((w, h), [[380, 210, 820, 560]], (160, 232, 245), 120, 60))

    # maker's logo
    img.alpha_composite(maker_mark(18), (18, 14))
    d = ImageDraw.Draw(img)
    d.text((43, 14), "KORVANE", font=font(13, bold=True), fill=(58, 53, 82, 255))

    # product icon and name, centred in the upper middle
    icon = product_icon(84)
    img = Image.alpha_composite(img, soft_shape((w, h), [[262, 78, 338, 160]], (80, 60, 160), 80, 8, rounded=19))
    img.alpha_composite(icon, (258, 64))
    d = ImageDraw.Draw(img)
    name_font = font(30, bold=True)
    name = "Korvane Lumetra"
    tw = d.textlength(name, font=name_font)
    d.text(((w - tw) / 2, 166), name, font=name_font, fill=(43, 40, 66, 255))
    tag_font = font(13)
    tag = "Light, colour and clarity for every image"
    tw = d.textlength(tag, font=tag_font)
    d.text(((w - tw) / 2, 212), tag, font=tag_font, fill=(110, 108, 128, 255))
    return img


# --- download-page illustration -------------------------------------------------

def banner():
    """640 x 340: a light blue desk scene, the monitor showing a download."""
    W, H = 640, 340
    c = Canvas(W, H, scale=3)
    S = c.S
    # sky-like backdrop
    sky = Image.new("RGBA", c.img.size)
    d = ImageDraw.Draw(sky)
    for y in range(sky.size[1]):
        d.line([(0, y), (sky.size[0], y)], fill=rgba(mix((236, 246, 255), (214, 236, 253), y / sky.size[1])))
    c.img = sky
    # soft shapes in the back
    size = c.img.size
    c.put(soft_shape(size, [c.box(40, 30, 250, 240)], (255, 255, 255), 130, S(6)))
    c.put(soft_shape(size, [c.box(440, 10, 620, 190)], (196, 226, 251), 160, S(6)))
    c.put(soft_shape(size, [c.box(500, 150, 600, 250)], (255, 255, 255), 120, S(6)))
    # floor
    c.rrect(-10, 292, W + 10, H + 10, 0, fill=rgba((200, 226, 250)))
    # window frame on the wall, left
    c.rrect(70, 46, 190, 156, 6, fill=rgba((248, 252, 255)), outline=rgba((184, 214, 242)), width=3)
    c.line([(130, 49), (130, 153)], rgba((184, 214, 242)), 3)
    c.line([(73, 101), (187, 101)], rgba((184, 214, 242)), 3)
    # desk
    c.rrect(110, 232, 530, 244, 4, fill=rgba((122, 174, 228)))
    c.rrect(128, 244, 138, 300, 2, fill=rgba((102, 156, 214)))
    c.rrect(502, 244, 512, 300, 2, fill=rgba((102, 156, 214)))
    c.rrect(392, 246, 492, 282, 4, fill=rgba((143, 190, 236)))
    c.rrect(430, 260, 454, 264, 2, fill=rgba((232, 243, 253)))
    # monitor
    c.rrect(306, 204, 334, 232, 2, fill=rgba((120, 160, 205)))
    c.rrect(282, 226, 358, 233, 3, fill=rgba((100, 144, 194)))
    c.rrect(214, 74, 426, 208, 9, fill=rgba((54, 92, 140)))
    c.rrect(222, 82, 418, 198, 4, fill=rgba((250, 253, 255)))
    # the screen: a cloud with a download arrow and a progress bar
    cloud = (170, 211, 247, 255)
    c.circle(300, 126, 18, fill=cloud)
    c.circle(323, 114, 24, fill=cloud)
    c.circle(346, 128, 16, fill=cloud)
    c.rrect(284, 124, 362, 144, 10, fill=cloud)
    c.line([(320, 112), (320, 140)], rgba(BLUE), 5)
    c.line([(310, 131), (320, 141), (330, 131)], rgba(BLUE), 5)
    c.rrect(262, 164, 378, 171, 3.5, fill=rgba((226, 236, 246)))
    c.gradient_rrect(262, 164, 340, 171, 3.5, rgba((54, 190, 255)), rgba(BLUE), horizontal=True)
    # keyboard and mouse
    c.rrect(262, 236, 370, 242, 3, fill=rgba((236, 244, 252)))
    c.rrect(384, 236, 400, 242, 3, fill=rgba((236, 244, 252)))
    # mug
    c.rrect(170, 202, 196, 232, 4, fill=rgba((255, 255, 255)))
    c.circle(199, 216, 7, outline=rgba((255, 255, 255)), width=3)
    c.rrect(174, 208, 192, 212, 2, fill=rgba((170, 211, 247)))
    # plant
    c.rrect(460, 204, 490, 232, 5, fill=rgba((255, 255, 255)))
    leaf = (96, 196, 170, 255)
    leaf2 = (70, 172, 150, 255)
    c.polygon([(475, 206), (456, 168), (466, 166)], leaf)
    c.polygon([(475, 206), (494, 162), (500, 172)], leaf2)
    c.polygon([(475, 206), (474, 150), (482, 156)], leaf)
    c.polygon([(475, 206), (446, 186), (452, 180)], leaf2)
    c.polygon([(475, 206), (506, 188), (502, 182)], leaf)
    # lamp
    c.line([(150, 232), (150, 176), (176, 158)], rgba((102, 156, 214)), 4)
    c.polygon([(166, 150), (192, 150), (186, 170), (172, 170)], rgba((102, 156, 214)))
    c.rrect(138, 228, 162, 234, 3, fill=rgba((102, 156, 214)))
    # little sparkles around the screen
    for x, y, r in ((448, 92, 4), (196, 62, 3), (452, 128, 2.5), (240, 56, 2)):
        c.circle(x, y, r, fill=(255, 255, 255, 230))
    return c.done()


def main():
    os.makedirs(PACKAGE, exist_ok=True)
    for state in ("normal", "hot", "pushed", "disabled"):
        save(pill_button(108, 40, state, True), f"btn_{state}.png")
        save(pill_button(99, 32, state, True), f"btn1_{state}.png")
        save(pill_button(99, 32, state, False), f"btn2_{state}.png")
        save(caption_glyph("close", state), f"close_{state}.png")
        save(caption_glyph("minimal", state), f"minimal_{state}.png")
        save(folder_glyph(state), f"folder_{state}.png")
    for state in ("normal", "hot", "checked", "checked_hot"):
        save(check_box(state), f"cbx_{state}.png")
    save(small_cross((223, 54, 54, 200)), "tips_close_normal.png")
    save(small_cross((255, 255, 255, 255), disc=(223, 54, 54, 255)), "tips_close_pressed.png")
    save(small_cross((255, 255, 255, 255), disc=(122, 123, 127, 255)), "close_pressed.png")
    save(status_icon("warn"), "warn.png")
    save(status_icon("success"), "success.png")
    save(tip_background(), "info_bg_warning.png")
    save(field_frame(), "folder_bk.png")
    save(progress(False), "progress_background.png")
    save(progress(True), "progress_fore.png")
    save(chevron(False), "down.png")
    save(chevron(True), "up.png")
    save(banner().convert("RGB").convert("RGBA"), "banner.png")
    save(background().convert("RGB"), "background.png", SKIN)
    sizes = [16, 20, 24, 32, 40, 48, 64, 128, 256]
    icons = {s: product_icon(s) for s in sizes}
    icons[256].save(os.path.join(SKIN, "orb.ico"), sizes=[(s, s) for s in sizes],
                    append_images=[icons[s] for s in sizes[:-1]])
    return 0


if __name__ == "__main__":
    sys.exit(main())

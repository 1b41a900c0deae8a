"""Contact sheets for reviewing the artwork: controls placed as the editor places them."""

import math

import numpy as np
from PIL import Image, ImageDraw

from . import geometry as G
from .common import downsample, font, text_mask, to_u8


def _frame(strip, index, frames):
    fh = strip.shape[0] // frames
    return strip[index * fh:(index + 1) * fh]


def _resize(a, w, h):
    im = Image.fromarray(to_u8(a[..., :3]), "RGB").resize((w, h), Image.LANCZOS)
    return np.asarray(im, np.float32) / 255.0


def _needle(img, v):
    """Needle and its shadow as the editor draws them, clipped to the meter rectangle."""
    ss = 4
    mx, my, mw, mh = G.METER
    over = Image.new("RGBA", (mw * ss, mh * ss), (0, 0, 0, 0))
    d = ImageDraw.Draw(over)
    px, py = (G.PIVOT[0] - mx) * ss, (G.PIVOT[1] - my) * ss
    a = math.radians(G.needle_angle(v))
    tx, ty = px + G.NEEDLE_LENGTH * ss * math.sin(a), py - G.NEEDLE_LENGTH * ss * math.cos(a)
    o = 2 * ss
    d.line((px - o, py + o, tx - o, ty + o), fill=(119, 122, 125, 195), width=int(3.5 * ss))
    layer = np.asarray(over, np.float32) / 255.0
    over2 = Image.new("RGBA", (mw * ss, mh * ss), (0, 0, 0, 0))
    ImageDraw.Draw(over2).line((px, py, tx, ty), fill=(0, 0, 0, 255), width=int(2.7 * ss))
    layer2 = np.asarray(over2, np.float32) / 255.0
    region = img[my:my + mh, mx:mx + mw]
    for lay in (layer, layer2):
        lay = downsample(lay, ss)
        al = lay[..., 3:4]
        region = region * (1 - al) + lay[..., :3] * al
    img[my:my + mh, mx:mx + mw] = region


def panel_sheet(bg, strips):
    img = bg.copy()

    def put(rect, frame):
        x, y, w, h = rect
        if frame.shape[1] != w:
            frame = _resize(frame, w, h)
        img[y:y + h, x:x + w] = frame

    put(G.LAMP, _frame(strips["lamp"], 1, 2))
    put(G.POWER_LEVER, _frame(strips["power"], 0, 2))
    put(G.GAIN_KNOB, _frame(strips["gain"], 23, 101))
    put(G.PEAK_KNOB, _frame(strips["peak"], 0, 101))
    put(G.MODE_LEVER, _frame(strips["mode"], 1, 2))
    _needle(img, 0.715)
    put(G.VU_LEVER, _frame(strips["vu"], 1, 3))
    # a stand-in for the bottom bar the editor draws in code, for context only
    bar = np.full((58, img.shape[1], 3), 0.11, np.float32)
    bar[:1] = 0.2
    return np.concatenate([img, bar], 0)


def knob_sheet(strip, cols=11, scale=0.42):
    fh = strip.shape[0] // 101
    fw = strip.shape[1]
    tw, th = int(fw * scale), int(fh * scale)
    rows = math.ceil(101 / cols)
    sheet = np.full((rows * (th + 22) + 8, cols * (tw + 6) + 6, 3), 0.14, np.float32)
    labels = []
    for i in range(101):
        r, c = divmod(i, cols)
        x, y = 6 + c * (tw + 6), 4 + r * (th + 22)
        sheet[y:y + th, x:x + tw] = _resize(_frame(strip, i, 101), tw, th)
        labels.append((str(i), "sans", 15, (x + tw / 2, y + th + 10), "mm"))
    m = text_mask((sheet.shape[1], sheet.shape[0]), labels)
    return sheet * (1 - m[..., None]) + 0.85 * m[..., None]


def switch_sheet(strips):
    items = [("lamp", 2, None), ("power", 2, 150), ("mode", 2, 150), ("vu", 3, 150)]
    tiles = []
    names = []
    for key, n, width in items:
        for i in range(n):
            f = _frame(strips[key], i, n)
            if width is not None and f.shape[1] != width:
                f = _resize(f, width, f.shape[0])
            tiles.append(f)
            names.append("%s %d" % (key, i))
    h = max(t.shape[0] for t in tiles)
    gap = 14
    wsum = sum(t.shape[1] for t in tiles) + gap * (len(tiles) + 1)
    sheet = np.full((h + 46, wsum, 3), 0.14, np.float32)
    x = gap
    labels = []
    for t, nm in zip(tiles, names):
        sheet[10:10 + t.shape[0], x:x + t.shape[1]] = t
        labels.append((nm, "sans", 18, (x + t.shape[1] / 2, h + 30), "mm"))
        x += t.shape[1] + gap
    m = text_mask((sheet.shape[1], sheet.shape[0]), labels)
    return sheet * (1 - m[..., None]) + 0.85 * m[..., None]


def about_sheet(about):
    """The card over the black the overlay paints, with the version line where the editor puts it."""
    a = about[..., 3:4]
    img = about[..., :3] * a
    m = text_mask((img.shape[1], img.shape[0]),
                  [("VERSION 3.0.0 BUILD 336", "sans", 28, (1150 + 6, 110 + 14), "lm")], ss=2)
    return img * (1 - m[..., None]) + 1.0 * m[..., None]

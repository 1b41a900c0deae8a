"""The About card, the maker's banner, the settings gear and the Windows icons."""

import io
import math
import struct

import numpy as np
from PIL import Image, ImageDraw
from scipy import ndimage

from .common import (blur, coverage, downsample, fbm, font, grid, lambert, normals_from_height, phong,
                     png_bytes, rounded_rect_sdf, smoothstep, text_mask, to_u8)
from .parts import badge

WEB = "www.kelvaro.example"


def about(w=1866, h=508):
    x, y = grid(h, w)
    # dark, slightly translucent ground with a leathery grain
    g = fbm(h, w, "aboutground", scales=(5, 2, 0.9), weights=(0.6, 0.6, 0.4))
    n = normals_from_height(blur(g, 0.7) * 0.8)
    v = 0.055 + 0.04 * lambert(n) + 0.012 * fbm(h, w, "aboutblot", scales=(200, 60), weights=(1, 0.5))
    ground = np.stack([v, v * 0.98, v * 0.96], -1)
    ground_a = 0.90 + 0.1 * smoothstep(1.15, 0.6, np.hypot((x - w / 2) / (w / 2), (y - h / 2) / (h / 2)))

    cx0, cy0, cx1, cy1 = 44, 30, w - 44, h - 30
    sdf = rounded_rect_sdf(x, y, cx0, cy0, cx1, cy1, 22)
    card = coverage(sdf)
    shadow = blur(ndimage.shift(card, (9, 6), order=1), 12)
    rgb = ground * (1 - 0.7 * np.clip(shadow - card, 0, 1))[..., None]
    alpha = np.clip(ground_a + 0.1 * shadow, 0, 1)

    black = 0.012 + 0.01 * smoothstep(900, 0, np.hypot(x - 300, y + 200))
    card_rgb = np.stack([black, black, black * 1.05], -1)
    border = coverage(np.abs(sdf + 9) - 2.0)
    card_rgb = card_rgb * (1 - border[..., None]) + 0.93 * border[..., None]
    rgb = rgb * (1 - card[..., None]) + card_rgb * card[..., None]
    alpha = alpha * (1 - card) + card

    white = np.array([0.96, 0.96, 0.95], np.float32)
    grey = np.array([0.62, 0.62, 0.62], np.float32)
    dim = np.array([0.45, 0.45, 0.46], np.float32)

    def ink(mask, col):
        nonlocal rgb
        rgb = rgb * (1 - mask[..., None]) + col * mask[..., None]

    ink(text_mask((w, h), [("Orvelle", "sans-semibold", 92, (104, 128), "ls")], ss=2), white)
    ink(text_mask((w, h), [("Program-dependent leveling amplifier",
                            "sans", 29, (108, 176), "ls")], ss=2), grey)
    ink(text_mask((w, h), [
        ("Concept, signal processing and interface: Kelvaro", "sans", 23, (108, 386), "ls"),
        ("Panel photography and artwork: Kelvaro design studio", "sans", 23, (108, 418), "ls"),
        ("Built with JUCE. Source Sans Pro by Adobe, SIL Open Font License 1.1.", "sans", 23, (108, 450), "ls"),
    ], ss=2), dim)
    ink(text_mask((w, h), [("Updates, manuals and support", "sans", 23, (w - 108, 412), "rs")], ss=2), dim)
    ink(text_mask((w, h), [(WEB, "sans-semibold", 34, (w - 108, 452), "rs")], ss=2), white)

    dia = 210
    brgb, ba = badge(dia)
    ox, oy = int(w / 2 - dia / 2), int(h / 2 - dia / 2)
    reg = rgb[oy:oy + dia, ox:ox + dia]
    rgb[oy:oy + dia, ox:ox + dia] = reg * (1 - ba[..., None]) + brgb * ba[..., None]
    # a faint halo lifts the badge off the black card
    halo = np.zeros((h, w), np.float32)
    halo[oy:oy + dia, ox:ox + dia] = ba
    halo = np.clip(blur(halo, 18) - halo, 0, 1) * card
    rgb = rgb + 0.10 * halo[..., None]
    return np.concatenate([np.clip(rgb, 0, 1), np.clip(alpha, 0, 1)[..., None]], -1)


def banner(w=342, fh=54):
    """The maker's name in white, plain and glowing."""
    frames = []
    m = text_mask((w, fh), [("KELVARO", "sans-bold", 33, (w / 2, fh / 2 + 1), "mm", 9.0)], ss=4)
    for glow in (False, True):
        col = np.ones((fh, w, 3), np.float32)
        a = m.copy()
        if glow:
            halo = blur(m, 6.0) * 1.6 + blur(m, 2.0) * 0.6
            tint = np.array([1.0, 0.86, 0.62], np.float32)
            ha = np.clip(halo, 0, 0.85)
            col = (tint * ha[..., None] * (1 - m[..., None]) + m[..., None]) / np.maximum(
                ha[..., None] * (1 - m[..., None]) + m[..., None], 1e-4)
            a = np.clip(m + ha * (1 - m), 0, 1)
        frames.append(np.concatenate([np.clip(col, 0, 1), a[..., None]], -1))
    return np.concatenate(frames, 0)


def gear(w=46, fh=54, ss=6):
    frames = []
    for pressed in (False, True):
        x, y = grid(fh, w, ss)
        cx, cy = w / 2 + (0.5 if pressed else 0), fh / 2 + (0.5 if pressed else 0)
        dx, dy = x - cx, y - cy
        r = np.hypot(dx, dy)
        ang = np.arctan2(dy, dx)
        teeth = 8
        tooth = np.clip(np.cos(ang * teeth) * 2.2 + 0.4, 0, 1)
        outer = 12.5 + 4.0 * tooth
        body = coverage(r - outer, 0.6) * coverage(4.6 - r, 0.6)
        hmap = blur(body, 1.2 * ss)
        n = normals_from_height(hmap * 3.0 * ss)
        base = 0.80 if not pressed else 0.55
        v = base * (0.78 + 0.3 * lambert(n)) + 0.25 * phong(n, 25)
        col = np.stack([v, v, v * 1.02], -1)
        if pressed:
            col = col * np.array([1.0, 0.93, 0.82], np.float32)
        col, a = downsample(col, ss), downsample(body, ss)
        sh = blur(ndimage.shift(a, (1.0, 0.8), order=1), 1.0) * 0.5
        a_out = np.clip(a + sh * (1 - a), 0, 1)
        col = (col * a[..., None]) / np.maximum(a_out[..., None], 1e-4)
        frames.append(np.concatenate([np.clip(col, 0, 1), a_out[..., None]], -1))
    return np.concatenate(frames, 0)


ICON_SIZES = (16, 24, 32, 48, 64, 96, 128, 256)


def _icon_png(rgba):
    return png_bytes(to_u8(rgba))


def write_ico(path, images):
    """Windows icon file; every entry is stored as PNG."""
    blobs = [_icon_png(im) for im in images]
    out = io.BytesIO()
    out.write(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for im, blob in zip(images, blobs):
        h, w = im.shape[:2]
        out.write(struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset))
        offset += len(blob)
    for blob in blobs:
        out.write(blob)
    with open(path, "wb") as f:
        f.write(out.getvalue())


def _resize_rgba(rgba, size):
    """Premultiplied Lanczos downscale of a float RGBA image."""
    a = rgba[..., 3:4]
    pm = np.concatenate([rgba[..., :3] * a, a], -1)
    chans = []
    for c in range(4):
        im = Image.fromarray(pm[..., c].astype(np.float32), "F")
        chans.append(np.asarray(im.resize((size, size), Image.LANCZOS), np.float32))
    out = np.clip(np.stack(chans, -1), 0, 1)
    al = out[..., 3:4]
    rgb = np.where(al > 1e-4, out[..., :3] / np.maximum(al, 1e-4), 0)
    return np.concatenate([np.clip(rgb, 0, 1), al], -1)


def app_icon_master(size=512):
    rgb, a = badge(size - 8, ss=2)
    out = np.zeros((size, size, 4), np.float32)
    out[4:-4, 4:-4, :3] = rgb
    out[4:-4, 4:-4, 3] = a
    return out


def folder_icon_master(size=512):
    x, y = grid(size, size)
    s = size / 512.0
    back = rounded_rect_sdf(x, y, 28 * s, 70 * s, 484 * s, 440 * s, 26 * s)
    tab = rounded_rect_sdf(x, y, 28 * s, 44 * s, 220 * s, 110 * s, 20 * s)
    back_m = coverage(np.minimum(back, tab))
    front = rounded_rect_sdf(x, y, 28 * s, 128 * s, 484 * s, 448 * s, 24 * s)
    front_m = coverage(front)
    shade_b = 0.20 + 0.05 * (1 - y / size)
    shade_f = 0.36 + 0.14 * (1 - (y - 128 * s) / (320 * s))
    col = np.stack([shade_b, shade_b, shade_b * 1.05], -1) * back_m[..., None]
    fcol = np.stack([shade_f, shade_f * 0.99, shade_f * 1.03], -1)
    top_edge = coverage(np.abs(y - 131 * s) - 2 * s) * front_m
    fcol = fcol + 0.25 * top_edge[..., None]
    col = col * (1 - front_m[..., None]) + fcol * front_m[..., None]
    alpha = np.clip(back_m + front_m, 0, 1)
    dia = int(250 * s)
    brgb, ba = badge(dia, ss=2)
    ox, oy = int(size / 2 - dia / 2), int(288 * s - dia / 2)
    sh = np.zeros((size, size), np.float32)
    sh[oy:oy + dia, ox:ox + dia] = ba
    sh = blur(ndimage.shift(sh, (6 * s, 4 * s), order=1), 8 * s)
    col = col * (1 - 0.5 * sh * front_m)[..., None]
    reg = col[oy:oy + dia, ox:ox + dia]
    col[oy:oy + dia, ox:ox + dia] = reg * (1 - ba[..., None]) + brgb * ba[..., None]
    return np.concatenate([np.clip(col, 0, 1), alpha[..., None]], -1)


def icon_set(master):
    return [_resize_rgba(master, s) for s in ICON_SIZES]

"""Small parts shared by several pictures: screws and the maker's round badge."""

import math

import numpy as np
from PIL import Image, ImageDraw

from .common import (LIGHT, blur, coverage, downsample, font, grid, lambert, phong, reflect_view,
                     smoothstep, studio_env)


def screw(radius, slot_angle, ss=4, kind="phillips"):
    """A pan-head screw. Returns (rgb, alpha) of a (2r+8)^2 patch centred on the screw."""
    size = int(math.ceil(radius * 2 + 8))
    x, y = grid(size, size, ss)
    c = size / 2.0
    dx, dy = x - c, y - c
    r = np.hypot(dx, dy) / radius
    # dome profile
    hz = np.sqrt(np.clip(1 - r ** 2, 0, 1))
    dome = 0.45
    nx = dx / radius * dome
    ny = dy / radius * dome
    nz = np.maximum(hz, 0.15)
    # rim roll-off near the edge
    edge = smoothstep(0.78, 1.0, r)
    nx = nx * (1 + 2.5 * edge)
    ny = ny * (1 + 2.5 * edge)
    n = np.stack([nx, ny, nz], -1)
    n /= np.linalg.norm(n, axis=-1, keepdims=True)
    env = studio_env(reflect_view(n), key=0.8)
    base = 0.35 * lambert(n) + 0.55 * env + 0.5 * phong(n, 60)
    # recess: slot or cross
    ca, sa = math.cos(slot_angle), math.sin(slot_angle)
    u = dx * ca + dy * sa
    v = -dx * sa + dy * ca
    wslot = radius * 0.13
    lslot = radius * 0.78
    if kind == "phillips":
        arm = lambda p, q: (np.abs(q) < wslot * (1.0 - 0.35 * np.abs(p) / lslot)) & (np.abs(p) < lslot * 0.85)
        recess = arm(u, v) | arm(v, u)
        recess = recess | (np.hypot(u, v) < radius * 0.22)
    else:
        recess = (np.abs(v) < wslot) & (np.abs(u) < lslot * 1.2)
    recess = recess.astype(np.float32)
    # dark inside the recess, with a lit lower-right wall
    wall = np.clip((u * -LIGHT[0] + v * -LIGHT[1]) / radius, -1, 1)
    recess_col = 0.08 + 0.12 * np.clip(wall, 0, 1)
    shade = base * (1 - recess) + recess_col * recess
    body = coverage((r - 1.0) * radius, 0.6 * ss / ss)
    col = np.stack([shade * 0.97, shade * 0.98, shade * 1.0], -1)
    col = downsample(col, ss)
    alpha = downsample(body, ss)
    return col, alpha


def screw_shadow(alpha, off=(2.5, 3.5), sigma=2.5):
    from scipy import ndimage
    s = ndimage.shift(alpha, (off[1], off[0]), order=1, mode="constant")
    return blur(s, sigma)


def arc_text(draw_img, text, centre, radius, fnt, start_deg, spacing_deg=None, fill=255, bottom=False):
    """Writes text along a circle, upright at the top (or reading left to right at the bottom)."""
    widths = [fnt.getlength(ch) for ch in text]
    total = sum(widths)
    circ = 2 * math.pi * radius
    span = total / circ * 360.0 if spacing_deg is None else spacing_deg * (len(text) - 1)
    a = start_deg - span / 2 if not bottom else start_deg + span / 2
    for ch, w in zip(text, widths):
        step = w / circ * 360.0
        mid = a + (step / 2 if not bottom else -step / 2)
        gsize = int(fnt.size * 2)
        g = Image.new("L", (gsize, gsize), 0)
        ImageDraw.Draw(g).text((gsize / 2, gsize / 2), ch, font=fnt, fill=fill, anchor="mm")
        rot = -mid if not bottom else -(mid - 180)
        g = g.rotate(rot, resample=Image.BICUBIC)
        rad = math.radians(mid)
        px = centre[0] + radius * math.sin(rad)
        py = centre[1] - radius * math.cos(rad)
        draw_img.paste(255, (int(round(px - gsize / 2)), int(round(py - gsize / 2))), g)
        a += step if not bottom else -step


def badge(diameter, ss=3):
    """The maker's round badge: polished ring, black enamel, brushed silver monogram and lettering.

    Returns (rgb, alpha) of a diameter x diameter image.
    """
    S = diameter * ss
    x, y = grid(diameter, diameter, ss)
    c = diameter / 2.0
    dx, dy = x - c, y - c
    rr = np.hypot(dx, dy)
    R = diameter / 2.0 - 0.5
    ring_in = R * 0.86
    # ring: a rounded torus profile
    t = np.clip((rr - ring_in) / (R - ring_in), 0, 1)
    prof = (t - 0.5) * 2  # -1 inner edge .. 1 outer edge
    tilt = np.clip(prof, -0.98, 0.98)
    ux, uy = dx / np.maximum(rr, 1e-3), dy / np.maximum(rr, 1e-3)
    n = np.stack([ux * tilt, uy * tilt, np.sqrt(1 - tilt ** 2)], -1)
    env = studio_env(reflect_view(n), key=1.0)
    ring = 0.15 + 0.85 * env + 0.6 * phong(n, 80)
    ring_rgb = np.stack([ring * 0.98, ring * 0.97, ring * 0.95], -1)
    # enamel field with a soft gloss
    enamel = 0.035 + 0.05 * smoothstep(ring_in, 0, np.hypot(dx + c * 0.35, dy + c * 0.45))
    enamel_rgb = np.stack([enamel * 0.9, enamel * 0.95, enamel * 1.1], -1)
    # lettering mask at full supersampled size
    m = Image.new("L", (S, S), 0)
    d = ImageDraw.Draw(m)
    kf = font("sans-black", int(diameter * 0.50 * ss))
    d.text((S / 2, S / 2 + diameter * 0.03 * ss), "K", font=kf, fill=255, anchor="mm")
    tf = font("sans-bold", max(6, int(diameter * 0.105 * ss)))
    arc_text(m, "KELVARO", (S / 2, S / 2), ring_in * ss * 0.80, tf, 0.0)
    arc_text(m, "AUDIO", (S / 2, S / 2), ring_in * ss * 0.80, tf, 180.0, bottom=True)
    # small dots between the words
    for ang in (90, 270):
        a = math.radians(ang)
        px = S / 2 + ring_in * ss * 0.80 * math.sin(a)
        py = S / 2 - ring_in * ss * 0.80 * math.cos(a)
        rd = diameter * 0.018 * ss
        d.ellipse((px - rd, py - rd, px + rd, py + rd), fill=255)
    letters = np.asarray(m, dtype=np.float32) / 255.0
    # raised silver letters: bevel from a blurred mask
    hmap = blur(letters, 1.2 * ss)
    gy, gx = np.gradient(hmap)
    ln = np.stack([-gx * 6, -gy * 6, np.ones_like(hmap)], -1)
    ln /= np.linalg.norm(ln, axis=-1, keepdims=True)
    brushed = 0.02 * np.sin(dy * 1.7 + 0.3 * np.sin(dx * 0.05))
    silver = 0.55 + 0.35 * lambert(ln) + 0.35 * phong(ln, 40) + brushed
    silver_rgb = np.stack([silver * 0.96, silver * 0.97, silver * 1.0], -1)
    # letters sit slightly proud of the enamel and cast a tiny shadow
    from scipy import ndimage
    sh = ndimage.shift(letters, (0.8 * ss, 0.6 * ss), order=1)
    enamel_rgb = enamel_rgb * (1 - 0.6 * sh[..., None])
    inner = enamel_rgb * (1 - letters[..., None]) + silver_rgb * letters[..., None]
    ringmask = smoothstep(ring_in - 0.6, ring_in + 0.6, rr)[..., None]
    # a thin dark groove between ring and enamel
    groove = 1 - 0.7 * np.exp(-((rr - ring_in) / (0.9 * max(1, diameter / 160))) ** 2)
    rgb = (inner * (1 - ringmask) + ring_rgb * ringmask) * groove[..., None]
    alpha = coverage(rr - R, 0.6)
    return downsample(rgb, ss), downsample(alpha, ss)

"""The panel background: two brushed plates, a central meter window, printing, screws and wear."""

import math

import numpy as np
from PIL import Image, ImageDraw
from scipy import ndimage

from . import geometry as G
from .common import (WARM, blur, brushed, coverage, downsample, fbm, font, grid, lambert, normals_from_height,
                     over, rng, rounded_rect_sdf, smoothstep, text_mask)
from .controls import lever_base
from .parts import badge, screw, screw_shadow

W, H = G.W, G.H

LEFT_PLATE = (0, 0, 700, H)
RIGHT_PLATE = (1166, 0, W, H)
BEZEL = (712, 52, 1152, 318)
INK = np.array([0.045, 0.045, 0.045], np.float32)



def plate(x, y, rect, tag, highlight_x):
    """Brushed aluminium plate with bevelled edges; returns (rgb, mask)."""
    x0, y0, x1, y1 = rect
    sdf = rounded_rect_sdf(x, y, x0 + 1, y0 + 1, x1 - 1, y1 - 1, 5)
    mask = coverage(sdf)
    d = np.clip(-sdf, 0, 6)
    hmap = smoothstep(0, 6, d) * 6
    n = normals_from_height(hmap, 1.0)
    flat = lambert(np.array([[[0, 0, 1.0]]], np.float32))
    shade = lambert(n) / flat
    streak = brushed(H, W, tag)
    blot = fbm(H, W, tag + "blot", scales=(300, 120, 40), weights=(1, 0.6, 0.3))
    # broad illumination: a softbox up and to the left
    illum = 0.93 + 0.07 * np.exp(-(((x - 200) / 1400) ** 2 + ((y + 250) / 700) ** 2))
    illum = illum - 0.05 * (y / H)
    # anisotropic sheen: brushing along x spreads the highlight into a vertical band
    band = np.exp(-((x - highlight_x) / 260.0) ** 2) * (0.85 + 0.15 * (1 - y / H))
    base = 0.70 + 0.022 * streak + 0.012 * blot
    sheen = band * (0.10 + 0.05 * streak)
    v = (base * illum) * shade + sheen
    # edge glints along the bevels facing the light
    glint = np.clip((n[..., 0] * -0.5 + n[..., 1] * -0.85), 0, 1) ** 2 * (d < 6)
    v = v + 0.25 * glint
    # kept neutral here; the warm cast is added once at the end as a per-channel offset, which
    # keeps the channels of the plates identical up to a constant and the strips small
    rgb = np.stack([v, v, v], -1)
    return rgb.astype(np.float32), mask, sdf


def centre_section(x, y):
    """Recessed black crackle-painted centre piece."""
    g = fbm(H, W, "centre", scales=(6, 2.5, 1.2), weights=(0.5, 0.6, 0.5))
    crinkle = blur(g, 0.6)
    hmap = crinkle * 0.9
    n = normals_from_height(hmap, 1.0)
    v = 0.085 + 0.05 * lambert(n) + 0.03 * np.clip(n[..., 0] * -0.4 + n[..., 1] * -0.6, 0, 1)
    v = v * (1.0 + 0.12 * np.exp(-(((x - 800) / 500) ** 2 + ((y + 100) / 400) ** 2)))
    return np.stack([v, v * 0.99, v * 0.985], -1).astype(np.float32)


def meter_face(x, y):
    """The meter card, lit from behind by two warm lamps under its lower edge."""
    x0, y0, w, h = G.METER
    px, py = G.PIVOT
    lamps = np.zeros_like(x)
    for lx in (x0 + 70, x0 + w - 70):
        lamps += np.exp(-(((x - lx) / 170) ** 2 + ((y - (y0 + h + 20)) / 150) ** 2))
    glow = 0.74 + 0.26 * np.clip(lamps, 0, 1.2) + 0.06 * np.exp(-(((x - px) / 260) ** 2 + ((y - 200) / 160) ** 2))
    vign = 1 - 0.22 * smoothstep(0.35, 1.0, np.hypot((x - (x0 + w / 2)) / (w / 2), (y - (y0 + h / 2)) / (h / 2)))
    paper = fbm(H, W, "paper", scales=(3, 1.2), weights=(0.5, 0.5)) * 0.012
    lum = glow * vign + paper
    # warmer where the lamps are strongest
    warmth = np.clip(lamps, 0, 1)
    r = lum * 1.02
    g = lum * (0.86 - 0.04 * warmth)
    b = lum * (0.56 - 0.08 * warmth)
    return np.stack([r, g, b], -1).astype(np.float32)


def scale_layers():
    """Ink masks of the meter scale: (black, red). Supersampled for clean thin lines."""
    ss = 3
    img_k = Image.new("L", (W * ss, H * ss), 0)
    img_r = Image.new("L", (W * ss, H * ss), 0)
    dk, dr = ImageDraw.Draw(img_k), ImageDraw.Draw(img_r)
    px, py = G.PIVOT[0] * ss, G.PIVOT[1] * ss
    R = G.SCALE_RADIUS * ss

    def arc(d, r, a0, a1, width):
        # PIL angles: 0 = 3 o'clock, clockwise; ours: 0 = up, clockwise
        d.arc((px - r, py - r, px + r, py + r), a0 - 90, a1 - 90, fill=255, width=int(round(width)))

    def tick(d, ang, r0, r1, width):
        a = math.radians(ang)
        sx, sy = math.sin(a), -math.cos(a)
        d.line((px + r0 * sx, py + r0 * sy, px + r1 * sx, py + r1 * sy), fill=255, width=int(round(width)))

    a = lambda db: G.needle_angle(G.db_to_value(db))
    a_m20, a_0, a_p3 = a(-20), a(0), a(3)
    arc(dk, R, a_m20, a_0, 2.4 * ss)
    # red band above the line from 0 upwards
    arc(dr, R + 5 * ss, a_0, a_p3 + 0.4, 10 * ss)
    arc(dr, R, a_0, a_p3 + 0.4, 2.4 * ss)
    major = [-20, -10, -7, -5, -3, -2, -1, 0, 1, 2, 3]
    minor = [-15, -9, -8, -6, -4, -2.5, -1.5, -0.5, 0.5, 1.5, 2.5]
    for db in major:
        d = dr if db > 0 else dk
        tick(d, a(db), R - 1 * ss, R + 16 * ss, 2.6 * ss)
    for db in minor:
        d = dr if db > 0 else dk
        tick(d, a(db), R - 1 * ss, R + 9 * ss, 1.8 * ss)
    fnum = font("sans-semibold", 23 * ss)
    fx0, fx1 = G.METER[0] + 14, G.METER[0] + G.METER[2] - 14
    for db in major:
        rad = math.radians(a(db))
        rn = G.SCALE_RADIUS + 31
        tx, ty = G.PIVOT[0] + rn * math.sin(rad), G.PIVOT[1] - rn * math.cos(rad)
        tx = min(max(tx, fx0), fx1)
        d = dr if db > 0 else dk
        d.text((tx * ss, ty * ss), str(abs(db)), font=fnum, fill=255, anchor="mm")
    # sign markers at both ends of the scale
    fsign = font("sans-bold", 34 * ss)
    for ang, ch, img in ((a_m20 - 6.5, "\u2212", img_k), (a_p3 + 1.0, "+", img_r)):
        rad = math.radians(ang)
        rn = R + 16 * ss
        if ch == "+":
            rn = R - 18 * ss
        tx, ty = px + rn * math.sin(rad), py - rn * math.cos(rad)
        ImageDraw.Draw(img).text((tx, ty), ch, font=fsign, fill=255, anchor="mm")
    # percentage scale
    Rp = 152 * ss
    ap = lambda p: G.needle_angle(0.715 * p / 100.0)
    arc(dk, Rp, ap(0), ap(100), 1.8 * ss)
    for p in range(0, 101, 10):
        tick(dk, ap(p), Rp, Rp - (11 if p % 20 == 0 else 6) * ss, 2.0 * ss if p % 20 == 0 else 1.4 * ss)
    fp = font("sans-semibold", 17 * ss)
    for p in range(0, 101, 20):
        rad = math.radians(ap(p))
        rn = Rp - 24 * ss
        tx, ty = px + rn * math.sin(rad), py - rn * math.cos(rad)
        dk.text((tx, ty), str(p), font=fp, fill=255, anchor="mm")
    rad = math.radians(ap(100) + 8)
    dk.text((px + (Rp - 6 * ss) * math.sin(rad), py - (Rp - 6 * ss) * math.cos(rad)), "%",
            font=fp, fill=255, anchor="mm")
    # the big VU and the maker's line
    dk.text((px, py - 98 * ss), "VU", font=font("sans-bold", 50 * ss), fill=255, anchor="mm")
    dk.text((G.METER[0] * ss + 16 * ss, (G.METER[1] + G.METER[3]) * ss - 12 * ss), "KELVARO",
            font=font("sans-bold", 11 * ss), fill=255, anchor="ls")
    dk.text(((G.METER[0] + G.METER[2]) * ss - 16 * ss, (G.METER[1] + G.METER[3]) * ss - 12 * ss),
            "TYPE 4B", font=font("sans-semibold", 11 * ss), fill=255, anchor="rs")
    k = downsample(np.asarray(img_k, np.float32) / 255.0, ss)
    r = downsample(np.asarray(img_r, np.float32) / 255.0, ss)
    return k, r


def dial(d, centre, ss):
    """Eleven dots and the numbers 0..10 around a knob."""
    cx, cy = centre[0] * ss, centre[1] * ss
    fnum = font("sans-semibold", 25 * ss)
    for k in range(11):
        ang = G.dial_angle(k)
        px, py = G.polar((cx, cy), G.DIAL_DOT_RADIUS * ss, ang)
        rd = (5.2 if k in (0, 5, 10) else 4.2) * ss
        d.ellipse((px - rd, py - rd, px + rd, py + rd), fill=255)
        tx, ty = G.polar((cx, cy), G.DIAL_NUMBER_RADIUS * ss, ang)
        d.text((tx, ty), str(k), font=fnum, fill=255, anchor="mm")


def printing():
    """Screen-printed legends on the plates."""
    ss = 2
    img = Image.new("L", (W * ss, H * ss), 0)
    d = ImageDraw.Draw(img)

    def label(text, x, y, size=27, weight="sans-bold", track=3.0):
        f = font(weight, int(size * ss))
        widths = [f.getlength(c) for c in text]
        total = sum(widths) + track * ss * (len(text) - 1)
        x0 = x * ss - total / 2
        for c, cw in zip(text, widths):
            d.text((x0, y * ss), c, font=f, fill=255, anchor="lm")
            x0 += cw + track * ss

    lamp_cx = G.LAMP[0] + G.LAMP_CENTRE[0]
    label("POWER", lamp_cx, 340, 25)
    pl = G.POWER_LEVER[0] + G.LEVER_PIVOT[0]
    label("ON", pl, 93, 25)
    label("OFF", pl, 389, 25)
    gx, gy = G.knob_centre(G.GAIN_KNOB)
    label("GAIN", gx, 430, 31, track=6)
    dial(d, (gx, gy), ss)
    px, py = G.knob_centre(G.PEAK_KNOB)
    label("PEAK REDUCTION", px, 432, 31, track=4)
    dial(d, (px, py), ss)
    ml = G.MODE_LEVER[0] + G.LEVER_PIVOT[0]
    label("LIMIT", ml, 93, 25)
    label("COMP", ml, 389, 25)
    vl = G.VU_LEVER[0] + G.LEVER_PIVOT[0]
    label("VU", vl, 58, 21, track=4)
    label("IN", vl, 93, 25)
    label("GR", G.VU_LEVER[0] + G.VU_LEVER[2] + 21, G.VU_LEVER[1] + G.LEVER_PIVOT[1], 25, track=2)
    label("OUT", vl, 389, 25)
    # model line at the bottom of the right plate
    label("LEVELING AMPLIFIER", 1640, 470, 17, "sans-semibold", 3.5)
    label("ORVELLE", 226, 470, 17, "sans-semibold", 5)
    m = downsample(np.asarray(img, np.float32) / 255.0, ss)
    return m


def scratches(tag, n, region, length=(20, 160), strength=0.05):
    """Fine random scratches and scuffs; returns a signed brightness offset."""
    g = rng(tag)
    ss = 1
    img = Image.new("L", (W, H), 0)
    d = ImageDraw.Draw(img)
    x0, y0, x1, y1 = region
    for _ in range(n):
        x = g.uniform(x0, x1)
        y = g.uniform(y0, y1)
        ang = g.normal(0, 0.06) if g.random() < 0.85 else g.uniform(0, math.pi)
        L = g.uniform(*length)
        c = int(g.uniform(60, 255))
        pts = []
        for t in np.linspace(0, 1, 6):
            pts.append((x + math.cos(ang) * L * t + g.normal(0, 0.6), y + math.sin(ang) * L * t + g.normal(0, 0.6)))
        d.line(pts, fill=c, width=1)
    m = np.asarray(img, np.float32) / 255.0
    m = blur(m, 0.45)
    return m * strength


def render():
    x, y = grid(H, W)
    rgb = centre_section(x, y)

    # the plates cast a soft shadow into the recessed centre
    lp, lmask, lsdf = plate(x, y, LEFT_PLATE, "plateL", 380)
    rp, rmask, rsdf = plate(x, y, RIGHT_PLATE, "plateR", 1480)
    plates = np.clip(lmask + rmask, 0, 1)
    sh = blur(ndimage.shift(plates, (6, 7), order=1, mode="nearest"), 6)
    rgb = rgb * (1 - 0.55 * np.clip(sh - plates, 0, 1))[..., None]
    rgb = over(rgb, lp, lmask)
    rgb = over(rgb, rp, rmask)

    # wear on the plates: fine scratches, faint smudges and darker edges
    wear = scratches("scratch", 220, (0, 0, W, H), strength=0.04)
    wear2 = scratches("scratch2", 120, (0, 0, W, H), length=(4, 30), strength=0.05)
    smudge = smoothstep(0.9, 2.6, fbm(H, W, "smudge", scales=(60, 20), weights=(1, 0.5)))
    edge_dirt = np.exp(-np.clip(-np.minimum(lsdf * lmask + 1e3 * (1 - lmask), rsdf * rmask + 1e3 * (1 - rmask)), 0, 50) / 10.0)
    plate_wear = (wear + wear2) * plates - 0.03 * smudge * plates - 0.04 * edge_dirt * plates
    rgb = rgb + plate_wear[..., None]

    # meter bezel: black moulded frame around the face, with an inner lip
    bx0, by0, bx1, by1 = BEZEL
    bsdf = rounded_rect_sdf(x, y, bx0, by0, bx1, by1, 18)
    bmask = coverage(bsdf)
    fx, fy, fw, fh = G.METER
    fsdf = rounded_rect_sdf(x, y, fx - 3, fy - 3, fx + fw + 3, fy + fh + 3, 6)
    d_out = np.clip(-bsdf, 0, 10)
    d_in = np.clip(fsdf, 0, 10)
    hb = smoothstep(0, 9, d_out) * smoothstep(0, 7, d_in) * 7
    nb = normals_from_height(hb, 1.0)
    bez = 0.05 + 0.14 * lambert(nb) + 0.35 * np.clip(nb[..., 0] * -0.45 + nb[..., 1] * -0.75, 0, 1) ** 3
    bez = bez + 0.012 * fbm(H, W, "bezel", scales=(4, 1.5), weights=(1, 1))
    bshadow = blur(ndimage.shift(bmask, (5, 6), order=1), 7)
    rgb = rgb * (1 - 0.5 * np.clip(bshadow - bmask, 0, 1))[..., None]
    rgb = over(rgb, np.stack([bez, bez, bez * 1.02], -1), bmask)

    # meter face with its scale
    face = meter_face(x, y)
    k, r = scale_layers()
    red = np.array([0.78, 0.10, 0.06], np.float32)
    face = over(face, INK * 1.0, k * 0.94)
    face = over(face, red * face.mean(-1, keepdims=True) * 1.25, r * 0.92)
    # the lip of the window shades the top and left of the card
    inner = np.clip(-fsdf, 0, 40)
    lip = np.exp(-inner / 5.0) * 0.55 + np.exp(-np.clip(y - fy, 0, 80) / 18.0) * 0.18
    face = face * (1 - lip)[..., None]
    # a faint reflection of the room in the glass
    sheen = smoothstep(0.0, 1.0, 1 - np.abs((x - fx) * 0.45 + (y - fy) - 40) / 60.0) * 0.05
    face = face + sheen[..., None]
    fmask = coverage(fsdf + 3)
    rgb = over(rgb, face, fmask)

    # printing (ink sits on the plates only)
    m = printing() * plates
    grain = 1 + 0.08 * fbm(H, W, "ink", scales=(2, 0.8), weights=(1, 1))
    ink_col = INK[None, None, :] * grain[..., None] + 0.02
    rgb = over(rgb, ink_col, m * 0.95)

    # the fixed parts of the three lever switches
    for rect in (G.POWER_LEVER, G.MODE_LEVER, G.VU_LEVER):
        cx, cy = rect[0] + G.LEVER_PIVOT[0], rect[1] + G.LEVER_PIVOT[1]
        n = 100
        lrgb, la, lsh = lever_base(n, n)
        ox, oy = int(cx - n / 2), int(cy - n / 2)
        reg = rgb[oy:oy + n, ox:ox + n] * lsh[..., None]
        rgb[oy:oy + n, ox:ox + n] = over(reg, lrgb, la)

    # badge below the meter
    bx, by, bw, bh = G.LOGO
    dia = 146
    brgb, balpha = badge(dia)
    ox, oy = int(bx + (bw - dia) / 2), int(by + (bh - dia) / 2)
    sa = np.zeros((H, W), np.float32)
    sa[oy:oy + dia, ox:ox + dia] = balpha
    ssh = blur(ndimage.shift(sa, (6, 5), order=1), 6)
    rgb = rgb * (1 - 0.6 * np.clip(ssh, 0, 1))[..., None]
    region = rgb[oy:oy + dia, ox:ox + dia]
    rgb[oy:oy + dia, ox:ox + dia] = over(region, brgb, balpha)

    # screws: rack screws on the outer edges and two holding the centre piece
    g = rng("screws")
    for (sx, sy, rad, kind) in ((34, 46, 15, "phillips"), (34, 462, 15, "phillips"),
                                (W - 34, 46, 15, "phillips"), (W - 34, 462, 15, "phillips"),
                                (778, 440, 11, "phillips"), (1086, 440, 11, "phillips"),
                                (672, 34, 10, "slot"), (672, 474, 10, "slot"),
                                (1194, 34, 10, "slot"), (1194, 474, 10, "slot")):
        col, al = screw(rad, g.uniform(0, math.pi), kind=kind)
        sz = col.shape[0]
        ox, oy = int(round(sx - sz / 2)), int(round(sy - sz / 2))
        # countersink ring
        ring = np.zeros((H, W), np.float32)
        ring[oy:oy + sz, ox:ox + sz] = al
        halo = blur(ring, 2.0)
        rgb = rgb * (1 - 0.35 * np.clip(halo - ring, 0, 1))[..., None]
        shd = screw_shadow(al)
        reg = rgb[oy:oy + sz, ox:ox + sz]
        reg = reg * (1 - 0.45 * shd)[..., None]
        rgb[oy:oy + sz, ox:ox + sz] = over(reg, col, al)

    # overall photographic touches: slight vignette, warm cast, sensor grain
    vign = 1 - 0.10 * smoothstep(0.5, 1.25, np.hypot((x - W / 2) / (W / 2), (y - H / 2) / (H / 1.2)))
    rgb = rgb * vign[..., None]
    # sensor grain only off the plates (their brushing already breaks up the surface)
    rgb = rgb + (0.006 * (1 - plates) * rng("grain").standard_normal((H, W)).astype(np.float32))[..., None]
    rgb = rgb + WARM
    return np.clip(rgb, 0, 1).astype(np.float32)

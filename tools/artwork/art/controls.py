"""Filmstrips of the panel controls, each frame rendered over its crop of the panel."""

import math

import numpy as np
from PIL import Image
from scipy import ndimage

from . import geometry as G
from .common import (HALF, WARM, LIGHT, blur, coverage, downsample, grid, lambert, normals_from_height, phong,
                     reflect_view, rng, smoothstep, studio_env)


def crop(bg, rect):
    x, y, w, h = rect
    return bg[y:y + h, x:x + w].copy()


def edge_feather(h, w, margin=4.0):
    """1 inside, falling to 0 at the frame border, so a frame always meets the panel seamlessly."""
    x, y = grid(h, w)
    d = np.minimum(np.minimum(x, w - x), np.minimum(y, h - y))
    return smoothstep(0.5, margin, d)


def composite(base, layers, feather):
    """layers: list of ('mul', factor) or ('over', rgb, alpha) or ('add', rgb)."""
    out = base.copy()
    for layer in layers:
        if layer[0] == "mul":
            f = 1 - (1 - layer[1]) * feather
            out = out * f[..., None]
        elif layer[0] == "over":
            a = (layer[2] * feather)[..., None]
            out = out * (1 - a) + layer[1] * a
        elif layer[0] == "add":
            out = out + layer[1] * feather[..., None]
    return np.clip(out, 0, 1)


# ----------------------------------------------------------------------------------------------
# knob

class KnobRenderer:
    """Black fluted knob with a spun-aluminium cap and a white pointer line.

    Lighting, shadows and the spun-metal highlight are fixed in screen space; only the flutes and
    the pointer turn with the knob.
    """

    def __init__(self, ss=3):
        self.ss = ss
        fw, fh = G.GAIN_KNOB[2], G.GAIN_KNOB[3]
        self.fw, self.fh = fw, fh
        cx, cy = G.KNOB_CENTRE
        x, y = grid(fh, fw, ss)
        self.dx, self.dy = x - cx, y - cy
        self.r = np.hypot(self.dx, self.dy)
        self.theta = np.degrees(np.arctan2(self.dx, -self.dy))  # clockwise from up
        R = G.KNOB_RADIUS
        self.R = R
        # shadow of the (unfluted) knob on the panel, screen fixed
        disc = coverage(np.hypot(x - cx, y - cy) - R, 0.7)
        disc = downsample(disc, ss)
        drop = blur(ndimage.shift(disc, (13, 9), order=1), 11)
        near = blur(ndimage.shift(disc, (4, 3), order=1), 3.5)
        self.shadow = 1 - np.clip(0.55 * drop + 0.45 * near, 0, 0.85)
        # screen-space fixed grain and the cap's turned rings (rotation invariant)
        g = rng("knobgrain")
        rings = g.standard_normal(4096).astype(np.float32)
        rings = ndimage.gaussian_filter1d(rings, 1.2)
        idx = np.clip((self.r * 12).astype(np.int32), 0, 4095)
        self.rings = rings[idx] * 0.5

    def frame(self, bg_crop, position):
        ss, R = self.ss, self.R
        r, th = self.r, self.theta
        rot = G.dial_angle(position)
        thr = np.radians(th - rot)
        # profile
        flutes = 36
        fl = 2.2 * (0.5 + 0.5 * np.cos(flutes * thr)) ** 2
        Reff = R - fl
        edge_r = 11.0
        cap_r = 50.0
        body_h = 24.0
        t = np.clip((r - (Reff - edge_r)) / edge_r, 0, 1)
        h_body = body_h - edge_r + edge_r * np.sqrt(np.clip(1 - t ** 2, 0, 1))
        h_body = np.where(r < Reff, h_body, 0.0)
        h_body = h_body + 1.5 * (1 - np.clip(r / (Reff - edge_r), 0, 1))  # gentle crown
        groove = np.exp(-((r - cap_r - 2.0) / 1.2) ** 2) * 2.5
        cap = np.where(r < cap_r, body_h + 2.5 + 1.5 * (1 - (r / cap_r) ** 2), 0)
        cap_ch = np.clip((cap_r - r) / 2.0, 0, 1)
        hmap = np.where(r < cap_r, body_h + (cap - body_h) * cap_ch, h_body) - groove
        n = normals_from_height(hmap, 1.0 / 1.0)
        # gradient above is per supersample step; rescale the tilt to pixel units
        n[..., :2] *= ss
        n /= np.linalg.norm(n, axis=-1, keepdims=True)
        ndl = lambert(n)
        env = studio_env(reflect_view(n), key=1.0)
        nz = np.clip(n[..., 2], 0, 1)
        fres = 0.04 + 0.96 * (1 - nz) ** 5

        # black phenolic body
        body = 0.030 + 0.05 * ndl + 0.55 * phong(n, 45) + (0.06 + 0.6 * fres) * env
        body_rgb = np.stack([body, body, body], -1)

        # spun aluminium cap: anisotropic highlight along the radius pointing at the light
        ux = self.dx / np.maximum(r, 1e-3)
        uy = self.dy / np.maximum(r, 1e-3)
        tdot = -uy * HALF[0] + ux * HALF[1]
        aniso = np.exp(-(tdot / 0.10) ** 2)
        cap_v = 0.50 + 0.18 * ndl + 0.38 * aniso + 0.04 * self.rings + 0.25 * phong(n, 30)
        cap_v = cap_v * (1 - 0.15 * smoothstep(0.3, 1.0, r / cap_r))
        cap_rgb = np.stack([cap_v, cap_v, cap_v], -1)

        capmask = coverage((r - cap_r) * 1.0, 0.6 * ss / ss)[..., None]
        rgb = body_rgb * (1 - capmask) + cap_rgb * capmask

        # pointer: a white line on the body and an engraved line across the cap
        along = r * np.cos(thr)
        across = r * np.sin(thr)
        line = coverage(np.abs(across) - 3.2, 0.6) * smoothstep(cap_r + 6, cap_r + 8, along) * \
            smoothstep(Reff - 3, Reff - 5, r)
        paint = 0.88 * (0.75 + 0.25 * ndl) + 0.15 * phong(n, 30)
        rgb = rgb * (1 - line[..., None]) + np.stack([paint, paint, paint], -1) * line[..., None]
        engr = coverage(np.abs(across) - 1.6, 0.6) * smoothstep(8, 10, along) * smoothstep(cap_r - 4, cap_r - 6, along)
        rgb = rgb * (1 - 0.55 * engr[..., None])

        alpha = coverage(r - Reff, 0.7)
        rgb = downsample(rgb, ss)
        alpha = downsample(alpha, ss)
        # work on the neutral panel and add the warm cast back at the end (see common.WARM)
        out = (bg_crop - WARM) * self.shadow[..., None]
        out = out * (1 - alpha[..., None]) + rgb * alpha[..., None] + WARM
        return np.clip(out, 0, 1)


def knob_strip(bg, rect):
    kr = KnobRenderer()
    base = crop(bg, rect)
    frames = [kr.frame(base, f / 10.0) for f in range(101)]
    return np.concatenate(frames, axis=0)


# ----------------------------------------------------------------------------------------------
# bat-handle lever switch

def _chrome(n, tint=(0.97, 0.98, 1.0), key=1.0):
    env = studio_env(reflect_view(n), key=key)
    v = 0.04 + 0.9 * env + 0.7 * phong(n, 120)
    return np.stack([v * tint[0], v * tint[1], v * tint[2]], -1)


def lever_base(h, w, ss=4):
    """The fixed parts of a lever switch, centred in an h x w patch: washer, hex nut, bushing.

    They never move, so they are printed into the panel itself; the lever frames add only the
    lever. Returns (rgb, alpha, shadow factor).
    """
    x, y = grid(h, w, ss)
    px, py = w / 2.0, h / 2.0
    dx, dy = x - px, y - py
    rr = np.hypot(dx, dy)
    layers_rgb = np.zeros(x.shape + (3,), np.float32)
    layers_a = np.zeros(x.shape, np.float32)

    def put(rgb, a):
        nonlocal layers_rgb, layers_a
        layers_rgb = layers_rgb * (1 - a[..., None]) + rgb * a[..., None]
        layers_a = layers_a + a * (1 - layers_a)

    # washer: thin polished ring with a softly rounded edge
    Rw = 34.0
    t = np.clip((rr - (Rw - 3)) / 3.0, 0, 1)
    ux, uy = dx / np.maximum(rr, 1e-3), dy / np.maximum(rr, 1e-3)
    tilt = t * 0.8
    nw = np.stack([ux * tilt, uy * tilt, np.sqrt(1 - tilt ** 2)], -1)
    tdot = -uy * HALF[0] + ux * HALF[1]
    wv = 0.30 + 0.25 * lambert(nw) + 0.30 * np.exp(-(tdot / 0.18) ** 2) + 0.4 * phong(nw, 60)
    wv = wv * (1 + 0.025 * np.sin(rr * 2.3))
    put(np.stack([wv * 0.96, wv * 0.97, wv], -1), coverage(rr - Rw, 0.7))

    # hex nut with a chamfered top
    Rn = 27.0
    ang = np.arctan2(dy, dx)
    sector = np.round(ang / (np.pi / 3)) * (np.pi / 3)
    flat_d = rr * np.cos(ang - sector)
    apothem = Rn * math.cos(math.pi / 6)
    hexmask = coverage(flat_d - apothem, 0.7)
    cham = 5.0
    top_r = apothem - 1.5
    k = np.clip((rr - (top_r - cham)) / cham, 0, 1)
    fnx, fny = np.cos(sector), np.sin(sector)
    side = np.clip((flat_d - (apothem - 3.0)) / 3.0, 0, 1)
    tilt_c = 0.55 * k
    nx = ux * tilt_c + fnx * 0.7 * side
    ny = uy * tilt_c + fny * 0.7 * side
    nn = np.stack([nx, ny, np.ones_like(nx)], -1)
    nn /= np.linalg.norm(nn, axis=-1, keepdims=True)
    nut = _chrome(nn, key=0.9) * 0.85 + 0.05
    nut = nut * (1 + 0.03 * np.sin(rr * 3.1))[..., None]
    nshadow = coverage(np.hypot(dx - 2.5, dy - 3.5) - apothem - 1.5, 2.0)
    layers_rgb = layers_rgb * (1 - 0.5 * nshadow * (1 - hexmask))[..., None]
    put(nut, hexmask)

    # threaded bushing with the lever's hole
    Rb = 13.5
    tb = np.clip(rr / Rb, 0, 1)
    nb = np.stack([ux * tb * 0.5, uy * tb * 0.5, np.ones_like(tb)], -1)
    nb /= np.linalg.norm(nb, axis=-1, keepdims=True)
    bush = _chrome(nb, key=0.7) * 0.55 * (1 + 0.12 * np.sin(rr * 5.0))[..., None]
    put(bush, coverage(rr - Rb, 0.7))
    put(np.full(x.shape + (3,), 0.02, np.float32), coverage(rr - 7.5, 0.7) * 0.95)

    rgb = downsample(layers_rgb, ss)
    alpha = downsample(layers_a, ss)
    x1, y1 = grid(h, w)
    disc = coverage(np.hypot(x1 - px, y1 - py) - Rw, 0.7)
    shadow = 1 - 0.5 * blur(ndimage.shift(disc, (4, 3), order=1), 3.0)
    return rgb, alpha, shadow


def lever_frame(bg_crop, direction, proj_len, ss=4):
    """The lever alone, from the pivot along direction (dx, dy): (rgb, alpha, shadow factor)."""
    h, w = bg_crop.shape[:2]
    x, y = grid(h, w, ss)
    px, py = G.LEVER_PIVOT
    dx, dy = x - px, y - py
    layers_rgb = np.zeros(x.shape + (3,), np.float32)
    layers_a = np.zeros(x.shape, np.float32)

    def put(rgb, a):
        nonlocal layers_rgb, layers_a
        layers_rgb = layers_rgb * (1 - a[..., None]) + rgb * a[..., None]
        layers_a = layers_a + a * (1 - layers_a)

    # lever: tapered chrome cylinder from the pivot to a ball tip
    ddx, ddy = direction
    norm = math.hypot(ddx, ddy)
    ax, ay = ddx / norm, ddy / norm
    full_len = 86.0
    cphi = min(proj_len / full_len, 0.99)
    sphi = math.sqrt(1 - cphi ** 2)
    along = dx * ax + dy * ay
    across = -dx * ay + dy * ax
    tt = np.clip(along / proj_len, 0, 1)
    r0, r1 = 5.0, 7.8
    rad = r0 + (r1 - r0) * tt
    s = np.clip(across / rad, -1, 1)
    # normal perpendicular to the 3-D axis: lateral part plus the part facing the viewer
    mx, my, mz = -ax * sphi, -ay * sphi, cphi
    sq = np.sqrt(np.clip(1 - s ** 2, 0, 1))
    n_l = np.stack([s * -ay + sq * mx, s * ax + sq * my, sq * mz], -1)
    n_l /= np.linalg.norm(n_l, axis=-1, keepdims=True)
    stem = (np.abs(across) < rad + 1) & (along > -2) & (along < proj_len)
    stem_a = coverage(np.abs(across) - rad, 0.6) * smoothstep(-1.0, 1.0, along) * \
        smoothstep(proj_len + 1, proj_len - 1, along)
    put(_chrome(n_l), stem_a * stem)
    # collar where the lever leaves the bushing
    put(_chrome(n_l) * 0.8, coverage(np.abs(across) - 7.5, 0.6) * coverage(np.abs(along - 3) - 3.5, 0.6))
    # ball tip, slightly elongated along the lever
    bx, by = px + ax * proj_len, py + ay * proj_len
    ex, ey = x - bx, y - by
    e_al = (ex * ax + ey * ay) / 1.12
    e_ac = -ex * ay + ey * ax
    rb = 12.0
    q = np.hypot(e_al, e_ac) / rb
    qz = np.sqrt(np.clip(1 - q ** 2, 0, 1))
    nbx = (e_al * ax - e_ac * ay) / rb
    nby = (e_al * ay + e_ac * ax) / rb
    nball = np.stack([nbx, nby, qz + 0.05], -1)
    nball /= np.linalg.norm(nball, axis=-1, keepdims=True)
    put(_chrome(nball), coverage((q - 1) * rb, 0.6))

    rgb = downsample(layers_rgb, ss)
    alpha = downsample(layers_a, ss)

    # shadow on the panel: the lever's outline cast down and to the right, further from the
    # pivot as the lever rises off the panel
    lx, ly = 0.35 * 0.64, 0.35 * 0.94
    zt = full_len * sphi
    s0x, s0y = px + 1.5, py + 2.0
    s1x, s1y = bx + lx * zt + 2.0, by + ly * zt + 3.0
    vx, vy = s1x - s0x, s1y - s0y
    seg = np.clip(((x - s0x) * vx + (y - s0y) * vy) / (vx * vx + vy * vy), 0, 1)
    dist = np.hypot(x - (s0x + vx * seg), y - (s0y + vy * seg))
    sh_lev = coverage(dist - (r0 + (r1 - r0) * seg + 1.0), 1.5)
    sh_ball = coverage(np.hypot(x - s1x, y - s1y) - rb, 1.5)
    sh = np.maximum(sh_lev, sh_ball)
    sh = downsample(sh.astype(np.float32), ss)
    shadow = 1 - 0.55 * blur(sh, 4.0)
    return rgb, alpha, shadow


def lever_strip(bg, rect, positions, out_w=None):
    base = crop(bg, rect)
    h, w = base.shape[:2]
    feather = edge_feather(h, w)
    frames = []
    for direction, proj in positions:
        rgb, a, sh = lever_frame(base, direction, proj)
        f = composite(base, [("mul", sh), ("over", rgb, a)], feather)
        if out_w is not None and out_w != w:
            f = resample_width(f, out_w)
        frames.append(f)
    return np.concatenate(frames, axis=0)


def resample_width(a, new_w):
    chans = []
    for c in range(a.shape[2]):
        ch = Image.fromarray(a[..., c].astype(np.float32), "F")
        chans.append(np.asarray(ch.resize((new_w, a.shape[0]), Image.LANCZOS), np.float32))
    return np.clip(np.stack(chans, -1), 0, 1)


# ----------------------------------------------------------------------------------------------
# jewel pilot lamp

def lamp_frame(bg_crop, lit, ss=4):
    h, w = bg_crop.shape[:2]
    x, y = grid(h, w, ss)
    cx, cy = G.LAMP_CENTRE
    dx, dy = x - cx, y - cy
    rr = np.hypot(dx, dy)
    ux, uy = dx / np.maximum(rr, 1e-3), dy / np.maximum(rr, 1e-3)
    Ro, Ri = 37.0, 25.0
    # knurled chrome bezel with a rounded profile
    t = np.clip((rr - Ri) / (Ro - Ri), 0, 1)
    prof = np.sin((t - 0.5) * np.pi) * 0.85
    ang = np.arctan2(dy, dx)
    knurl = 0.22 * np.sin(ang * 48) * smoothstep(0.55, 0.8, t)
    tx, ty = -uy, ux
    nb = np.stack([ux * prof + tx * knurl, uy * prof + ty * knurl, np.sqrt(np.clip(1 - prof ** 2, 0.05, 1))], -1)
    nb /= np.linalg.norm(nb, axis=-1, keepdims=True)
    bez = _chrome(nb, key=0.9)
    # faceted jewel: 3 rings of 8 facets and a flat table
    ring = np.clip(np.floor(rr / Ri * 3.0), 0, 2)
    facets = 8
    fa = (np.floor((ang / (2 * np.pi)) * facets + (ring % 2) * 0.5) + 0.5 - (ring % 2) * 0.5) / facets * 2 * np.pi
    ftilt = np.where(rr < Ri * 0.36, 0.0, 0.18 + 0.2 * ring)
    nj = np.stack([np.cos(fa) * ftilt, np.sin(fa) * ftilt, np.ones_like(fa)], -1)
    nj /= np.linalg.norm(nj, axis=-1, keepdims=True)
    spark = phong(nj, 90)
    envj = studio_env(reflect_view(nj), key=1.0)
    facet_var = 0.75 + 0.25 * np.cos(fa * 3 + ring * 1.7)
    if lit:
        core = np.exp(-(rr / 16.0) ** 2)
        col = np.stack([0.98 + 0 * rr, 0.30 + 0.45 * core, 0.10 + 0.35 * core], -1)
        glass = col * (0.75 + 0.35 * facet_var)[..., None] + 0.25 * spark[..., None] + 0.10 * envj[..., None]
    else:
        base = np.stack([0.20 + 0 * rr, 0.02 + 0 * rr, 0.02 + 0 * rr], -1)
        glass = base * (0.6 + 0.6 * facet_var)[..., None] + (0.10 * envj + 0.8 * spark)[..., None] * \
            np.array([1.0, 0.75, 0.72], np.float32)
    # inner edge shadow where the bezel overhangs the jewel
    glass = glass * (1 - 0.5 * smoothstep(Ri - 5, Ri, rr))[..., None]
    jm = coverage(rr - Ri, 0.6)[..., None]
    rgb = glass * jm + bez * (1 - jm)
    alpha = coverage(rr - Ro, 0.7)
    rgb = downsample(rgb, ss)
    alpha = downsample(alpha, ss)
    x1, y1 = grid(h, w)
    r1 = np.hypot(x1 - cx, y1 - cy)
    sh = blur(ndimage.shift(coverage(r1 - Ro, 0.7), (5, 4), order=1), 4.5)
    layers = [("mul", 1 - 0.5 * sh)]
    if lit:
        # warm light spilling onto the plate around the bezel
        fall = np.exp(-np.clip(r1 - Ro, 0, None) / 11.0) * smoothstep(68, 40, r1)
        glow = fall[..., None] * np.array([0.55, 0.16, 0.04], np.float32)
        layers.append(("add", glow * (0.5 + bg_crop)))
    layers.append(("over", rgb, alpha))
    if lit:
        # bloom of the lens over the bezel
        bloom = np.exp(-(r1 / 26.0) ** 2) * smoothstep(Ro + 8, Ri, r1)
        layers.append(("add", bloom[..., None] * np.array([0.45, 0.12, 0.03], np.float32)))
    return composite(bg_crop, layers, edge_feather(h, w))


def lamp_strip(bg):
    base = crop(bg, G.LAMP)
    return np.concatenate([lamp_frame(base, False), lamp_frame(base, True)], axis=0)

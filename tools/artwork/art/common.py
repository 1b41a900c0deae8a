"""Shared helpers: deterministic noise, blurs, shading, text masks and PNG output.

All images are float32 arrays in [0, 1], shape (h, w) for masks and (h, w, 3|4) for colour.
Coordinates are pixels with y pointing down; light and view vectors use the same frame with
z pointing out of the panel towards the viewer.
"""

import os
import struct
import zlib

import numpy as np
from PIL import Image, ImageDraw, ImageFont
from scipy import ndimage

SEED = 7031

FONT_DIR = os.environ.get("ORVELLE_FONT_DIR", "")

# Light from the upper left, slightly in front of the panel.
LIGHT = np.array([-0.42, -0.62, 0.66], dtype=np.float32)
LIGHT /= np.linalg.norm(LIGHT)
VIEW = np.array([0.0, 0.0, 1.0], dtype=np.float32)
HALF = LIGHT + VIEW
HALF /= np.linalg.norm(HALF)


# The photographs' warm cast, added as a per-channel offset in whole 8-bit steps: neutral
# surfaces then keep three channels that differ by a constant, which compresses far better.
WARM = np.array([3, 1, -3], np.float32) / 255.0


def rng(tag):
    """A generator seeded from the global seed and a tag, so each element has its own stream."""
    h = 0
    for ch in tag.encode():
        h = (h * 131 + ch) % (2 ** 31)
    return np.random.default_rng([SEED, h])


def blur(a, sigma):
    if np.isscalar(sigma):
        sigma = (sigma, sigma)
    if a.ndim == 3:
        sigma = tuple(sigma) + (0,)
    return ndimage.gaussian_filter(a, sigma, mode="nearest").astype(np.float32)


def smoothstep(e0, e1, x):
    t = np.clip((x - e0) / (e1 - e0), 0.0, 1.0)
    return (t * t * (3 - 2 * t)).astype(np.float32)


def grid(h, w, ss=1, ox=0.0, oy=0.0):
    """Pixel-centre coordinates of an h x w image sampled ss times per pixel."""
    ys = (np.arange(h * ss, dtype=np.float32) + 0.5) / ss + oy
    xs = (np.arange(w * ss, dtype=np.float32) + 0.5) / ss + ox
    return np.meshgrid(xs, ys)


def downsample(a, ss):
    if ss == 1:
        return a
    h, w = a.shape[0] // ss, a.shape[1] // ss
    if a.ndim == 2:
        return a.reshape(h, ss, w, ss).mean(axis=(1, 3)).astype(np.float32)
    return a.reshape(h, ss, w, ss, a.shape[2]).mean(axis=(1, 3)).astype(np.float32)


def normals_from_height(hmap, scale=1.0):
    gy, gx = np.gradient(hmap * scale)
    n = np.stack([-gx, -gy, np.ones_like(hmap)], axis=-1)
    n /= np.linalg.norm(n, axis=-1, keepdims=True)
    return n.astype(np.float32)


def lambert(n, light=LIGHT):
    return np.clip(n @ light, 0.0, 1.0).astype(np.float32)


def phong(n, power, half=HALF):
    return (np.clip(n @ half, 0.0, 1.0) ** power).astype(np.float32)


def reflect_view(n):
    """Reflection of the view ray (looking into the panel) about the normal."""
    nz = n[..., 2:3]
    r = 2.0 * nz * n - VIEW
    return r


def studio_env(r, key=1.0):
    """A simple studio environment: softbox above left, bright ceiling, dark floor, dim room."""
    rx, ry, rz = r[..., 0], r[..., 1], r[..., 2]
    up = -ry  # y points down in the image
    ceiling = 0.55 + 0.25 * smoothstep(0.1, 0.8, up)
    floor = 0.10 + 0.22 * smoothstep(-0.7, -0.05, up)
    horizon = smoothstep(-0.05, 0.10, up)
    env = floor * (1 - horizon) + ceiling * horizon
    # softbox, upper left
    sb = smoothstep(0.22, 0.05, np.abs(rx + 0.38)) * smoothstep(0.25, 0.05, np.abs(up - 0.55))
    env = env + 1.4 * key * sb
    # second, weaker window on the right
    sb2 = smoothstep(0.15, 0.03, np.abs(rx - 0.55)) * smoothstep(0.3, 0.1, np.abs(up - 0.35))
    env = env + 0.35 * key * sb2
    # looking straight back: the dim room and the camera
    facing = smoothstep(0.75, 0.98, rz)
    env = env * (1 - 0.55 * facing) + 0.18 * facing * 0.55
    # grazing directions see the lit panel itself
    panel = smoothstep(0.15, -0.35, rz)
    env = env * (1 - panel) + 0.55 * panel
    return env.astype(np.float32)


def font(name, size):
    return ImageFont.truetype(find_font(name), size)


_FONT_FILES = {
    "sans": ["SourceSansPro-Regular.otf"],
    "sans-semibold": ["SourceSansPro-Semibold.otf"],
    "sans-bold": ["SourceSansPro-Bold.otf"],
    "sans-black": ["SourceSansPro-Black.otf"],
    "sans-light": ["SourceSansPro-Light.otf"],
    "din": ["/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf"],
}


def find_font(name):
    for f in _FONT_FILES[name]:
        p = f if os.path.isabs(f) else os.path.join(FONT_DIR, f)
        if os.path.exists(p):
            return p
    raise FileNotFoundError("font %s not found (font dir %r)" % (name, FONT_DIR))


def text_mask(size, items, ss=1):
    """Render text items into a float mask of the given (w, h).

    items: list of (text, font_name, px_size, (x, y), anchor[, tracking]) with positions in pixels.
    """
    w, h = size
    img = Image.new("L", (w * ss, h * ss), 0)
    d = ImageDraw.Draw(img)
    for it in items:
        text, fname, px, (x, y), anchor = it[:5]
        tracking = it[5] if len(it) > 5 else 0.0
        f = font(fname, int(round(px * ss)))
        if tracking == 0:
            d.text((x * ss, y * ss), text, font=f, fill=255, anchor=anchor)
        else:
            draw_tracked(d, text, f, x * ss, y * ss, anchor, tracking * ss)
    m = np.asarray(img, dtype=np.float32) / 255.0
    return downsample(m, ss) if ss > 1 else m


def draw_tracked(d, text, f, x, y, anchor, tracking):
    """Letter-spaced text; anchor's first letter picks l/m/r, second the vertical anchor."""
    widths = [f.getlength(c) for c in text]
    total = sum(widths) + tracking * (len(text) - 1)
    if anchor[0] == "m":
        x0 = x - total / 2
    elif anchor[0] == "r":
        x0 = x - total
    else:
        x0 = x
    va = "l" + anchor[1]
    for c, cw in zip(text, widths):
        d.text((x0, y), c, font=f, fill=255, anchor=va)
        x0 += cw + tracking


def over(dst, src_rgb, alpha):
    a = alpha[..., None] if alpha.ndim == 2 else alpha
    return (dst * (1 - a) + src_rgb * a).astype(np.float32)


def to_u8(a):
    return (np.clip(a, 0.0, 1.0) * 255.0 + 0.5).astype(np.uint8)


def png_bytes(arr):
    """Encodes a uint8 RGB or RGBA array as PNG: IHDR, IDAT and IEND only (no timestamps or text).

    Each row takes the filter with the smallest sum of absolute signed residuals, the usual
    heuristic, which PIL's encoder does not apply; it roughly halves the size of the strips.
    """
    h, w, ch = arr.shape
    cur = arr.reshape(h, w * ch).astype(np.int16)
    up = np.vstack([np.zeros((1, w * ch), np.int16), cur[:-1]])
    left = np.hstack([np.zeros((h, ch), np.int16), cur[:, :-ch]])
    upleft = np.hstack([np.zeros((h, ch), np.int16), up[:, :-ch]])
    p = left + up - upleft
    pa, pb, pc = np.abs(p - left), np.abs(p - up), np.abs(p - upleft)
    paeth = np.where((pa <= pb) & (pa <= pc), left, np.where(pb <= pc, up, upleft))
    cands = [cur, cur - left, cur - up, cur - (left + up) // 2, cur - paeth]
    res = np.stack([(c_ & 0xFF).astype(np.uint8) for c_ in cands])  # (5, h, row)
    cost = np.abs(res.astype(np.int8).astype(np.int32)).sum(axis=2)  # (5, h)
    best = np.argmin(cost, axis=0)
    rows = res[best, np.arange(h)]
    raw = np.hstack([best.astype(np.uint8)[:, None], rows]).tobytes()
    comp = zlib.compressobj(9, zlib.DEFLATED, 15, 9)
    data = comp.compress(raw) + comp.flush()

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    colour_type = {3: 2, 4: 6}[ch]
    ihdr = struct.pack(">IIBBBBB", w, h, 8, colour_type, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", data) + chunk(b"IEND", b"")


def save_png(a, path):
    with open(path, "wb") as f:
        f.write(png_bytes(to_u8(a)))


def rounded_rect_sdf(x, y, x0, y0, x1, y1, r):
    """Signed distance to a rounded rectangle (negative inside)."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r
    qx = np.abs(x - cx) - hx
    qy = np.abs(y - cy) - hy
    outside = np.hypot(np.maximum(qx, 0), np.maximum(qy, 0))
    inside = np.minimum(np.maximum(qx, qy), 0)
    return (outside + inside - r).astype(np.float32)


def coverage(sdf, soft=0.7):
    """Anti-aliased coverage of the inside of a signed distance field."""
    return np.clip(0.5 - sdf / (2 * soft), 0.0, 1.0).astype(np.float32)


def fbm(h, w, tag, scales=(64, 24, 8, 3), weights=(1.0, 0.6, 0.35, 0.2)):
    """Smooth isotropic fractal noise, zero mean, unit-ish amplitude."""
    g = rng(tag)
    out = np.zeros((h, w), np.float32)
    for s, wt in zip(scales, weights):
        n = g.standard_normal((h, w)).astype(np.float32)
        n = blur(n, s / 2.0)
        n /= n.std() + 1e-8
        out += wt * n
    return out / np.sqrt(sum(wt * wt for wt in weights))


def brushed(h, w, tag, direction="x"):
    """Anisotropic brushing streaks: long along the brushing direction, fine across it."""
    g = rng(tag)
    n1 = g.standard_normal((h, w)).astype(np.float32)
    n2 = g.standard_normal((h, w)).astype(np.float32)
    n3 = g.standard_normal((h, w)).astype(np.float32)
    if direction == "x":
        s1, s2, s3 = (0.5, 90), (0.7, 25), (1.2, 240)
    else:
        s1, s2, s3 = (90, 0.5), (25, 0.7), (240, 1.2)
    a = blur(n1, s1)
    b = blur(n2, s2)
    c = blur(n3, s3)
    a /= a.std() + 1e-8
    b /= b.std() + 1e-8
    c /= c.std() + 1e-8
    return (0.55 * a + 0.35 * b + 0.45 * c).astype(np.float32)

"""Renders every embedded picture, icon and the contact sheets, and copies the fonts.

Run through ./generate, which installs what this needs. Usage:
    render.py --repo DIR --fonts DIR [--no-sheets]
"""

import argparse
import math
import os
import shutil
import sys

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from art import common  # noqa: E402

LIBERATION = "/usr/share/fonts/truetype/liberation2"
LIBERATION_COPYRIGHT = "/usr/share/doc/fonts-liberation2/copyright"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--repo", required=True)
    ap.add_argument("--fonts", required=True, help="folder of the source-sans-pro npm package")
    ap.add_argument("--no-sheets", action="store_true")
    args = ap.parse_args()

    common.FONT_DIR = os.path.join(args.fonts, "OTF")
    from art import cards, controls, docs, geometry as G, panel

    product = os.path.join(args.repo, "resources", "product")
    shared = os.path.join(args.repo, "resources", "shared")
    os.makedirs(product, exist_ok=True)
    os.makedirs(shared, exist_ok=True)

    def save(a, folder, name):
        path = os.path.join(folder, name)
        common.save_png(a, path)
        print("  %-28s %4d x %-5d %8d bytes" % (name, a.shape[1], a.shape[0], os.path.getsize(path)))
        return a

    print("panel")
    bg = save(panel.render(), product, "Background.png")
    print("controls")
    gain = save(controls.knob_strip(bg, G.GAIN_KNOB), product, "KnobGain.png")
    peak = save(controls.knob_strip(bg, G.PEAK_KNOB), product, "KnobPeakReduction.png")
    lamp = save(controls.lamp_strip(bg), product, "Power.png")
    up, down, right = ((0, -1), 64.0), ((0, 1), 64.0), ((1, 0), 44.0)
    power = save(controls.lever_strip(bg, G.POWER_LEVER, [up, down]), product, "PowerSwitch.png")
    mode = save(controls.lever_strip(bg, G.MODE_LEVER, [up, down], G.MODE_FRAME_W), product, "CompSwitch.png")
    vu = save(controls.lever_strip(bg, G.VU_LEVER, [up, right, down], G.VU_FRAME_W), product, "VUSwitch.png")
    print("cards")
    about = save(cards.about(), product, "About.png")
    save(cards.banner(), shared, "banner.png")
    save(cards.gear(), shared, "settings.png")
    cards.write_ico(os.path.join(shared, "KLIcon.ico"), cards.icon_set(cards.app_icon_master()))
    cards.write_ico(os.path.join(shared, "KLFolderIcon.ico"), cards.icon_set(cards.folder_icon_master()))
    print("fonts")
    copy_fonts(args.fonts, shared)

    if not args.no_sheets:
        print("contact sheets")
        sheets = os.path.join(args.repo, "docs", "artwork")
        os.makedirs(sheets, exist_ok=True)
        strips = dict(gain=gain, peak=peak, lamp=lamp, power=power, mode=mode, vu=vu)
        common.save_png(docs.panel_sheet(bg, strips), os.path.join(sheets, "panel.png"))
        common.save_png(docs.knob_sheet(gain), os.path.join(sheets, "knobs.png"))
        common.save_png(docs.switch_sheet(strips), os.path.join(sheets, "switches.png"))
        common.save_png(docs.about_sheet(about), os.path.join(sheets, "about.png"))


def copy_fonts(npm_dir, shared):
    files = [
        (os.path.join(npm_dir, "OTF", "SourceSansPro-Regular.otf"), "source_sans_pro.otf"),
        (os.path.join(npm_dir, "OTF", "SourceSansPro-Regular.otf"), "font_regular.otf"),
        (os.path.join(npm_dir, "OTF", "SourceSansPro-Bold.otf"), "font_bold.otf"),
        (os.path.join(LIBERATION, "LiberationMono-Regular.ttf"), "courier_new.ttf"),
        (os.path.join(LIBERATION, "LiberationMono-Bold.ttf"), "courier_new_bold.ttf"),
    ]
    for src, dst in files:
        shutil.copyfile(src, os.path.join(shared, dst))
    shutil.copyfile(os.path.join(npm_dir, "LICENSE.md"), os.path.join(shared, "LICENSE-SourceSansPro.txt"))
    shutil.copyfile(LIBERATION_COPYRIGHT, os.path.join(shared, "LICENSE-LiberationMono.txt"))


if __name__ == "__main__":
    main()

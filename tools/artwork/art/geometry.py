"""Where things sit on the panel, in image pixels (the panel is drawn at twice its base size).

The editor places its controls at fixed base-unit rectangles; the crops below are those
rectangles doubled, and each control frame is its control rendered over that crop.
"""

import math

W, H = 1866, 508

# control crops (x, y, w, h) in panel pixels
LAMP = (108, 150, 140, 162)
POWER_LEVER = (256, 110, 150, 260)
GAIN_KNOB = (370, 74, 308, 324)
PEAK_KNOB = (1190, 76, 308, 324)
MODE_LEVER = (1480, 110, 150, 260)
VU_LEVER = (1620, 110, 150, 260)
METER = (736, 76, 392, 218)
LOGO = (850, 318, 162, 162)

# frame sizes as stored (the mode and VU lever strips are resampled to these widths)
MODE_FRAME_W = 142
VU_FRAME_W = 158

# knob: centre inside its 308 x 324 frame, dial sweep and dot/number radii
KNOB_CENTRE = (154.0, 158.0)
KNOB_SWEEP = 270.0  # degrees from the 0 dot to the 10 dot, 5 straight up
KNOB_RADIUS = 98.0
DIAL_DOT_RADIUS = 122.0
DIAL_NUMBER_RADIUS = 145.0

LEVER_PIVOT = (75.0, 130.0)  # inside a 150 x 260 lever frame
LAMP_CENTRE = (70.0, 81.0)  # inside the 140 x 162 lamp frame

# needle geometry, matching the editor's needle drawing
PIVOT = (934.0, 350.0)
NEEDLE_LENGTH = 220.0
NEEDLE_SWING = 112.5
SCALE_RADIUS = 194.0


def knob_centre(crop):
    return (crop[0] + KNOB_CENTRE[0], crop[1] + KNOB_CENTRE[1])


def dial_angle(position):
    """Angle in degrees from straight up (clockwise positive) of dial position 0..10."""
    return -KNOB_SWEEP / 2 + KNOB_SWEEP * position / 10.0


def needle_angle(v):
    return (v - 0.5) * NEEDLE_SWING


def db_to_value(db):
    return 0.715 * 10 ** (db / 20.0)


def polar(centre, radius, angle_deg):
    a = math.radians(angle_deg)
    return centre[0] + radius * math.sin(a), centre[1] - radius * math.cos(a)

#!/usr/bin/env python3
"""Writes the sample material library Korvane.mat and korcolor.mat.

Usage: make_sample.py [OUTPUT_FOLDER]   (default: the folder of this script)

Absorption coefficients are typical textbook values for 125 Hz to 4 kHz. The
bands outside that range are extrapolated by the rules in extend_absorption().
Insulation indices (dB) and scattering coefficients are given for all ten bands.
"""

import sys
from decimal import ROUND_HALF_UP, Decimal
from pathlib import Path

# How the 31.5 Hz and 63 Hz bands are derived from the 125 Hz value.
RIGID = "rigid"    # massive hard surfaces: flat below 125 Hz
PANEL = "panel"    # membrane/panel absorbers: absorb at least as much below 125 Hz
POROUS = "porous"  # porous and resonant absorbers: halved per octave below 125 Hz

NO_BARRIER = [0] * 10  # audience, seating, openings: nothing that blocks sound

# name, extrapolation rule, absorption 125 Hz..4 kHz (or all ten bands), insulation 31.5 Hz..16 kHz (or None),
# scattering 31.5 Hz..16 kHz (or None)
MATERIALS = [
    ("Concrete unpainted", RIGID,
     [0.01, 0.02, 0.04, 0.06, 0.08, 0.10],
     [36, 40, 42, 48, 56, 63, 69, 73, 75, 75], None),
    ("Concrete painted", RIGID,
     [0.01, 0.01, 0.01, 0.02, 0.02, 0.02],
     [33, 37, 40, 45, 52, 59, 65, 70, 72, 72], None),
    ("Concrete block", RIGID,
     [0.01, 0.01, 0.02, 0.02, 0.02, 0.03, 0.04, 0.05, 0.05, 0.05],
     [35, 40, 45, 50, 55, 60, 65, 65, 65, 65],
     [0.1] * 10),
    ("Brick unglazed", RIGID,
     [0.03, 0.03, 0.03, 0.04, 0.05, 0.07],
     [28, 32, 36, 37, 40, 46, 54, 57, 60, 60],
     [0.05, 0.05, 0.1, 0.1, 0.15, 0.2, 0.25, 0.3, 0.3, 0.3]),
    ("Brick painted", RIGID,
     [0.01, 0.01, 0.02, 0.02, 0.02, 0.03],
     [32, 36, 41, 43, 49, 57, 63, 67, 70, 70], None),
    ("Plaster on masonry", RIGID,
     [0.013, 0.015, 0.02, 0.03, 0.04, 0.05],
     [30, 33, 35, 38, 43, 50, 56, 60, 62, 62], None),
    ("Gypsum board on studs", PANEL,
     [0.29, 0.10, 0.05, 0.04, 0.07, 0.09],
     [12, 15, 19, 28, 36, 42, 40, 44, 50, 55], None),
    ("Glass heavy plate", PANEL,
     [0.18, 0.06, 0.04, 0.03, 0.02, 0.02],
     [18, 22, 27, 29, 32, 35, 32, 38, 44, 48], None),
    ("Glass ordinary window", PANEL,
     [0.35, 0.25, 0.18, 0.12, 0.07, 0.04],
     [10, 14, 18, 21, 25, 29, 32, 27, 33, 38], None),
    ("Plywood panel", PANEL,
     [0.28, 0.22, 0.17, 0.09, 0.10, 0.11],
     [8, 12, 16, 19, 23, 26, 25, 28, 33, 38], None),
    ("Wooden door solid", PANEL,
     [0.14, 0.10, 0.06, 0.08, 0.10, 0.10],
     [15, 18, 22, 25, 28, 30, 31, 32, 33, 34], None),
    ("Wooden diffuser panel", PANEL,
     [0.25, 0.20, 0.15, 0.12, 0.10, 0.10],
     [14, 17, 21, 24, 27, 30, 32, 33, 35, 37],
     [0.05, 0.1, 0.2, 0.45, 0.7, 0.85, 0.9, 0.9, 0.9, 0.9]),
    ("Wood floor on joists", PANEL,
     [0.15, 0.11, 0.10, 0.07, 0.06, 0.07], None, None),
    ("Parquet on concrete", RIGID,
     [0.04, 0.04, 0.07, 0.06, 0.06, 0.07], None, None),
    ("Linoleum or vinyl on concrete", RIGID,
     [0.02, 0.03, 0.03, 0.03, 0.03, 0.02], None, None),
    ("Marble or glazed tile", RIGID,
     [0.01, 0.01, 0.01, 0.01, 0.02, 0.02], None, None),
    ("Carpet thin on concrete", POROUS,
     [0.02, 0.04, 0.08, 0.20, 0.35, 0.40], None, None),
    ("Carpet thick on underlay", POROUS,
     [0.08, 0.24, 0.57, 0.69, 0.71, 0.73], None, None),
    ("Heavy velour curtain draped", POROUS,
     [0.14, 0.35, 0.55, 0.72, 0.70, 0.65], None, None),
    ("Light curtain hung straight", POROUS,
     [0.03, 0.04, 0.11, 0.17, 0.24, 0.35], None, None),
    ("Acoustic ceiling tile mineral fibre", POROUS,
     [0.45, 0.60, 0.65, 0.75, 0.80, 0.75], None, None),
    ("Glass wool 50 mm on hard backing", POROUS,
     [0.18, 0.70, 0.96, 0.99, 0.98, 0.95], None, None),
    ("Perforated panel with absorber", POROUS,
     [0.40, 0.90, 0.80, 0.50, 0.40, 0.30], None, None),
    ("Audience in upholstered seats", POROUS,
     [0.60, 0.74, 0.88, 0.96, 0.93, 0.85], NO_BARRIER,
     [0.2, 0.25, 0.3, 0.4, 0.5, 0.6, 0.6, 0.7, 0.7, 0.7]),
    ("Upholstered seats empty", POROUS,
     [0.44, 0.60, 0.77, 0.89, 0.82, 0.70], NO_BARRIER,
     [0.15, 0.2, 0.3, 0.4, 0.5, 0.6, 0.6, 0.7, 0.7, 0.7]),
    ("Wooden seats empty", PANEL,
     [0.03, 0.04, 0.06, 0.08, 0.10, 0.10], NO_BARRIER,
     [0.1, 0.15, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.7, 0.7]),
    ("Water surface", RIGID,
     [0.008, 0.008, 0.013, 0.015, 0.020, 0.025], None, None),
    ("Gravel loose", POROUS,
     [0.25, 0.60, 0.65, 0.70, 0.75, 0.80], None, None),
    ("Grass", POROUS,
     [0.11, 0.26, 0.60, 0.69, 0.92, 0.99], None, None),
    ("Opening", RIGID,
     [1.0, 1.0, 1.0, 1.0, 1.0, 1.0], NO_BARRIER, None),
]

# (R, G, B) per material, in the order above.
COLORS = [
    (150, 150, 150),  # concrete unpainted
    (200, 200, 195),  # concrete painted
    (120, 125, 130),  # concrete block
    (178, 84, 52),    # brick unglazed
    (214, 140, 110),  # brick painted
    (236, 228, 208),  # plaster on masonry
    (245, 245, 235),  # gypsum board
    (150, 200, 230),  # heavy plate glass
    (190, 225, 250),  # window glass
    (205, 160, 100),  # plywood
    (139, 90, 43),    # wooden door
    (160, 110, 60),   # wooden diffuser
    (170, 120, 70),   # wood floor
    (190, 135, 80),   # parquet
    (95, 140, 120),   # linoleum / vinyl
    (235, 235, 245),  # marble / glazed tile
    (190, 60, 60),    # thin carpet
    (150, 20, 40),    # thick carpet
    (110, 30, 120),   # heavy velour
    (200, 160, 220),  # light curtain
    (250, 250, 240),  # ceiling tile
    (240, 220, 90),   # glass wool
    (225, 200, 150),  # perforated panel
    (200, 50, 90),    # audience
    (170, 40, 70),    # upholstered seats
    (120, 75, 40),    # wooden seats
    (40, 110, 200),   # water
    (165, 160, 150),  # gravel
    (70, 160, 60),    # grass
    (30, 30, 30),     # opening
]

NAME_WIDTH = 65
ONE_DECIMAL = Decimal("0.1")
THREE_DECIMALS = Decimal("0.001")


def round3(value):
    # Half away from zero, like the library's own number patterns; all values are >= 0.
    return Decimal(str(value)).quantize(THREE_DECIMALS, rounding=ROUND_HALF_UP)


def extend_absorption(rule, octaves):
    """Ten bands from the six tabulated ones (125 Hz to 4 kHz)."""
    if len(octaves) == 10:
        return [round3(v) for v in octaves]
    a125 = round3(octaves[0])
    if rule == POROUS:
        a63 = round3(a125 / 2)
        a31 = round3(a63 / 2)
    else:
        a63 = a125
        a31 = a125
    high = min(round3(octaves[-1]), Decimal(1))
    bands = [a31, a63] + [round3(v) for v in octaves] + [high, high]
    return [min(v, Decimal(1)) for v in bands]


def material_line(number, name, absorption, insulation, scattering):
    if "," in name or not name.isascii() or len(name) >= NAME_WIDTH:
        raise ValueError(f"unusable name: {name!r}")
    line = f"{number:>3}  {name:<{NAME_WIDTH}},   "
    line += "".join(f" {v:.3f}" for v in absorption)
    if insulation is not None or scattering is not None:
        values = [Decimal(str(v)).quantize(ONE_DECIMAL) for v in insulation]
        line += "," + "".join(f" {v:.1f}" for v in values)
    if scattering is not None:
        line += "," + "".join(f" {round3(v):.3f}" for v in scattering)
    return line + "\r\n"


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent
    if len(COLORS) != len(MATERIALS):
        raise SystemExit("one colour per material is needed")

    material_text = []
    color_text = []
    for number, (material, rgb) in enumerate(zip(MATERIALS, COLORS)):
        name, rule, octaves, insulation, scattering = material
        if len(octaves) not in (6, 10) or any(len(g) != 10 for g in (insulation, scattering) if g):
            raise SystemExit(f"wrong band count for {name}")
        if scattering is not None and insulation is None:
            raise SystemExit(f"{name}: scattering needs an insulation group before it")
        absorption = extend_absorption(rule, octaves)
        material_text.append(material_line(number, name, absorption, insulation, scattering))
        red, green, blue = rgb
        color = red + 256 * green + 65536 * blue
        if color == 0:
            raise SystemExit(f"{name}: colour 0 would be read back as another colour")
        color_text.append(f" {color} \r\n")

    (out / "Korvane.mat").write_bytes("".join(material_text).encode("ascii"))
    (out / "korcolor.mat").write_bytes("".join(color_text).encode("ascii"))


if __name__ == "__main__":
    main()

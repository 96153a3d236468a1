#!/usr/bin/env python3
"""Writes the program's artwork: the SVG pictures under resources/art/ and the
resource list resources/vavirir.qrc.

The pictures are drawn from simple shapes so they stay crisp at the pixel sizes
the program renders them at. Run it after changing a picture and commit the
generated files with it:

    python3 resources/make_artwork.py
"""

import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))
ART = os.path.join(HERE, "art")

LCD = "#808c80"  # rgb(128, 140, 128), the LCD glass
INK = "#101410"  # LCD segments
SANS = "DejaVu Sans, Liberation Sans, Nimbus Sans, sans-serif"
CONDENSED = "DejaVu Sans Condensed, DejaVu Sans, Nimbus Sans Narrow, sans-serif"

# Meter geometry shared by the body and the dial pictures.
METER_W, METER_H = 300, 703
HOLSTER = "#d88a1e"
HOLSTER_DARK = "#a9660f"
HOLSTER_LIGHT = "#f0a93a"
BODY = "#30353b"
BODY_EDGE = "#1d2024"
DIAL_TOP = 387
DIAL_H = 155

written = []


def svg(width, height, body, defs=""):
    return (
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
        f'viewBox="0 0 {width} {height}">\n'
        + (f"<defs>\n{defs}\n</defs>\n" if defs else "")
        + body
        + "\n</svg>\n"
    )


def save(name, content):
    os.makedirs(ART, exist_ok=True)
    with open(os.path.join(ART, name + ".svg"), "w", encoding="utf-8") as out:
        out.write(content)
    written.append(name)


def text(x, y, content, size, fill=INK, anchor="start", weight="bold", family=SANS,
         scale_x=1.0, extra=""):
    # Condensing is done with a horizontal scale around the anchor point.
    transform = ""
    if scale_x != 1.0:
        transform = f' transform="translate({x},{y}) scale({scale_x},1) translate({-x},{-y})"'
    return (
        f'<text x="{x}" y="{y}" font-family="{family}" font-size="{size}" '
        f'font-weight="{weight}" fill="{fill}" text-anchor="{anchor}"{transform}{extra}>'
        f"{content}</text>"
    )


# ---------------------------------------------------------------------------
# Meter body and the lower part with the selector


def holster_gradients():
    return f"""
<linearGradient id="holster" x1="0" y1="0" x2="1" y2="0">
  <stop offset="0" stop-color="{HOLSTER_DARK}"/>
  <stop offset="0.06" stop-color="{HOLSTER_LIGHT}"/>
  <stop offset="0.5" stop-color="{HOLSTER}"/>
  <stop offset="0.94" stop-color="{HOLSTER_LIGHT}"/>
  <stop offset="1" stop-color="{HOLSTER_DARK}"/>
</linearGradient>
<linearGradient id="body" x1="0" y1="0" x2="1" y2="0">
  <stop offset="0" stop-color="{BODY_EDGE}"/>
  <stop offset="0.04" stop-color="#3b4148"/>
  <stop offset="0.5" stop-color="{BODY}"/>
  <stop offset="0.96" stop-color="#3b4148"/>
  <stop offset="1" stop-color="{BODY_EDGE}"/>
</linearGradient>"""


def button(x, y, w, h, label, sub=None, colour="#4b525a", ink="#f2f2f2"):
    parts = [
        f'<rect x="{x}" y="{y + 2}" width="{w}" height="{h}" rx="7" fill="#15171a"/>',
        f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="7" fill="{colour}" '
        f'stroke="#6b737c" stroke-width="1"/>',
        f'<rect x="{x + 3}" y="{y + 2}" width="{w - 6}" height="{h / 2 - 2}" rx="5" '
        f'fill="#ffffff" fill-opacity="0.08"/>',
    ]
    if sub:
        parts.append(text(x + w / 2, y + h / 2 - 1, label, 9, ink, "middle"))
        parts.append(text(x + w / 2, y + h / 2 + 9, sub, 7, "#f0b040", "middle"))
    else:
        parts.append(text(x + w / 2, y + h / 2 + 3.5, label, 9, ink, "middle"))
    return "\n".join(parts)


def jack(cx, cy, ring, label, label2=None):
    parts = [
        f'<circle cx="{cx}" cy="{cy}" r="21" fill="#15171a"/>',
        f'<circle cx="{cx}" cy="{cy}" r="18" fill="{ring}" stroke="#0b0c0d" stroke-width="1.5"/>',
        f'<circle cx="{cx}" cy="{cy}" r="11" fill="#0e0f10"/>',
        f'<circle cx="{cx}" cy="{cy}" r="4.5" fill="#8d8f92"/>',
        f'<circle cx="{cx - 1}" cy="{cy - 1}" r="1.8" fill="#d5d7d9"/>',
        text(cx, cy - 28, label, 10, "#f2f2f2", "middle"),
    ]
    if label2:
        parts.append(text(cx, cy + 33, label2, 7, "#c8c8c8", "middle", weight="normal"))
    return "\n".join(parts)


def bluetooth_sign(cx, cy, s, colour):
    # The rune-like link sign drawn from strokes.
    return (
        f'<path d="M {cx - s * 0.45} {cy - s * 0.45} L {cx + s * 0.45} {cy + s * 0.4} '
        f'L {cx} {cy + s} L {cx} {cy - s} L {cx + s * 0.45} {cy - s * 0.4} '
        f'L {cx - s * 0.45} {cy + s * 0.45}" fill="none" stroke="{colour}" '
        f'stroke-width="{s * 0.22}" stroke-linejoin="round" stroke-linecap="round"/>'
    )


def meter_shell(top, height, full):
    """Holster and body for a horizontal slice of the meter (full = whole meter)."""
    if full:
        return f"""
<rect x="3" y="3" width="294" height="697" rx="38" fill="#6b420a"/>
<rect x="4" y="2" width="292" height="695" rx="37" fill="url(#holster)"/>
<path d="M 40 10 Q 150 0 260 10" fill="none" stroke="#ffd27a" stroke-opacity="0.5" stroke-width="3"/>
<rect x="17" y="15" width="266" height="673" rx="24" fill="{BODY_EDGE}"/>
<rect x="19" y="16" width="262" height="670" rx="23" fill="url(#body)"/>"""
    # A straight slice: the same horizontal shading as the whole meter.
    return f"""
<rect x="4" y="0" width="292" height="{height}" fill="url(#holster)"/>
<rect x="17" y="0" width="266" height="{height}" fill="{BODY_EDGE}"/>
<rect x="19" y="0" width="262" height="{height}" fill="url(#body)"/>"""


def write_meter_body():
    grip = "\n".join(
        f'<rect x="6" y="{y}" width="9" height="4" rx="2" fill="{HOLSTER_DARK}"/>'
        f'<rect x="285" y="{y}" width="9" height="4" rx="2" fill="{HOLSTER_DARK}"/>'
        for y in range(300, 380, 10)
    ) + "\n" + "\n".join(
        f'<rect x="6" y="{y}" width="9" height="4" rx="2" fill="{HOLSTER_DARK}"/>'
        f'<rect x="285" y="{y}" width="9" height="4" rx="2" fill="{HOLSTER_DARK}"/>'
        for y in range(560, 660, 10)
    )
    buttons = "\n".join([
        button(32, 270, 72, 28, "HOLD", "LIGHT"),
        button(114, 270, 72, 28, "RANGE"),
        button(196, 270, 72, 28, "REL", "Δ"),
        button(32, 308, 72, 28, "MAX/MIN"),
        button(114, 308, 72, 28, "SELECT", colour="#c98416", ink="#1b1b1b"),
        button(196, 308, 72, 28, "PEAK", "CREST"),
        button(32, 346, 72, 28, "Hz %", "ms"),
        button(114, 346, 72, 28, "LPF"),
        button(196, 346, 72, 28, "SEND", "SETUP"),
    ])
    jacks = "\n".join([
        jack(62, 612, "#c0262d", "10A", "FUSED"),
        jack(121, 612, "#c0262d", "µA mA", "400mA"),
        jack(180, 612, "#17181a", "COM", "CAT III"),
        jack(239, 612, "#c0262d", "VΩHz", "1000V"),
    ])
    body = f"""
{meter_shell(0, METER_H, True)}
{grip}
<!-- name plate -->
{text(32, 48, "VAVIRIR", 20, "#f2f2f2", extra=' letter-spacing="1"')}
{text(33, 64, "TRUE RMS  DIGITAL MULTIMETER", 7, "#c8c8c8", weight="normal")}
<rect x="220" y="30" width="48" height="38" rx="6" fill="#22262a" stroke="#4b525a"/>
{bluetooth_sign(244, 49, 10, "#4ea2ff")}
<!-- LCD bezel and glass -->
<rect x="25" y="72" width="250" height="191" rx="10" fill="#0f1113" stroke="#50575f" stroke-width="1.5"/>
<rect x="31" y="78" width="238" height="179" rx="5" fill="#1e2322"/>
<rect x="36" y="83" width="228" height="169" fill="{LCD}"/>
<rect x="36" y="83" width="228" height="3" fill="#000000" fill-opacity="0.18"/>
<rect x="36" y="83" width="3" height="169" fill="#000000" fill-opacity="0.12"/>
<!-- keys -->
{buttons}
<!-- selector well (the dial pictures are drawn over it) -->
<circle cx="150" cy="{DIAL_TOP + 80}" r="70" fill="#23272b"/>
<!-- input jacks -->
<rect x="30" y="560" width="240" height="98" rx="12" fill="#24282c" stroke="#454c53"/>
{jacks}
<path d="M 138 670 L 146 656 L 154 670 Z" fill="none" stroke="#f0b040" stroke-width="1.5"/>
{text(146, 668.5, "!", 8, "#f0b040", "middle")}
{text(162, 668, "MAX 1000V", 7, "#c8c8c8", weight="normal")}
"""
    save("meter_body", svg(METER_W, METER_H, body, holster_gradients()))


# Dial positions: 0 OFF, 1 µA, 2 mA, 3 A, 4 temperature, 5 AC volts, 6 DC volts,
# 7 mV, 8 Ω, 9 CAP, 10 Ω / diode.
DIAL_CENTRE = (150, 80)


def dial_angle(position):
    return math.radians(-150 + 30 * position)


def dial_label(position, x, y):
    white = "#f2f2f2"
    if position == 0:
        return text(x, y + 4, "OFF", 11, "#b9bec4", "middle")
    if position == 1:
        return text(x, y + 5, "µA", 13, white, "middle")
    if position == 2:
        return text(x, y + 5, "mA", 13, white, "middle")
    if position == 3:
        return text(x, y + 5, "A", 14, white, "middle")
    if position == 4:
        return text(x, y + 4, "°C°F", 11, white, "middle")
    if position == 5:
        # V with a wave above it.
        return (text(x - 3, y + 6, "V", 15, white, "middle")
                + f'<path d="M {x + 3} {y - 4} q 2.5 -4 5 0 t 5 0" fill="none" '
                  f'stroke="{white}" stroke-width="1.6"/>')
    if position == 6:
        # V with the solid-over-dashed direct-current sign.
        return (text(x - 4, y + 6, "V", 15, white, "middle")
                + f'<path d="M {x + 3} {y - 5} h 10" stroke="{white}" stroke-width="1.6"/>'
                + f'<path d="M {x + 3} {y - 1} h 2.5 m 1.25 0 h 2.5 m 1.25 0 h 2.5" '
                  f'stroke="{white}" stroke-width="1.4"/>')
    if position == 7:
        return (text(x - 2, y + 6, "mV", 13, white, "middle")
                + f'<path d="M {x + 11} {y - 5} h 8" stroke="{white}" stroke-width="1.4"/>')
    if position == 8:
        return text(x, y + 6, "Ω", 15, white, "middle")
    if position == 9:
        return (text(x, y + 5, "CAP", 11, white, "middle")
                + f'<path d="M {x - 7} {y - 8} h 5 M {x - 2} {y - 12} v 8 M {x + 2} {y - 12} '
                  f'v 8 M {x + 2} {y - 8} h 5" stroke="{white}" stroke-width="1.3" fill="none"/>')
    # 10: resistance with the diode sign.
    return (text(x - 9, y + 6, "Ω", 13, white, "middle")
            + f'<path d="M {x} {y - 3} h 4 M {x + 4} {y - 8} v 10 l 8 -5 z M {x + 12} {y - 8} '
              f'v 10 M {x + 12} {y - 3} h 4" stroke="{white}" stroke-width="1.4" fill="{white}"/>')


def write_dial(position):
    cx, cy = DIAL_CENTRE
    parts = [meter_shell(0, DIAL_H, False)]
    # Recessed well and the printed ring of marks.
    parts.append(f'<circle cx="{cx}" cy="{cy}" r="70" fill="#23272b"/>')
    parts.append(f'<circle cx="{cx}" cy="{cy}" r="56" fill="#1a1d20" stroke="#4b525a" '
                 f'stroke-width="1"/>')
    for p in range(11):
        a = dial_angle(p)
        sx, sy = math.sin(a), -math.cos(a)
        inner, outer = 50, 56
        colour = "#f0b040" if p == position else "#9aa1a8"
        width = 3 if p == position else 1.5
        parts.append(
            f'<line x1="{cx + inner * sx:.1f}" y1="{cy + inner * sy:.1f}" '
            f'x2="{cx + outer * sx:.1f}" y2="{cy + outer * sy:.1f}" stroke="{colour}" '
            f'stroke-width="{width}"/>')
        # Labels sit on the pointer's ray, where it meets an ellipse that
        # uses the picture's width but keeps within its height.
        reach = 1.0 / math.hypot(sx / 101.0, sy / 62.0)
        lx = cx + reach * sx
        ly = cy + reach * sy
        parts.append(dial_label(p, lx, ly))
    # The knob: a round base with a raised grip bar pointing at the position.
    angle = -150 + 30 * position
    parts.append(f'<circle cx="{cx}" cy="{cy + 3}" r="46" fill="#0c0d0f" fill-opacity="0.6"/>')
    parts.append(f'<circle cx="{cx}" cy="{cy}" r="45" fill="url(#knob)" stroke="#0f1012" '
                 f'stroke-width="1.5"/>')
    parts.append(
        f'<g transform="rotate({angle} {cx} {cy})">'
        f'<rect x="{cx - 13}" y="{cy - 47}" width="26" height="94" rx="12" fill="#101215"/>'
        f'<rect x="{cx - 11}" y="{cy - 46}" width="22" height="91" rx="11" fill="url(#grip)"/>'
        f'<path d="M {cx} {cy - 44} L {cx - 6} {cy - 28} L {cx + 6} {cy - 28} Z" fill="#f7f7f2"/>'
        f'<rect x="{cx - 1.5}" y="{cy - 30}" width="3" height="20" fill="#f7f7f2"/>'
        f"</g>")
    defs = holster_gradients() + """
<radialGradient id="knob" cx="0.4" cy="0.35" r="0.75">
  <stop offset="0" stop-color="#5a6068"/>
  <stop offset="1" stop-color="#24282c"/>
</radialGradient>
<linearGradient id="grip" x1="0" y1="0" x2="1" y2="0">
  <stop offset="0" stop-color="#2b3034"/>
  <stop offset="0.45" stop-color="#59616a"/>
  <stop offset="1" stop-color="#2b3034"/>
</linearGradient>"""
    save(f"dial_{position}", svg(300, DIAL_H, "\n".join(parts), defs))


# ---------------------------------------------------------------------------
# LCD pictures


def lcd_box(width, height, content, background=True):
    back = f'<rect width="{width}" height="{height}" fill="{LCD}"/>' if background else ""
    return svg(width, height, back + content)


def lowpass_sign(x, y):
    # Pass band, then the roll-off: the filter's response curve.
    return (f'<path d="M {x} {y} h 6 q 3 0 5 7" fill="none" stroke="{INK}" stroke-width="1.6"/>'
            f'<path d="M {x} {y + 9} h 12" stroke="{INK}" stroke-width="0.8"/>')


def diode_sign(x, y):
    return (f'<path d="M {x} {y} h 3 M {x + 3} {y - 5} v 10 l 8 -5 z M {x + 11} {y - 5} v 10 '
            f'M {x + 11} {y} h 3" stroke="{INK}" stroke-width="1.4" fill="{INK}"/>')


def unit_label(name, main, sign=None, width=57):
    scale = 1.0
    if len(main) >= 4:
        scale = 0.82
    content = text(3, 19, main, 17, scale_x=scale)
    if sign == "lowpass":
        content = text(2, 19, main, 15, scale_x=0.85 if len(main) >= 3 else 1.0)
        content += lowpass_sign(41, 7)
    elif sign == "diode":
        content = text(4, 19, main, 17) + diode_sign(22, 12)
    save(name, lcd_box(width, 25, content))


# Advance widths of DejaVu Sans Bold, in em, for the letters of combined labels.
BOLD_ADVANCE = {"V": 0.774, "A": 0.774, "m": 1.066, "µ": 0.721}


def combined_label(name, main):
    size = 18
    scale = 0.9
    content = text(3, 20, main, size, scale_x=scale)
    x = 3 + sum(BOLD_ADVANCE[c] for c in main) * size * scale + 1
    content += text(x, 11, "DC", 8) + text(x, 21, "+AC", 8)
    save(name, lcd_box(64, 25, content))


def write_unit_labels():
    for name, main in [("unit_vdc", "VDC"), ("unit_mvdc", "mVDC"), ("unit_adc", "ADC"),
                       ("unit_madc", "mADC"), ("unit_uadc", "µADC"), ("unit_vac", "VAC"),
                       ("unit_mvac", "mVAC"), ("unit_mf", "mF"), ("unit_uf", "µF"),
                       ("unit_nf", "nF"), ("unit_aac", "AAC"), ("unit_maac", "mAAC"),
                       ("unit_uaac", "µAAC"), ("unit_mohm", "MΩ"), ("unit_kohm", "kΩ"),
                       ("unit_ohm", "Ω"), ("unit_mhz", "MHz"), ("unit_khz", "kHz"),
                       ("unit_hz", "Hz"), ("unit_degf", "°F"), ("unit_degc", "°C"),
                       ("unit_a", "A"), ("unit_ma", "mA"), ("unit_ua", "µA"), ("unit_v", "V"),
                       ("unit_mv", "mV"), ("unit_vd", "VD")]:
        unit_label(name, main)
    for name, main in [("unit_vac_lowpass", "VAC"), ("unit_mhz_lowpass", "MHz"),
                       ("unit_khz_lowpass", "kHz"), ("unit_hz_lowpass", "Hz")]:
        unit_label(name, main, "lowpass")
    unit_label("unit_v_diode", "V", "diode")
    for name, main in [("unit_v_dcac", "V"), ("unit_mv_dcac", "mV"), ("unit_uv_dcac", "µV"),
                       ("unit_a_dcac", "A"), ("unit_ma_dcac", "mA"), ("unit_ua_dcac", "µA")]:
        combined_label(name, main)


def write_annunciators():
    # Annunciators are transparent around their letters, so neighbours that
    # touch on the LCD do not blank each other out. Mode labels keep to the
    # left of their picture and HOLD to the right.
    save("lcd_hold", lcd_box(43, 16, text(42, 12, "HOLD", 10, anchor="end", scale_x=0.9), False))
    save("lcd_auto_range", lcd_box(83, 19, text(1, 14, "AUTO RANGE", 11, scale_x=0.86), False))
    save("lcd_manual_range",
         lcd_box(83, 19, text(1, 14, "MANU RANGE", 11, scale_x=0.86), False))
    save("lcd_min_max", lcd_box(43, 14, text(1, 11, "MAXMIN", 10, scale_x=0.7), False))
    save("lcd_peak", lcd_box(43, 13, text(1, 11, "PEAK", 10, scale_x=0.85), False))
    save("lcd_rel", lcd_box(43, 16, text(12, 12, "REL", 10, scale_x=0.9)
                           + f'<path d="M 1 12 L 5.5 3 L 10 12 Z" fill="none" stroke="{INK}" '
                             f'stroke-width="1.4"/>', False))
    save("lcd_deg_f", lcd_box(20, 17, text(1, 14, "°F", 13, scale_x=0.9)))
    save("lcd_deg_c", lcd_box(20, 17, text(1, 14, "°C", 13, scale_x=0.9)))
    save("lcd_disconnected",
         lcd_box(189, 50, text(94.5, 33, "DISCONNECTED", 22, "#d01818", "middle", scale_x=0.92)))


# ---------------------------------------------------------------------------
# Graph tool icons and cursors (32 x 32)


def tool_frame(content):
    return svg(32, 32, '<rect x="1" y="1" width="30" height="30" rx="4" fill="#eef1f5" '
                       'stroke="#8a96a6"/>' + content)


def arrow_head(x, y, dx, dy, colour, size=4):
    # A filled head at (x, y) pointing along (dx, dy).
    px, py = -dy, dx
    return (f'<path d="M {x} {y} L {x - dx * size + px * size * 0.8} {y - dy * size + py * size * 0.8} '
            f'L {x - dx * size - px * size * 0.8} {y - dy * size - py * size * 0.8} Z" '
            f'fill="{colour}"/>')


def magnifier(cx, cy, r, colour, sign=None):
    parts = [f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="#ffffff" fill-opacity="0.85" '
             f'stroke="{colour}" stroke-width="2.2"/>',
             f'<path d="M {cx + r * 0.7} {cy + r * 0.7} L {cx + r * 1.9} {cy + r * 1.9}" '
             f'stroke="{colour}" stroke-width="4" stroke-linecap="round"/>']
    if sign in ("+", "-"):
        parts.append(f'<path d="M {cx - r * 0.55} {cy} h {r * 1.1}" stroke="{colour}" '
                     f'stroke-width="2"/>')
    if sign == "+":
        parts.append(f'<path d="M {cx} {cy - r * 0.55} v {r * 1.1}" stroke="{colour}" '
                     f'stroke-width="2"/>')
    return "\n".join(parts)


def tool_drawings(c):
    """The nine tool drawings in colour c, without a frame."""
    blue = c
    move = "\n".join([
        f'<path d="M 16 5 V 27 M 5 16 H 27" stroke="{blue}" stroke-width="2.4"/>',
        arrow_head(16, 3, 0, -1, blue, 5), arrow_head(16, 29, 0, 1, blue, 5),
        arrow_head(3, 16, -1, 0, blue, 5), arrow_head(29, 16, 1, 0, blue, 5),
    ])
    rect = (f'<rect x="6" y="8" width="18" height="14" fill="#cfe0ff" fill-opacity="0.6" '
            f'stroke="{blue}" stroke-width="1.6" stroke-dasharray="3 2"/>'
            + magnifier(22, 21, 4.5, blue, "+"))
    xbig = "\n".join([
        f'<path d="M 6 16 H 26" stroke="{blue}" stroke-width="2.4"/>',
        arrow_head(3, 16, -1, 0, blue, 5), arrow_head(29, 16, 1, 0, blue, 5),
        f'<path d="M 6 8 V 24 M 26 8 V 24" stroke="{blue}" stroke-width="1.4"/>',
    ])
    ybig = "\n".join([
        f'<path d="M 16 6 V 26" stroke="{blue}" stroke-width="2.4"/>',
        arrow_head(16, 3, 0, -1, blue, 5), arrow_head(16, 29, 0, 1, blue, 5),
        f'<path d="M 8 6 H 24 M 8 26 H 24" stroke="{blue}" stroke-width="1.4"/>',
    ])
    big = magnifier(13, 13, 8, blue, "+")
    small = magnifier(13, 13, 8, blue, "-")
    show = (f'<path d="M 3 24 L 9 17 L 15 20 L 22 9 L 29 13" fill="none" stroke="#2f8f3a" '
            f'stroke-width="1.8"/>'
            f'<path d="M 22 3 V 29 M 3 9 H 29" stroke="{blue}" stroke-width="1" '
            f'stroke-dasharray="2 1.5"/>'
            f'<circle cx="22" cy="9" r="3" fill="#ffffff" stroke="#c0262d" stroke-width="1.8"/>')
    fft = "\n".join(
        f'<rect x="{4 + i * 5}" y="{27 - h}" width="3.5" height="{h}" fill="{blue}"/>'
        for i, h in enumerate([6, 18, 23, 12, 8, 4])
    ) + '<path d="M 3 27.5 H 30" stroke="#333" stroke-width="1"/>'
    every = "\n".join([
        f'<rect x="9" y="9" width="14" height="14" fill="#cfe0ff" stroke="{blue}" stroke-width="1.6"/>',
        f'<path d="M 9 9 L 4 4 M 23 9 L 28 4 M 9 23 L 4 28 M 23 23 L 28 28" stroke="{blue}" '
        f'stroke-width="1.8"/>',
        arrow_head(3, 3, -0.707, -0.707, blue, 4), arrow_head(29, 3, 0.707, -0.707, blue, 4),
        arrow_head(3, 29, -0.707, 0.707, blue, 4), arrow_head(29, 29, 0.707, 0.707, blue, 4),
    ])
    return {"move": move, "rect": rect, "xbig": xbig, "ybig": ybig, "big": big,
            "small": small, "show": show, "fft": fft, "all": every}


def write_tools():
    for name, drawing in tool_drawings("#1f5fbf").items():
        save(f"tool_{name}", tool_frame(drawing))
    # Cursors: black strokes with a white halo so they show on any background.
    cursors = {
        "move": tool_drawings("#000000")["move"],
        "rect": '<path d="M 16 2 V 30 M 2 16 H 30" stroke="#000" stroke-width="1.4"/>'
                '<rect x="19" y="19" width="9" height="7" fill="none" stroke="#000" '
                'stroke-dasharray="2 1.5"/>',
        "xbig": '<path d="M 16 9 V 23" stroke="#000" stroke-width="1.4"/>'
                '<path d="M 5 16 H 27" stroke="#000" stroke-width="2"/>'
                + arrow_head(2, 16, -1, 0, "#000", 5) + arrow_head(30, 16, 1, 0, "#000", 5),
        "ybig": '<path d="M 9 16 H 23" stroke="#000" stroke-width="1.4"/>'
                '<path d="M 16 5 V 27" stroke="#000" stroke-width="2"/>'
                + arrow_head(16, 2, 0, -1, "#000", 5) + arrow_head(16, 30, 0, 1, "#000", 5),
        "big": magnifier(12, 12, 8, "#000", "+"),
        "small": magnifier(12, 12, 8, "#000", "-"),
        "fft": '<path d="M 16 2 V 30 M 2 16 H 30" stroke="#000" stroke-width="1.4"/>'
               + "".join(f'<rect x="{19 + i * 3}" y="{29 - h}" width="2" height="{h}" fill="#000"/>'
                         for i, h in enumerate([4, 9, 6, 3])),
    }
    for name, drawing in cursors.items():
        halo = (drawing.replace('stroke="#000"', 'stroke="#fff"')
                .replace('stroke="#000000"', 'stroke="#ffffff"')
                .replace('fill="#000"', 'fill="#fff"').replace('fill="#000000"', 'fill="#ffffff"'))
        halo = f'<g transform="translate(0,0)" stroke-width="4" opacity="0.9">{halo}</g>'
        widened = halo.replace('stroke-width="1.4"', 'stroke-width="3.6"').replace(
            'stroke-width="2"', 'stroke-width="4.2"').replace('stroke-width="2.4"',
                                                              'stroke-width="4.6"')
        save(f"cursor_{name}", svg(32, 32, widened + drawing))


# ---------------------------------------------------------------------------
# Main toolbar (32 x 32) and the application icon


def write_toolbar():
    pictures = {
        "tb_open": (
            '<path d="M 3 9 H 12 L 14 12 H 27 V 26 H 3 Z" fill="#e8b339" stroke="#8a6212"/>'
            '<path d="M 3 26 L 8 15 H 30 L 26 26 Z" fill="#f6cf5f" stroke="#8a6212"/>'),
        "tb_save": (
            '<rect x="4" y="4" width="24" height="24" rx="2" fill="#3f64a8" stroke="#1e3766"/>'
            '<rect x="9" y="4" width="14" height="9" fill="#e9eef6"/>'
            '<rect x="18" y="5.5" width="3" height="6" fill="#3f64a8"/>'
            '<rect x="8" y="17" width="16" height="11" fill="#f5f5f5"/>'
            '<path d="M 10 20.5 H 22 M 10 24 H 22" stroke="#9aa6b8"/>'),
        "tb_export": (
            '<rect x="3" y="4" width="20" height="24" fill="#ffffff" stroke="#2d7a3e"/>'
            '<path d="M 3 10 H 23 M 3 16 H 23 M 3 22 H 23 M 10 4 V 28 M 16.5 4 V 28" '
            'stroke="#7fbf8a"/>'
            '<path d="M 16 16 H 26 V 11 L 31 18 L 26 25 V 20 H 16 Z" fill="#2d9a46" '
            'stroke="#1b5e2b"/>'),
        "tb_start": (
            '<circle cx="16" cy="16" r="13" fill="#2f9e44" stroke="#1b5e2b"/>'
            '<path d="M 12 9 L 24 16 L 12 23 Z" fill="#ffffff"/>'),
        "tb_stop": (
            '<circle cx="16" cy="16" r="13" fill="#d0312d" stroke="#7a1512"/>'
            '<rect x="10.5" y="10.5" width="11" height="11" fill="#ffffff"/>'),
        "tb_print": (
            '<rect x="8" y="3" width="16" height="10" fill="#ffffff" stroke="#555"/>'
            '<path d="M 10 10 L 13 7 L 16 9 L 21 5" fill="none" stroke="#1f5fbf" stroke-width="1.4"/>'
            '<rect x="3" y="12" width="26" height="11" rx="2" fill="#6d7680" stroke="#3a4047"/>'
            '<rect x="8" y="19" width="16" height="10" fill="#ffffff" stroke="#555"/>'
            '<path d="M 10 24 L 13 22 L 16 25 L 22 21" fill="none" stroke="#1f5fbf" stroke-width="1.4"/>'
            '<circle cx="25" cy="16" r="1.3" fill="#7fe07f"/>'),
        "tb_help": (
            '<circle cx="16" cy="16" r="13" fill="#2f6fd0" stroke="#173f80"/>'
            + text(16, 23, "?", 20, "#ffffff", "middle")),
    }
    for name, drawing in pictures.items():
        save(name, svg(32, 32, drawing))


def write_app_icon():
    body = (
        '<rect x="6" y="1" width="36" height="46" rx="7" fill="#d88a1e" stroke="#6b420a"/>'
        '<rect x="10" y="4" width="28" height="40" rx="4" fill="#30353b"/>'
        f'<rect x="13" y="7" width="22" height="13" fill="{LCD}"/>'
        + text(24, 17.5, "8.88", 10, INK, "middle")
        + '<circle cx="24" cy="31" r="7" fill="#1a1d20" stroke="#6b737c"/>'
          '<path d="M 24 31 L 28 26" stroke="#f7f7f2" stroke-width="2" stroke-linecap="round"/>'
          '<circle cx="17" cy="41" r="1.6" fill="#c0262d"/><circle cx="24" cy="41" r="1.6" '
          'fill="#111"/><circle cx="31" cy="41" r="1.6" fill="#c0262d"/>'
    )
    save("app_icon", svg(48, 48, body))


def write_qrc():
    lines = ['<!DOCTYPE RCC>', '<RCC version="1.0">', '<qresource prefix="/">']
    lines += [f"    <file>art/{name}.svg</file>" for name in sorted(written)]
    lines += ["</qresource>", "</RCC>", ""]
    with open(os.path.join(HERE, "vavirir.qrc"), "w", encoding="utf-8") as out:
        out.write("\n".join(lines))


def main():
    write_meter_body()
    for position in range(11):
        write_dial(position)
    write_unit_labels()
    write_annunciators()
    write_tools()
    write_toolbar()
    write_app_icon()
    write_qrc()
    print(f"wrote {len(written)} pictures")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the add-in's icon sources (res/icons/*.svg) from a few shared shapes, so
that the pictures keep one palette and one grid. Run it after changing a shape and commit its output;
the build renders the .svg files and never runs this script.

Every picture is drawn on a 16-unit grid: outlines sit on half units so that 1-unit strokes fall on
whole pixels at 16 px (and on two whole pixels at 32 px)."""
import math
import os

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "res", "icons")

# Palette: a flat, Office-like set.
INK = "#424242"
LINE = "#616161"
MUTED = "#9E9E9E"
PALE = "#E0E0E0"
PAPER = "#FFFFFF"
BLUE = "#0F6CBD"
BLUE_DARK = "#0C4F8A"
BLUE_PALE = "#CFE4FA"
GREEN = "#107C10"
AMBER = "#FFB900"
AMBER_DARK = "#B37A00"
RED = "#D13438"
GREY = "#8A8A8A"


def svg(body):
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">\n'
            + "".join("  " + line + "\n" for line in body) + "</svg>\n")


def write(name, body):
    with open(os.path.join(HERE, name + ".svg"), "w") as f:
        f.write(svg(body))


# ---- shared shapes ----

def page(dx=0):
    return [f'<path d="M{3.5 + dx} 1.5h6l3 3v10h-9z" fill="{PAPER}" stroke="{LINE}" stroke-linejoin="round"/>',
            f'<path d="M{9.5 + dx} 1.5v3h3" fill="{PALE}" stroke="{LINE}" stroke-linejoin="round"/>']


def badge_ring(cx=12, cy=12, r=3.5):
    # A white ring cuts the badge free of the picture below it.
    return [f'<circle cx="{cx}" cy="{cy}" r="{r + 1}" fill="{PAPER}"/>']


def badge_check(fill=GREEN):
    return badge_ring() + [f'<circle cx="12" cy="12" r="3.5" fill="{fill}"/>',
                           f'<path d="M10.3 12.1l1.2 1.2 2.2-2.4" fill="none" stroke="{PAPER}" stroke-width="1.2" '
                           'stroke-linecap="round" stroke-linejoin="round"/>']


def badge_cross():
    return badge_ring() + [f'<circle cx="12" cy="12" r="3.5" fill="{RED}"/>',
                           f'<path d="M10.6 10.6l2.8 2.8m0-2.8l-2.8 2.8" stroke="{PAPER}" stroke-width="1.2" '
                           'stroke-linecap="round"/>']


def badge_alert():
    return badge_ring() + [f'<circle cx="12" cy="12" r="3.5" fill="{AMBER}"/>',
                           f'<path d="M12 10v2.2" stroke="{INK}" stroke-width="1.2" stroke-linecap="round"/>',
                           f'<circle cx="12" cy="14" r="0.7" fill="{INK}"/>']


def badge_clock():
    return badge_ring() + [f'<circle cx="12" cy="12" r="3.5" fill="{PAPER}" stroke="{LINE}"/>',
                           f'<path d="M12 10.2V12h1.5" fill="none" stroke="{LINE}" stroke-linecap="round" '
                           'stroke-linejoin="round"/>']


def badge_slash():
    return badge_ring() + [f'<circle cx="12" cy="12" r="3" fill="{PAPER}" stroke="{GREY}" stroke-width="1.2"/>',
                           f'<path d="M10 14l4-4" stroke="{GREY}" stroke-width="1.2"/>']


def badge_arrow(up):
    d = "M12 14v-4m-1.6 1.6L12 10l1.6 1.6" if up else "M12 10v4m-1.6-1.6L12 14l1.6-1.6"
    return badge_ring() + [f'<circle cx="12" cy="12" r="3.5" fill="{BLUE}"/>',
                           f'<path d="{d}" fill="none" stroke="{PAPER}" stroke-width="1.1" stroke-linecap="round" '
                           'stroke-linejoin="round"/>']


def badge_part():
    # Some of the links are done: a half-filled dial.
    return badge_ring() + [f'<circle cx="12" cy="12" r="3" fill="{PAPER}" stroke="{GREEN}"/>',
                           f'<path d="M12 9.5a2.5 2.5 0 0 1 0 5z" fill="{GREEN}"/>']


def pin(fill, stroke, dot):
    return [f'<path d="M6.5 14.5S2 9.6 2 5.9a4.5 4.5 0 0 1 9 0c0 3.7-4.5 8.6-4.5 8.6z" fill="{fill}" '
            f'stroke="{stroke}" stroke-linejoin="round"/>',
            f'<circle cx="6.5" cy="5.9" r="1.7" fill="{dot}"/>']


def chain(colour):
    # Two interlocked links on the rising diagonal, leaving the lower right free for a badge.
    return [f'<g transform="rotate(-45 7.5 7.5)" fill="none" stroke="{colour}" stroke-width="1.6">',
            '  <rect x="0.8" y="5.2" width="8" height="4.6" rx="2.3"/>',
            '  <rect x="6.2" y="5.2" width="8" height="4.6" rx="2.3"/>',
            '</g>']


def circle_sign(fill, glyph):
    return [f'<circle cx="8" cy="8" r="7" fill="{fill}"/>'] + glyph


def arc(cx, cy, r, start, sweep):
    a0, a1 = math.radians(start), math.radians(start + sweep)
    x0, y0 = cx + r * math.sin(a0), cy - r * math.cos(a0)
    x1, y1 = cx + r * math.sin(a1), cy - r * math.cos(a1)
    large = 1 if sweep > 180 else 0
    return f"M{x0:.2f} {y0:.2f}A{r} {r} 0 {large} 1 {x1:.2f} {y1:.2f}"


def gear(cx, cy, outer, inner, hole, teeth):
    pts = []
    step = 2 * math.pi / teeth
    for i in range(teeth):
        a = i * step
        for da, r in ((-0.30, inner), (-0.17, outer), (0.17, outer), (0.30, inner)):
            pts.append((cx + r * math.sin(a + da * step * 1.6), cy - r * math.cos(a + da * step * 1.6)))
    d = "M" + "L".join(f"{x:.2f} {y:.2f}" for x, y in pts) + "Z"
    d += f"M{cx + hole} {cy}a{hole} {hole} 0 1 0 -{2 * hole} 0a{hole} {hole} 0 1 0 {2 * hole} 0z"
    return d


# ---- scroll and dialog buttons ----

write("scroll-up", [f'<path d="M8 5l4.5 5.5h-9z" fill="{INK}" stroke="{INK}" stroke-linejoin="round"/>'])
write("scroll-down", [f'<path d="M8 11L3.5 5.5h9z" fill="{INK}" stroke="{INK}" stroke-linejoin="round"/>'])
write("dialog-launcher", [
    f'<path d="M7.5 2.5h-5v11h11v-5" fill="none" stroke="{LINE}"/>',
    f'<path d="M6 6l6.5 6.5M13 8.5V13H8.5" fill="none" stroke="{BLUE}" stroke-width="1.4" stroke-linecap="round" '
    'stroke-linejoin="round"/>'])
write("details", page(-1) + [
    f'<path d="M4.5 6.5h4M4.5 8.5h3M4.5 10.5h2" stroke="{MUTED}"/>',
    f'<circle cx="10.5" cy="10" r="2.8" fill="{PAPER}" stroke="{BLUE}" stroke-width="1.4"/>',
    f'<path d="M12.5 12l2.3 2.3" stroke="{BLUE}" stroke-width="1.8" stroke-linecap="round"/>'])

# ---- message formats and message views ----

write("format-text", page() + [f'<path d="M5 6.5h6M5 8.5h6M5 10.5h6M5 12.5h4" stroke="{MUTED}"/>'])
write("format-html", page() + [
    f'<path d="M6.6 7.2L4.9 9.6l1.7 2.4M9.4 7.2l1.7 2.4-1.7 2.4" fill="none" stroke="{BLUE}" stroke-width="1.3" '
    'stroke-linecap="round" stroke-linejoin="round"/>'])
write("format-rtf", page() + [
    f'<path d="M5.3 11L8 4.8l2.7 6.2M6.3 9h3.4" fill="none" stroke="{BLUE_DARK}" stroke-width="1.3" '
    'stroke-linecap="round" stroke-linejoin="round"/>',
    f'<rect x="5" y="12" width="6" height="1.3" fill="{RED}"/>'])
write("message-header", [
    f'<rect x="1.5" y="2.5" width="13" height="11" rx="1" fill="{PAPER}" stroke="{LINE}"/>',
    f'<path d="M2 3.5h12V5H2z" fill="{BLUE}"/>',
    f'<path d="M3 7.5h2M3 9.5h2M3 11.5h2" stroke="{BLUE}"/>',
    f'<path d="M6 7.5h7M6 9.5h6M6 11.5h5" stroke="{MUTED}"/>'])
write("plain-text", page() + [f'<path d="M5 6h6v1.5H8.8V13H7.2V7.5H5z" fill="{INK}"/>'])

# ---- status, preferences and help ----

SHIELD = "M8 1.5l5.5 2v4c0 3.4-2.3 5.8-5.5 7-3.2-1.2-5.5-3.6-5.5-7v-4z"
write("status", [f'<path d="{SHIELD}" fill="{BLUE}" stroke="{BLUE_DARK}" stroke-linejoin="round"/>',
                 f'<path d="M5.6 8.1l1.7 1.7 3.2-3.4" fill="none" stroke="{PAPER}" stroke-width="1.4" '
                 'stroke-linecap="round" stroke-linejoin="round"/>'])
write("status-ok", circle_sign(GREEN, [
    f'<path d="M4.8 8.3l2.1 2.1 4.3-4.6" fill="none" stroke="{PAPER}" stroke-width="1.6" stroke-linecap="round" '
    'stroke-linejoin="round"/>']))
write("status-warning", [
    f'<path d="M8 1.8l6.6 11.6H1.4z" fill="{AMBER}" stroke="{AMBER_DARK}" stroke-linejoin="round"/>',
    f'<path d="M8 5.8v3.6" stroke="{INK}" stroke-width="1.5" stroke-linecap="round"/>',
    f'<circle cx="8" cy="11.4" r="0.85" fill="{INK}"/>'])
write("status-danger", [
    f'<path d="M5.1 1h5.8L15 5.1v5.8L10.9 15H5.1L1 10.9V5.1z" fill="{RED}"/>',
    f'<path d="M5.7 5.7l4.6 4.6m0-4.6l-4.6 4.6" stroke="{PAPER}" stroke-width="1.6" stroke-linecap="round"/>'])
write("status-none", circle_sign(PALE, [
    f'<circle cx="8" cy="8" r="6.5" fill="none" stroke="{GREY}"/>',
    f'<path d="M5 8h6" stroke="{GREY}" stroke-width="1.6" stroke-linecap="round"/>']))
write("options", [f'<path d="{gear(7, 7, 6.2, 4.6, 2, 8)}" fill="{LINE}" fill-rule="evenodd"/>'] + badge_check())
write("help", circle_sign(BLUE, [
    f'<path d="M6 6.1C6 4.9 6.9 4 8 4s2 .8 2 1.9c0 1.6-2 1.7-2 3.5" fill="none" stroke="{PAPER}" '
    'stroke-width="1.6" stroke-linecap="round" stroke-linejoin="round"/>',
    f'<circle cx="8" cy="11.8" r="1" fill="{PAPER}"/>']))
write("about", circle_sign(BLUE, [
    f'<circle cx="8" cy="4.8" r="1" fill="{PAPER}"/>',
    f'<rect x="7.2" y="6.8" width="1.6" height="5.2" rx="0.8" fill="{PAPER}"/>']))

# ---- location states ----

write("location-pending", pin(PAPER, GREY, GREY) + badge_clock())
write("location-requesting", pin(BLUE_PALE, BLUE, BLUE) + badge_arrow(True))
write("location-loading", pin(BLUE, BLUE_DARK, PAPER) + badge_arrow(False))
write("location-done", pin(BLUE, BLUE_DARK, PAPER) + badge_check())
write("location-failed", pin(PAPER, GREY, GREY) + badge_cross())
write("location-aborted", pin(PAPER, GREY, GREY) + badge_slash())
write("location-quota", pin(PAPER, GREY, GREY) + badge_alert())

# ---- link galleries ----

write("links-done", chain(BLUE) + badge_check())
write("links-none", chain(GREY))
write("links-some", chain(BLUE) + badge_part())

# ---- the busy animation: a ring whose arc turns once over the frames ----

FRAMES = 23
for i in range(FRAMES):
    start = 360.0 * i / FRAMES
    write(f"busy-{i:02d}", [
        f'<circle cx="8" cy="8" r="5.5" fill="none" stroke="{BLUE_PALE}" stroke-width="2"/>',
        f'<path d="{arc(8, 8, 5.5, start, 110)}" fill="none" stroke="{BLUE}" stroke-width="2" '
        'stroke-linecap="round"/>'])
write("busy-idle", [f'<circle cx="8" cy="8" r="5.5" fill="none" stroke="#BDBDBD" stroke-width="2"/>'])

#!/usr/bin/env python3
"""Makes the `ordinary-*` crops of bench/data/ocr again.

Run inside scripts/with-desktop (1280x800, no compositor):
    scripts/with-desktop python3 bench/data/ocr/ordinary.py OUT_FOLDER
It writes ordinary.html beside itself, renders it with
`chromium --headless --screenshot`, opens xterm, mousepad, gedit and zenity
on the same display, and crops each box a few pixels round its ink (the
edge boxes closer on one side) into OUT_FOLDER, with truth rows in
OUT_FOLDER/truth.tsv. Boxes in the real programs are placed from the
`tesseract` command line's line boxes on a picture of the window.
"""

import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else ".")

# Page cells: name, ground, style of the text, html, truth, box margins
# (left, top, right, bottom). A cell is a slot of 500 x 120 pixels of its
# ground; its box is cut round the ink inside the slot.
LIGHT, DARK, SLATE = "#ffffff", "#1e1f24", "#22272e"
M = (6, 6, 6, 6)
SANS, SERIF = "'DejaVu Sans'", "'DejaVu Serif'"
NSANS, NROMAN, GOTHIC = "'Nimbus Sans'", "'Nimbus Roman'", "'URW Gothic'"

def small(text, size=11, colour="#666"):
    return f'<div style="font-size:{size}px;color:{colour};line-height:1.15">{text}</div>'

def big(text, size, colour="#222", weight="normal"):
    return f'<div style="font-size:{size}px;color:{colour};font-weight:{weight};line-height:1.15">{text}</div>'

def badge(label, text, hue, size=14, fg="#fff"):
    return (f'{label}<span style="display:inline-block;margin-left:8px;padding:2px 9px;border-radius:10px;'
            f'background:{hue};color:{fg};font-size:{size - 1}px;font-weight:bold">{text}</span>')

CELLS = [
    # Small lines 0-3 px from the box's top or bottom edge beside large text.
    ("edge-caption-top-0", LIGHT, SANS, small("Updated 5 min ago") + big("1,284 visitors", 32),
     "Updated 5 min ago\\n1,284 visitors", (6, 0, 6, 6)),
    ("edge-caption-top-2-dark", DARK, SANS, small("Last sync 14:02", 12, "#9aa0a6") + big("Backup complete", 28, "#e8eaed"),
     "Last sync 14:02\\nBackup complete", (6, 2, 6, 6)),
    ("edge-note-bottom-1", LIGHT, NSANS, big("€84.90", 36, "#111", "bold") + small("incl. VAT 19%", 10),
     "€84.90\\nincl. VAT 19%", (6, 6, 6, 1)),
    ("edge-note-bottom-3-serif", LIGHT, SERIF, big("Room 12", 30) + small("Floor 3, east wing", 11),
     "Room 12\\nFloor 3, east wing", (6, 6, 6, 3)),
    ("edge-both-1", LIGHT, NROMAN, small("Step 2 of 5", 12) + big("Choose a plan", 26) + small("You can change it later", 12),
     "Step 2 of 5\\nChoose a plan\\nYou can change it later", (6, 1, 6, 1)),
    ("edge-note-bottom-0-dark", SLATE, GOTHIC, big("73 km", 40, "#adbac7") + small("left on this charge", 12, "#768390"),
     "73 km\\nleft on this charge", (6, 6, 6, 0)),
    ("edge-total-tight", LIGHT, SANS, big("Total", 36, "#222", "bold"),
     "Total", (6, 1, 3, 1)),
    # Exponents, footnote marks.
    ("exponent-tera", LIGHT, SANS, big("10<sup>12</sup> bytes in a terabyte", 20),
     "10¹² bytes in a terabyte", M),
    ("exponent-mc2-serif", LIGHT, SERIF, big("E = mc<sup>2</sup>", 28),
     "E = mc²", M),
    ("exponent-power", LIGHT, NSANS, big("2<sup>10</sup> = 1024", 24),
     "2¹⁰ = 1024", M),
    ("exponent-area-dark", DARK, SANS, big("Area: 48 m<sup>2</sup>", 18, "#e8e8e8"),
     "Area: 48 m²", M),
    ("footnote-battery", LIGHT, SANS, big("Battery life<sup>1</sup> up to 18 hours", 16),
     "Battery life¹ up to 18 hours", M),
    ("footnote-revenue-serif", LIGHT, SERIF, big("Revenue rose 12%<sup>3</sup> in May", 15),
     "Revenue rose 12%³ in May", M),
    ("footnote-items-dark", SLATE, NSANS, big("Total 24 items<sup>2</sup>", 22, "#adbac7"),
     "Total 24 items²", M),
    # Times whose minutes are set small and raised.
    ("time-raised-departs", LIGHT, SANS, big("Departs 10<sup>45</sup>", 26),
     "Departs 10⁴⁵", M),
    ("time-raised-opens-serif", LIGHT, SERIF, big("Opens at 9<sup>30</sup> am", 20),
     "Opens at 9³⁰ am", M),
    ("time-raised-last-dark", DARK, GOTHIC, big('Last train 23<sup style="font-size:60%">15</sup>', 30, "#e8e8e8"),
     "Last train 23¹⁵", M),
    # Ranks.
    ("rank-first", LIGHT, SANS, big("1<sup>st</sup> place", 28, "#222", "bold"),
     "1st place", M),
    ("rank-second-serif", LIGHT, SERIF, big("Ranked 2<sup>nd</sup> of 48", 16),
     "Ranked 2nd of 48", M),
    ("rank-hash", LIGHT, NSANS, big("#3 in Books", 14),
     "#3 in Books", M),
    ("paper-a0", LIGHT, SANS, big("Poster A0, 2 copies", 18),
     "Poster A0, 2 copies", M),
    # Bars between words.
    ("bar-menu", LIGHT, SANS, big("Home | Products | Contact", 14, "#1a0dab"),
     "Home | Products | Contact", M),
    ("bar-sizes-dark", DARK, SANS, big("12 files | 3 folders | 4.2 MB", 16, "#e8e8e8"),
     "12 files | 3 folders | 4.2 MB", M),
    ("bar-serif", LIGHT, SERIF, big("Size: L | Colour: blue", 18),
     "Size: L | Colour: blue", M),
    # Ranges.
    ("range-ages", LIGHT, SANS, big("Ages 10-20", 18),
     "Ages 10-20", M),
    ("range-pages-serif", LIGHT, SERIF, big("pages 10–20", 16),
     "pages 10–20", M),
    ("range-hours-dark", SLATE, SANS, big("Mon–Fri 08:00–18:00", 15, "#adbac7"),
     "Mon–Fri 08:00–18:00", M),
    ("range-spaced", LIGHT, NSANS, big("Delivery in 2 – 4 days", 20),
     "Delivery in 2 – 4 days", M),
    # Signs before currencies, and after.
    ("sign-refund", LIGHT, SANS, big("Refund −$12.50", 20),
     "Refund −$12.50", M),
    ("sign-fee-euro", LIGHT, NSANS, big("Fee -€4,20", 18),
     "Fee -€4,20", M),
    ("sign-change-after", LIGHT, SERIF, big("Change −3,75 €", 22),
     "Change −3,75 €", M),
    ("sign-dollar-first-dark", DARK, SANS, big("Adjustment $−7.25", 17, "#e8e8e8"),
     "Adjustment $−7.25", M),
    # Digits grouped by thin spaces.
    ("thin-population", LIGHT, SANS, big("Population 1\u2009234\u2009567", 20),
     "Population 1\u2009234\u2009567", M),
    ("thin-total-serif", LIGHT, SERIF, big("Total 12\u202f500,00 €", 18),
     "Total 12\u202f500,00 €", M),
    ("thin-distance-dark", DARK, NSANS, big("Distance 384\u2009400 km", 16, "#e8e8e8"),
     "Distance 384\u2009400 km", M),
    # Light text on badges of several hues.
    ("badge-blue", LIGHT, SANS, big(badge("Inbox", "12", "#1a73e8"), 14),
     "Inbox 12", M),
    ("badge-orange", LIGHT, SANS, big(badge("Updates", "3 new", "#e67e22"), 15),
     "Updates 3 new", M),
    ("badge-purple", LIGHT, NSANS, big(badge("Version", "v2.4.1", "#8e44ad"), 16),
     "Version v2.4.1", M),
    ("badge-teal", LIGHT, SANS, big(badge("Build 418", "passed", "#17a2b8"), 13),
     "Build 418 passed", M),
    ("badge-green", LIGHT, SERIF, big(badge("Seats", "8 left", "#43a047"), 18),
     "Seats 8 left", M),
    ("badge-pink-dark", DARK, SANS, big(badge('<span style="color:#e8e8e8">Alerts</span>', "27", "#d81b60"), 14),
     "Alerts 27", M),
]

SLOT_W, SLOT_H, COLS = 500, 120, 2


def page():
    rows = ['<!doctype html><html><head><meta charset="utf-8"><style>',
            'body{margin:0;background:#fff}',
            '.s{position:absolute;width:500px;height:120px}',
            '.t{position:absolute;left:24px;top:24px;white-space:nowrap}',
            '</style></head><body>']
    for i, (name, ground, family, html, _, _) in enumerate(CELLS):
        x, y = (i % COLS) * SLOT_W, (i // COLS) * SLOT_H
        rows.append(f'<div class="s" style="left:{x}px;top:{y}px;background:{ground}">'
                    f'<div class="t" style="font-family:{family}">{html}</div></div><!-- {name} -->')
    rows.append('</body></html>')
    return "\n".join(rows) + "\n"


def run(*args, **kw):
    return subprocess.run(args, check=True, capture_output=True, text=True, **kw).stdout


def ink_box(picture, x, y, w, h):
    """The box of what differs from the slot's corner within (x, y, w, h)."""
    out = run("convert", picture, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-fuzz", "4%", "-trim", "-format",
              "%w %h %X %Y", "info:")
    iw, ih, ix, iy = (int(v) for v in out.replace("+", " ").split())
    return x + ix, y + iy, iw, ih


def crop(picture, name, box, margins, truth, rows):
    x, y, w, h = box
    l, t, r, b = margins
    run("convert", picture, "-crop", f"{w + l + r}x{h + t + b}+{x - l}+{y - t}", "+repage",
        "-strip", "-define", "png:color-type=2", os.path.join(OUT, f"ordinary-{name}.png"))
    rows.append(f"ordinary-{name}.png\tordinary\t{truth}")


def web(rows):
    html = os.path.join(HERE, "ordinary.html")
    with open(html, "w", encoding="utf-8") as f:
        f.write(page())
    shot = os.path.join(OUT, "page.png")
    height = SLOT_H * ((len(CELLS) + COLS - 1) // COLS)
    run("chromium", "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
        "--force-device-scale-factor=1", f"--window-size={SLOT_W * COLS},{height}",
        f"--screenshot={shot}", "file://" + html)
    for i, (name, _, _, _, truth, margins) in enumerate(CELLS):
        x, y = (i % COLS) * SLOT_W, (i // COLS) * SLOT_H
        crop(shot, name, ink_box(shot, x + 8, y + 8, SLOT_W - 16, SLOT_H - 16), margins, truth, rows)


# Real programs: each shows `lines`; boxes are placed on the lines the
# `tesseract` command line finds in a picture of the screen holding a key.
PROGRAMS = [
    # (name, how to start it with the file of lines, settings, lines, [(crop, keys, margins, truth)])
    ("xterm-fixed", ["xterm", "-geometry", "60x8+40+40", "-e", "sh", "-c", 'cat "$0"; sleep 120'], [],
     ["tests 12 passed | 0 failed | 3 skipped", "retry in 10-20 s", "fee -$5.00, refund $-2.50",
      'status "done" in 4 s', ""],
     [("term-fixed-bars", ["passed"], (2, 2, 2, 2), "tests 12 passed | 0 failed | 3 skipped"),
      ("term-fixed-range", ["retry"], (2, 2, 2, 2), "retry in 10-20 s"),
      ("term-fixed-signs", ["refund"], (2, 2, 2, 2), "fee -$5.00, refund $-2.50"),
      ("term-fixed-quote", ["status"], (2, 2, 2, 2), 'status "done" in 4 s')]),
    ("xterm-mono-dark", ["xterm", "-rv", "-fa", "DejaVu Sans Mono", "-fs", "12", "-geometry", "60x8+40+40", "-e",
                         "sh", "-c", 'cat "$0"; sleep 120'], [],
     ["cpu 42% | mem 3.1 GB | up 2 days", "ports 8000-8080 open", "1st run: 2 450 files", ""],
     [("term-mono-dark-bars", ["cpu"], (3, 2, 3, 2), "cpu 42% | mem 3.1 GB | up 2 days"),
      ("term-mono-dark-range", ["ports"], (3, 2, 3, 2), "ports 8000-8080 open"),
      ("term-mono-dark-first", ["run"], (3, 2, 3, 2), "1st run: 2 450 files")]),
    ("mousepad", ["mousepad"], [("org.xfce.mousepad.preferences.view", "use-default-monospace-font", "false"),
                                ("org.xfce.mousepad.preferences.view", "font-name", "Nimbus Sans 14"),
                                ("org.xfce.mousepad.preferences.view", "color-scheme", "classic")],
     ["Attendees: 10-20 per session", "Budget −$1,200.00 | spent $845.50", "Population 1\u2009234\u2009567", "", ""],
     [("mousepad-range", ["Attendees"], (4, 3, 4, 3), "Attendees: 10-20 per session"),
      ("mousepad-budget", ["Budget"], (4, 3, 4, 3), "Budget −$1,200.00 | spent $845.50"),
      ("mousepad-block", ["Attendees", "Budget", "Population"], (4, 3, 4, 3),
       "Attendees: 10-20 per session\\nBudget −$1,200.00 | spent $845.50\\nPopulation 1\u2009234\u2009567")]),
    ("gedit-dark", ["gedit"], [("org.gnome.gedit.preferences.editor", "use-default-font", "false"),
                               ("org.gnome.gedit.preferences.editor", "editor-font", "DejaVu Serif 13"),
                               ("org.gnome.gedit.preferences.editor", "scheme", "oblivion")],
     ["Chapter 3 | pages 45–67", "Balance -€310,40 after fees", "Rank 2nd of 12 teams", "", ""],
     [("gedit-dark-chapter", ["Chapter"], (4, 2, 4, 2), "Chapter 3 | pages 45–67"),
      ("gedit-dark-balance", ["Balance"], (4, 2, 4, 2), "Balance -€310,40 after fees"),
      ("gedit-dark-rank", ["Rank"], (4, 2, 4, 2), "Rank 2nd of 12 teams")]),
    ("zenity", ["zenity", "--info", "--title=Export", "--text",
                "<span size='xx-large'>Export finished</span>\n<small>12 files | 3 skipped | 10–20 s</small>"], [], [],
     [("zenity-small-bottom", ["Export", "skipped"], (5, 4, 5, 1),
       "Export finished\\n12 files | 3 skipped | 10–20 s")]),
    ("zenity-progress", ["zenity", "--progress", "--percentage=40", "--text",
                         "Copying 1\u2009250 files · 2 – 3 min left"], [], [],
     [("zenity-progress-thin", ["Copying"], (4, 3, 4, 3), "Copying 1\u2009250 files · 2 – 3 min left")]),
]


def lines_on_screen(shot):
    """The command line's lines: (words, left, top, right, bottom)."""
    out = run("tesseract", shot, "-", "tsv")
    lines = {}
    for row in out.splitlines()[1:]:
        f = row.split("\t")
        if len(f) < 12 or f[0] != "5" or not f[11].strip():
            continue
        key = tuple(f[1:5])
        l, t, w, h = (int(v) for v in f[6:10])
        words, L, T, R, B = lines.get(key, ("", l, t, l + w, t + h))
        lines[key] = ((words + " " + f[11]).strip(), min(L, l), min(T, t), max(R, l + w), max(B, t + h))
    return list(lines.values())


def ink_rows(shot, x, y, w, h):
    """Boxes of the rows of ink within (x, y, w, h), parted by blank rows."""
    grey = subprocess.run(["convert", shot, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-colorspace", "gray",
                           "-depth", "8", "gray:-"], check=True, capture_output=True).stdout
    ground = max(set(grey), key=grey.count)
    out, top = [], None
    for r in range(h + 1):
        cols = [c for c in range(w) if r < h and abs(grey[r * w + c] - ground) >= 48]
        if len(cols) > w * 0.9:
            cols = []  # the window's own border or scroll bar
        if cols and top is None:
            top, left, right = r, cols[0], cols[-1]
        elif cols:
            left, right = min(left, cols[0]), max(right, cols[-1])
        elif top is not None:
            out.append(("", x + left, y + top, x + right + 1, y + r))
            top = None
    return out


def program(rows, name, command, settings, lines, crops):
    for schema, key, value in settings:
        run("gsettings", "set", schema, key, value)
    path = os.path.join(OUT, f"{name}.txt")
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))
    args = command + ([path] if lines else [])
    shown = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(4)
        if command[0] in ("mousepad", "gedit"):
            # The cursor after the last line, away from the text.
            run("xdotool", "key", "--clearmodifiers", "ctrl+End")
            time.sleep(1)
        shot = os.path.join(OUT, f"{name}.png")
        run("import", "-window", "root", shot)
        window = run("xdotool", "getactivewindow").strip()
        info = {k.strip(): v.strip() for k, v in (line.split(":", 1) for line in
                                                  run("xwininfo", "-id", window).splitlines() if ":" in line)}
        wx, wy, ww, wh = (int(info[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))
        # The command line reads the window three times as large, dark
        # grounds turned over.
        seen = os.path.join(OUT, f"{name}-seen.png")
        run("convert", shot, "-crop", f"{ww}x{wh}+{wx}+{wy}", "+repage", "-colorspace", "gray",
            *(["-negate"] if "dark" in name else []), "-resize", "300%", seen)
        if command[0] == "xterm":
            # A terminal's lines are its rows of ink, in order.
            found = [(line, *box[1:]) for line, box in zip(lines, ink_rows(shot, wx, wy, ww, wh))]
        else:
            found = [(w, wx + l // 3, wy + t // 3, wx + (r + 2) // 3, wy + (b + 2) // 3)
                     for w, l, t, r, b in lines_on_screen(seen)]
        for crop_name, keys, margins, truth in crops:
            boxes = [next(b for b in found if key in b[0]) for key in keys]
            # A dialog's icon beside its text is left out.
            l, t = max(b[1] for b in boxes), min(b[2] for b in boxes)
            r, b = max(b[3] for b in boxes), max(b[4] for b in boxes)
            crop(shot, crop_name, (l, t, r - l, b - t), margins, truth, rows)
    finally:
        shown.terminate()
        shown.wait()


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    rows = []
    web(rows)
    for p in PROGRAMS:
        if len(sys.argv) < 3 or p[0] in sys.argv[2:]:
            program(rows, *p)
    with open(os.path.join(OUT, "truth.tsv"), "w", encoding="utf-8") as f:
        f.write("\n".join(rows) + "\n")

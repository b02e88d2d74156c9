#!/usr/bin/env python3
"""Makes the `tight` set of bench/data/ocr again: whole lines lying on a box's
edge, raised digits after a word that is also a currency code, prices with
raised cents after a code, bordered buttons, progress labels and selections.

Run inside scripts/with-desktop (1280x800, no compositor):
    scripts/with-desktop python3 bench/data/ocr/tight.py OUT_FOLDER
It writes tight.html beside itself, renders it with
`chromium --headless --screenshot` and crops each cell round its ink (the
edge boxes with no margin on their edge side) into OUT_FOLDER, with truth
rows in OUT_FOLDER/truth.tsv.
"""

import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else ".")

LIGHT, DARK = "#ffffff", "#1e1f24"
M = (6, 6, 6, 6)
SANS, SERIF, MONO = "'DejaVu Sans'", "'DejaVu Serif'", "'DejaVu Sans Mono'"
NSANS, NROMAN, GOTHIC = "'Nimbus Sans'", "'Nimbus Roman'", "'URW Gothic'"


def lines(size, *texts, colour="#222"):
    return "".join(f'<div style="font-size:{size}px;color:{colour};line-height:1.3">{t}</div>' for t in texts)


def sup(word, number, cents, size=28):
    return f'<div style="font-size:{size}px;color:#222">{word}{number}<sup style="font-size:55%">{cents}</sup></div>'


def button(text, ground, border, fg, size=14):
    return (f'<span style="display:inline-block;padding:5px 12px;border:1px solid {border};border-radius:4px;'
            f'background:{ground};color:{fg};font-size:{size}px">{text}</span>')


def progress(label, share, size=13, on_bar=False):
    bar = (f'<div style="position:relative;width:220px;height:18px;background:#e0e0e0;border-radius:3px">'
           f'<div style="width:{share}%;height:100%;background:#3584e4;border-radius:3px"></div>')
    if on_bar:
        return bar + (f'<div style="position:absolute;left:0;top:0;width:220px;text-align:center;font-size:{size}px;'
                      f'line-height:18px;color:#111">{label}</div></div>')
    return f'<div style="font-size:{size}px;color:#222;margin-bottom:4px">{label}</div>' + bar + '</div>'


def selected(before, chosen, after, ground, fg, size=15):
    return (f'<div style="font-size:{size}px;color:#222">{before}'
            f'<span style="background:{ground};color:{fg}">{chosen}</span>{after}</div>')


# name, group, ground, family, html, truth, box margins (left, top, right, bottom)
CELLS = [
    # A whole line whose first or last row of ink is the box's edge.
    ("web-edge-line-top-caps", "light", LIGHT, SANS,
     lines(14, "BACKUP FINISHED AT 04:52", "Next run in 6 hours"),
     "BACKUP FINISHED AT 04:52\\nNext run in 6 hours", (6, 0, 6, 6)),
    ("web-edge-line-bottom-caps", "light", LIGHT, NSANS,
     lines(15, "Shipping (tracked) | $4.99", "ORDER 66190 SHIPPED"),
     "Shipping (tracked) | $4.99\\nORDER 66190 SHIPPED", (6, 6, 6, 0)),
    ("web-edge-line-top-xheight", "light", LIGHT, SANS,
     lines(13, "no new messages", "Queue #4 ready"),
     "no new messages\\nQueue #4 ready", (6, 0, 6, 6)),
    ("web-edge-line-top-xheight-serif", "light", LIGHT, SERIF,
     lines(16, "server is up", "Latency 38 ms"),
     "server is up\\nLatency 38 ms", (6, 0, 6, 6)),
    ("web-edge-line-bottom-comma", "light", LIGHT, SANS,
     lines(14, "Paid (May) | $820.00", "Rent due: €1,145.00"),
     "Paid (May) | $820.00\\nRent due: €1,145.00", (6, 6, 6, 0)),
    ("web-edge-line-bottom-caps-dark", "dark", DARK, GOTHIC,
     lines(16, "Load (avg) 0.42", "STATUS: DEGRADED 3", colour="#e8eaed"),
     "Load (avg) 0.42\\nSTATUS: DEGRADED 3", (6, 6, 6, 0)),
    ("web-edge-line-top-digits-mono", "light", LIGHT, MONO,
     lines(13, "2026 12 09 14 30", "jobs left: 17"),
     "2026 12 09 14 30\\njobs left: 17", (6, 0, 6, 6)),
    ("web-edge-line-bottom-xheight-roman", "light", LIGHT, NROMAN,
     lines(17, "Total (net) $312.40", "one more to come"),
     "Total (net) $312.40\\none more to come", (6, 6, 6, 0)),
    # Raised digits after a word that is also a currency code: a footnote.
    ("web-sup-code-top", "ordinary", LIGHT, SANS,
     '<div style="font-size:30px;color:#222;font-weight:bold">TOP 10<sup style="font-size:55%">12</sup> SONGS</div>',
     "TOP 10¹² SONGS", M),
    ("web-sup-code-top-line", "ordinary", LIGHT, NSANS,
     '<div style="font-size:24px;color:#222">TOP 10<sup style="font-size:55%">12</sup> SONGS</div>',
     "TOP 10¹² SONGS", M),
    ("web-sup-code-sos", "ordinary", LIGHT, SERIF,
     '<div style="font-size:24px;color:#222">SOS 3<sup style="font-size:55%">21</sup> CALLS</div>',
     "SOS 3²¹ CALLS", M),
    ("web-sup-code-all", "ordinary", LIGHT, SANS,
     '<div style="font-size:26px;color:#222">ALL 24<sup style="font-size:55%">15</sup> ROOMS</div>',
     "ALL 24¹⁵ ROOMS", M),
    ("web-sup-code-pen", "ordinary", LIGHT, GOTHIC,
     '<div style="font-size:24px;color:#222">PEN 48<sup style="font-size:55%">10</sup> DRAFT</div>',
     "PEN 48¹⁰ DRAFT", M),
    ("web-sup-code-cup", "ordinary", LIGHT, NROMAN,
     '<div style="font-size:28px;color:#222">CUP 2026<sup style="font-size:55%">11</sup> FINAL</div>',
     "CUP 2026¹¹ FINAL", M),
    # Raised cents after a code that names only a currency.
    ("web-sup-code-chf", "shop", LIGHT, SANS, sup("CHF ", "49", "90", 34), "CHF 49.90", M),
    ("web-sup-code-nok", "shop", LIGHT, NSANS, sup("NOK ", "320", "50", 34), "NOK 320.50", M),
    ("web-sup-code-yen", "shop", LIGHT, SERIF, sup("¥", "249", "99", 36), "¥249.99", M),
    # Bordered buttons.
    ("web-button-green-border", "colour", LIGHT, SANS, button("Deploy 14 changes", "#2da44e", "#1a7f37", "#fff"),
     "Deploy 14 changes", M),
    ("web-button-white-border", "colour", LIGHT, NSANS, button("Save 3 files", "#f6f8fa", "#8c959f", "#24292f"),
     "Save 3 files", M),
    ("web-button-blue-border", "colour", LIGHT, SANS, button("Retry in 45 s", "#0969da", "#0550ae", "#fff", 13),
     "Retry in 45 s", M),
    ("web-button-red-border", "colour", LIGHT, GOTHIC, button("Delete 2 items", "#cf222e", "#a40e26", "#fff", 15),
     "Delete 2 items", M),
    # Progress labels.
    ("web-progress-copying", "colour", LIGHT, SANS, progress("Copying 31%", 31), "Copying 31%", M),
    ("web-progress-upload", "colour", LIGHT, NSANS, progress("Uploading 7 of 12 · 58%", 58),
     "Uploading 7 of 12 · 58%", M),
    ("web-progress-on-bar", "colour", LIGHT, SANS, progress("64%", 64, 12, True), "64%", M),
    # Selections.
    ("web-selection-rows", "colour", LIGHT, SANS, selected("Selected rows: ", "27 of 140", "", "#3584e4", "#fff"),
     "Selected rows: 27 of 140", M),
    ("web-selection-light", "colour", LIGHT, NSANS, selected("Balance ", "$1,204.50", " today", "#accef7", "#000"),
     "Balance $1,204.50 today", M),
    ("web-selection-whole", "colour", LIGHT, SERIF, selected("", "Invoice 3318 paid", "", "#3584e4", "#fff", 16),
     "Invoice 3318 paid", M),
]

SLOT_W, SLOT_H, COLS = 500, 120, 2


def page():
    rows = ['<!doctype html><html><head><meta charset="utf-8"><style>',
            'body{margin:0;background:#fff}',
            '.s{position:absolute;width:500px;height:120px}',
            '.t{position:absolute;left:24px;top:24px;white-space:nowrap}',
            '</style></head><body>']
    for i, (name, _, ground, family, html, _, _) in enumerate(CELLS):
        x, y = (i % COLS) * SLOT_W, (i // COLS) * SLOT_H
        rows.append(f'<div class="s" style="left:{x}px;top:{y}px;background:{ground}">'
                    f'<div class="t" style="font-family:{family}">{html}</div></div><!-- {name} -->')
    rows.append('</body></html>')
    return "\n".join(rows) + "\n"


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def ink_box(picture, x, y, w, h):
    """The box of what differs from the slot's corner within (x, y, w, h)."""
    out = run("convert", picture, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-fuzz", "4%", "-trim", "-format",
              "%w %h %X %Y", "info:")
    iw, ih, ix, iy = (int(v) for v in out.replace("+", " ").split())
    return x + ix, y + iy, iw, ih


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    html = os.path.join(HERE, "tight.html")
    with open(html, "w", encoding="utf-8") as f:
        f.write(page())
    shot = os.path.join(OUT, "page.png")
    height = SLOT_H * ((len(CELLS) + COLS - 1) // COLS)
    run("chromium", "--headless=new", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
        "--force-device-scale-factor=1", f"--window-size={SLOT_W * COLS},{height}", f"--screenshot={shot}",
        "file://" + html)
    rows = []
    for i, (name, group, _, _, _, truth, (l, t, r, b)) in enumerate(CELLS):
        sx, sy = (i % COLS) * SLOT_W, (i // COLS) * SLOT_H
        x, y, w, h = ink_box(shot, sx + 8, sy + 8, SLOT_W - 16, SLOT_H - 16)
        run("convert", shot, "-crop", f"{w + l + r}x{h + t + b}+{x - l}+{y - t}", "+repage",
            "-strip", "-define", "png:color-type=2", os.path.join(OUT, f"{name}.png"))
        rows.append(f"{name}.png\t{group}\t{truth}")
    with open(os.path.join(OUT, "truth.tsv"), "w", encoding="utf-8") as f:
        f.write("\n".join(rows) + "\n")

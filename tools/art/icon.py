#!/usr/bin/env python3
"""Renders the program's icon at the sizes a desktop looks for. The icon itself is drawn by hand
as an SVG, dist/icons/hicolor/scalable/apps/io.github.rosterly.Rosterly.svg; this script writes
dist/icons/hicolor/NxN/apps/io.github.rosterly.Rosterly.png beside it for each size, with
rsvg-convert (Debian's librsvg2-bin). The PNGs are committed, so building and installing need no
renderer: run this again after changing the drawing.

    tools/art/icon.py
"""
import pathlib
import shutil
import subprocess
import sys

APP_ID = "io.github.rosterly.Rosterly"
SIZES = (16, 24, 32, 48, 64, 128, 256)
ICONS = pathlib.Path(__file__).resolve().parents[2] / "dist" / "icons" / "hicolor"


def main():
    renderer = shutil.which("rsvg-convert")
    if not renderer:
        sys.exit("icon.py: rsvg-convert is missing (apt-get install librsvg2-bin)")
    drawing = ICONS / "scalable" / "apps" / f"{APP_ID}.svg"
    for size in SIZES:
        target = ICONS / f"{size}x{size}" / "apps" / f"{APP_ID}.png"
        target.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run([renderer, "--width", str(size), "--height", str(size), "--format", "png",
                        "--output", str(target), str(drawing)], check=True)
        print(target.relative_to(ICONS.parents[2]))


if __name__ == "__main__":
    main()

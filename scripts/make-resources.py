#!/usr/bin/env python3
"""Draws the plug-in's three bitmaps (the toolbar picture 101 and the lock pictures LOCKED and
UNLOCKED) as 16 x 16 PNG files into src/resources. Pure standard library, so the pictures can
be remade on any machine; the committed files are what the build embeds."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "src", "resources")

PALETTE = {
    ".": (0, 0, 0, 0),
    "k": (40, 40, 40, 255),
    "r": (200, 60, 50, 255),
    "g": (60, 150, 70, 255),
    "b": (50, 100, 190, 255),
    "y": (220, 170, 40, 255),
    "s": (150, 150, 160, 255),
    "w": (255, 255, 255, 255),
}

PICTURES = {
    "101": [
        "................",
        "................",
        "..........bb....",
        "..........bb....",
        "......gg..bb....",
        "......gg..bb....",
        "......gg..bb....",
        "..rr..gg..bb....",
        "..rr..gg..bb....",
        "..rr..gg..bb....",
        "..rr..gg..bb....",
        "..rr..gg..bb....",
        ".kkkkkkkkkkkkk..",
        "................",
        "................",
        "................",
    ],
    "LOCKED": [
        "................",
        ".....kkkkk......",
        "....k.....k.....",
        "...k.......k....",
        "...k.......k....",
        "...k.......k....",
        "..kkkkkkkkkkk...",
        "..kyyyyyyyyyk...",
        "..kyyyykyyyyk...",
        "..kyyykkkyyyk...",
        "..kyyyykyyyyk...",
        "..kyyyykyyyyk...",
        "..kyyyyyyyyyk...",
        "..kkkkkkkkkkk...",
        "................",
        "................",
    ],
    "UNLOCKED": [
        "..........kkkkk.",
        ".........k.....k",
        "........k.......",
        "........k.......",
        "........k.......",
        "........k.......",
        "..kkkkkkkkk.....",
        "..ksssssssk.....",
        "..ksssksssk.....",
        "..ksskkkssk.....",
        "..ksssksssk.....",
        "..ksssksssk.....",
        "..ksssssssk.....",
        "..kkkkkkkkk.....",
        "................",
        "................",
    ],
}


def png(rows):
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\x00" + b"".join(bytes(PALETTE[c]) for c in row) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    for name, rows in PICTURES.items():
        assert len(rows) == 16 and all(len(r) == 16 for r in rows), name
        with open(os.path.join(OUT, name + ".png"), "wb") as f:
            f.write(png(rows))

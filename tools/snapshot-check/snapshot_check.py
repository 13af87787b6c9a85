#!/usr/bin/env python3
"""Runs Kivo to take a snapshot and checks what it reports and writes.

  snapshot_check.py saved KIVO PNG [ARGS...]   expects "Snapshot saved: PNG",
                                               status 0, and a PNG of the
                                               window's size with a picture
  snapshot_check.py failed KIVO PNG [ARGS...]  expects "Snapshot failed: ...",
                                               status 1, and no file at PNG

Kivo gets --snapshot PNG --exit-after-snapshot after ARGS. The picture check
reads the PNG itself: its size from the header, and whether the decoded rows
hold more than a handful of distinct bytes (a blank window does not).
"""
import os
import struct
import subprocess
import sys
import zlib

WINDOW = (1200, 810)


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit(f"{path}: not a PNG file")
    at, width, height, idat = 8, 0, 0, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height = struct.unpack(">II", body[:8])
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    return width, height, zlib.decompress(idat)


def main():
    expect, kivo, png, *args = sys.argv[1:]
    if os.path.exists(png):
        os.remove(png)
    command = [kivo, *args, "--snapshot", png, "--exit-after-snapshot"]
    result = subprocess.run(command, capture_output=True, text=True, timeout=90)
    lines = result.stdout.splitlines()
    sys.stdout.write(result.stdout)
    sys.stderr.write(result.stderr)
    if expect == "saved":
        if result.returncode != 0 or f"Snapshot saved: {png}" not in lines:
            raise SystemExit(f"expected a saved snapshot and status 0, got status {result.returncode}")
        width, height, pixels = read_png(png)
        if (width, height) != WINDOW:
            raise SystemExit(f"picture is {width}x{height}, the window is {WINDOW[0]}x{WINDOW[1]}")
        if len(set(pixels)) < 16:
            raise SystemExit("the picture is blank")
        print(f"picture {width}x{height} with {len(set(pixels))} distinct bytes")
    elif expect == "failed":
        if result.returncode != 1 or not any(line.startswith("Snapshot failed: ") for line in lines):
            raise SystemExit(f"expected a failure line and status 1, got status {result.returncode}")
        if os.path.exists(png):
            raise SystemExit("a failed snapshot left a file behind")
    else:
        raise SystemExit(f"unknown expectation {expect}")


if __name__ == "__main__":
    main()

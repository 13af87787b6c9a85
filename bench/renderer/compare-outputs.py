#!/usr/bin/env python3
"""Runs two kivo-document builds on the same inputs and reports every input
whose standard output, error line or exit status differs by a single byte.

    bench/renderer/compare-outputs.py --base OLD/kivo-document --new build/bin/kivo-document \
        [--corpus DIR]...

Inputs: the layout cases (renderer/layout/testdata/layout/*.html), the
benchmark pages (a folder written by `bench-renderer --write-corpus DIR`,
given with --corpus, as is any further folder of pages) and the fuzz seeds
(fuzz/corpus/). Each page runs in presentation mode, manifest mode and scene mode at widths 1024, 800 and 160; in
scene mode this script answers every measurement request with a fixed metric
(characters x size x 0.5, 10 % wider when bold), one answer per request, after
the request has arrived. A frame seed is standard input as it stands: its
first byte picks the mode (as the fuzz target reads it), the rest is written
whole. Exit status 0 when every output is identical, 1 otherwise.
"""
import argparse
import json
import os
import struct
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WIDTHS = [None, "0", "1024", "800", "160"]
FRAME_MODES = [None, "0", "800", "160"]


def answer(line):
    request = json.loads(line)
    width = len(request["text"]) * request["size"] * 0.5 * (1.1 if request["bold"] else 1.0)
    return ("%.6g\n" % width).encode()


def run_scene(binary, payload, width):
    """Writes the frame, answers each request as it arrives, returns (stdout, stderr, status)."""
    child = subprocess.Popen([binary, "--stdin", width], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE)
    try:
        child.stdin.write(struct.pack(">I", len(payload)) + payload)
        child.stdin.flush()
    except BrokenPipeError:
        pass
    out = bytearray()
    while True:
        line = child.stdout.readline()
        if not line:
            break
        out += line
        if line.startswith(b'{"measure"'):
            try:
                child.stdin.write(answer(line))
                child.stdin.flush()
            except (BrokenPipeError, ValueError, KeyError):
                pass
    try:
        child.stdin.close()
    except BrokenPipeError:
        pass
    err = child.stderr.read()
    return bytes(out), err, child.wait()


def run_fixed(binary, stdin_bytes, width):
    args = [binary, "--stdin"] + ([width] if width is not None else [])
    done = subprocess.run(args, input=stdin_bytes, capture_output=True)
    return done.stdout, done.stderr, done.returncode


def run_page(binary, payload, width):
    if width is None or float(width) == 0:
        return run_fixed(binary, struct.pack(">I", len(payload)) + payload, width)
    return run_scene(binary, payload, width)


def cases(corpus):
    layout = os.path.join(ROOT, "renderer/layout/testdata/layout")
    pages = [os.path.join(layout, f) for f in sorted(os.listdir(layout)) if f.endswith(".html")]
    for folder in corpus:
        pages += [os.path.join(folder, f) for f in sorted(os.listdir(folder)) if not f.endswith(".json")]
    seeds = os.path.join(ROOT, "fuzz/corpus")
    for target in sorted(os.listdir(seeds)):
        for name in sorted(os.listdir(os.path.join(seeds, target))):
            path = os.path.join(seeds, target, name)
            if target == "frame":
                data = open(path, "rb").read()
                mode = FRAME_MODES[data[0] % len(FRAME_MODES)] if data else None
                yield path, mode, lambda b, d=data[1:], m=mode: run_fixed(b, d, m)
            else:
                pages.append(path)
    for path in pages:
        payload = open(path, "rb").read()
        for width in WIDTHS:
            yield path, width, lambda b, p=payload, w=width: run_page(b, p, w)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--base", required=True)
    parser.add_argument("--new", required=True)
    parser.add_argument("--corpus", action="append", default=[])
    a = parser.parse_args()
    total = differ = 0
    for path, width, run in cases(a.corpus):
        total += 1
        base, new = run(a.base), run(a.new)
        if base != new:
            differ += 1
            which = [n for n, x, y in zip(("stdout", "stderr", "status"), base, new) if x != y]
            print(f"DIFFERS {os.path.relpath(path, ROOT)} width={width}: {', '.join(which)}")
    print(f"{total} runs, {total - differ} identical, {differ} different")
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Installs the build into a throw-away prefix and runs Kivo from there.

  install_check.py BUILD APP_ID VERSION

Installs with `cmake --install BUILD --prefix /usr` into a DESTDIR, checks the
layout (the bundle in lib/kivo, the `kivo` link, the desktop files, nothing of
the tests or tools), validates the desktop entry and the metadata, runs the
installed `kivo --self-test`, and takes an offscreen snapshot of
kivo://welcome through it. The page must come from the installed bundle: with
the bundle's pages moved aside the same snapshot must show something else.
"""
import os
import shutil
import subprocess
import sys
import tempfile

SMOKE_LINE = "Kivo macOS: all smoke checks passed."


def fail(message):
    raise SystemExit(f"install check: {message}")


def run(command, env=None, cwd=None):
    result = subprocess.run(command, capture_output=True, text=True, env=env, cwd=cwd, timeout=300)
    if result.returncode != 0:
        sys.stdout.write(result.stdout)
        sys.stderr.write(result.stderr)
        fail(f"{' '.join(command)} ended with status {result.returncode}")
    return result.stdout


def listing(root):
    found = set()
    for folder, folders, files in os.walk(root):
        for name in folders + files:
            found.add(os.path.relpath(os.path.join(folder, name), root))
    return found


def snapshot(kivo, png, env, cwd):
    if os.path.exists(png):
        os.remove(png)
    out = run([kivo, "--route", "kivo://welcome", "--snapshot", png, "--exit-after-snapshot"], env, cwd)
    if f"Snapshot saved: {png}" not in out.splitlines() or not os.path.isfile(png):
        fail(f"no snapshot at {png}: {out!r}")
    with open(png, "rb") as f:
        return f.read()


def main():
    build, app_id, version = sys.argv[1:]
    work = tempfile.mkdtemp(prefix="kivo-install-")
    try:
        stage = os.path.join(work, "stage")
        env = dict(os.environ, DESTDIR=stage)
        run(["cmake", "--install", build, "--prefix", "/usr"], env)
        prefix = os.path.join(stage, "usr")

        icons = {f"share/icons/hicolor/{s}x{s}/apps/{app_id}.png" for s in (16, 22, 24, 32, 48, 64, 128, 256, 512)}
        icons.add(f"share/icons/hicolor/scalable/apps/{app_id}.svg")
        files = {"bin/kivo", "lib/kivo/Kivo", "lib/kivo/kivo-document", f"share/applications/{app_id}.desktop",
                 f"share/metainfo/{app_id}.metainfo.xml"} | icons
        found = {p for p in listing(prefix) if not os.path.isdir(os.path.join(prefix, p)) or os.path.islink(
            os.path.join(prefix, p))}
        pages = {p for p in found if p.startswith("lib/kivo/pages/")}
        if "lib/kivo/pages/welcome.html" not in pages:
            fail("the shipped pages are not in lib/kivo/pages")
        if found - pages != files:
            fail(f"installed files differ: missing {sorted(files - found)}, unexpected {sorted(found - pages - files)}")
        if os.readlink(os.path.join(prefix, "bin/kivo")) != "../lib/kivo/Kivo":
            fail("bin/kivo is not the relative link ../lib/kivo/Kivo")

        run(["desktop-file-validate", os.path.join(prefix, f"share/applications/{app_id}.desktop")])
        run(["appstreamcli", "validate", "--no-net", os.path.join(prefix, f"share/metainfo/{app_id}.metainfo.xml")])
        with open(os.path.join(prefix, f"share/metainfo/{app_id}.metainfo.xml")) as f:
            if f'<release version="{version}"' not in f.read():
                fail(f"the metadata does not name version {version}")

        # The installed program, started through its link from a folder
        # outside the build, on the offscreen platform.
        kivo = os.path.join(prefix, "bin/kivo")
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["QT_QPA_PLATFORM"] = "offscreen"
        if SMOKE_LINE not in run([kivo, "--self-test"], env, work).splitlines():
            fail("the installed kivo --self-test did not pass")
        shown = snapshot(kivo, os.path.join(work, "welcome.png"), env, work)
        bundle_pages = os.path.join(prefix, "lib/kivo/pages")
        os.rename(bundle_pages, bundle_pages + ".aside")
        without = snapshot(kivo, os.path.join(work, "without-pages.png"), env, work)
        if shown == without:
            fail("kivo://welcome looks the same without the installed pages: they were found elsewhere")
        print(f"install check: {prefix} holds the bundle; the installed kivo passes its self-test and shows "
              "kivo://welcome from its own pages")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

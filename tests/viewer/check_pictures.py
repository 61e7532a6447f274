#!/usr/bin/env python3
"""Checks hbxview's pictures in real renderers: SVGs through rsvg-convert, the 3D page through
headless Chromium. Shape Files are made from the hand-written meshes by the tools themselves;
pictures are kept in --out for people to look at.

    check_pictures.py svg2d|svg3d|page-webgl|page-canvas|page-errors
        --make3 TOOL --make2 TOOL --viewer TOOL --meshes DIR --out DIR

Exits 1 with a list of failures when a colour is missing where it belongs, a page reports an
error, or a renderer cannot be started (CI installs them; a missing renderer is a failure).
"""
import argparse
import itertools
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

# The patch palette's first colours in rank order (patches sorted by number), and the fill.
PALETTE = [(31, 119, 180), (214, 39, 40), (44, 160, 44), (255, 127, 14), (148, 103, 189),
           (23, 190, 207), (227, 119, 194), (140, 86, 75), (188, 189, 34), (0, 0, 128),
           (128, 128, 0), (0, 128, 128)]
SIDE_CONVEX = (230, 140, 40)
FILL = (236, 236, 236)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)

failures = []


def fail(text):
    failures.append(text)
    print("FAIL:", text)


def run(cmd, **kw):
    return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, **kw)


def read_png(path):
    """Returns (width, height, channels, rows of bytes) of an 8-bit RGB or RGBA PNG."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(path + " is not a PNG")
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or colour not in (2, 6) or interlace:
                raise ValueError("%s: unsupported PNG (depth %d colour %d)" % (path, depth, colour))
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, prev, at = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        if kind == 1:
            for c in range(channels):
                line[c::channels] = bytes(itertools.accumulate(line[c::channels],
                                                               lambda a, b: (a + b) & 255))
        elif kind == 2:
            line = add_bytes(line, prev)
        elif kind in (3, 4):
            for i in range(stride):
                a = line[i - channels] if i >= channels else 0
                b = prev[i]
                if kind == 3:
                    line[i] = (line[i] + (a + b) // 2) & 255
                else:
                    c = prev[i - channels] if i >= channels else 0
                    p = a + b - c
                    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                    nearest = a if pa <= pb and pa <= pc else b if pb <= pc else c
                    line[i] = (line[i] + nearest) & 255
        rows.append(line)
        prev = line
    return width, height, channels, rows


def add_bytes(x, y):
    """Bytewise sum modulo 256 of two equally long byte strings, in a few big-integer steps."""
    n = len(x)
    a, b = int.from_bytes(x, "little"), int.from_bytes(y, "little")
    low = int.from_bytes(b"\x7f" * n, "little")
    high = int.from_bytes(b"\x80" * n, "little")
    total = ((a & low) + (b & low)) ^ ((a ^ b) & high)
    return bytearray(total.to_bytes(n, "little"))


def close(a, b, tolerance=40):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


class Picture:
    def __init__(self, png):
        self.path = png
        self.width, self.height, self.channels, self.rows = read_png(png)

    def at(self, x, y):
        x, y = int(round(x)), int(round(y))
        if 0 <= x < self.width and 0 <= y < self.height:
            return tuple(self.rows[y][x * self.channels:x * self.channels + 3])
        return None

    def row(self, y):
        return [self.at(x, y) for x in range(self.width)]

    def colours(self):
        return (self.at(x, y) for y in range(self.height) for x in range(self.width))

    def expect(self, x, y, colour, what, tolerance=40):
        got = self.at(x, y)
        if got is None or not close(got, colour, tolerance):
            fail("%s: %s at (%.0f, %.0f) is %s, expected %s" % (self.path, what, x, y, got, colour))

    def expect_any(self, points, colour, what):
        """At least one of the points has the colour (for dashed strokes)."""
        if not any(self.at(x, y) and close(self.at(x, y), colour) for x, y in points):
            fail("%s: %s: none of %d points has %s" % (self.path, what, len(points), colour))


def shape_records(path):
    """The v, e and centre lines of a Shape File, split into words (a test's own small parse)."""
    vertices, edges, centre = [], [], None
    for line in open(path):
        words = line.split()
        if line.startswith("v"):
            vertices.append(words)
        elif line.startswith("e"):
            edges.append(words)
        elif line.startswith("centre "):
            centre = [float(w) for w in words[1:]]
    return vertices, edges, centre


def svg_fit(svg):
    """The shape-to-picture mapping the SVG declares on its root element."""
    text = open(svg).read(4000)
    value = lambda name: float(re.search(r'data-%s="([^"]+)"' % name, text).group(1))
    scale, min_x, max_y, margin = value("scale"), value("min-x"), value("max-y"), value("margin")
    return lambda x, y: (margin + (x - min_x) * scale, margin + (max_y - y) * scale)


def tool(args, *argv):
    result = run(list(argv))
    if result.returncode != 0:
        fail("%s exited %d: %s%s"
             % (" ".join(argv), result.returncode, result.stdout, result.stderr))
    return result


def render_svg(args, svg):
    png = svg[:-4] + ".png"
    result = run(["rsvg-convert", svg, "-o", png])
    if result.returncode != 0:
        raise SystemExit("rsvg-convert failed on %s: %s" % (svg, result.stderr))
    return Picture(png)


def shape_2d(args, mesh, code="PX"):
    out = os.path.join(args.out, mesh + (".hbx2" if code == "PX" else "-circle.hbx2"))
    tool(args, args.make2, code, os.path.join(args.meshes, mesh + ".obj"), out)
    return out


def check_outline(args, name, inside, outside):
    """Every edge in its patch colour, its normal tick outside in the same colour, vertex marks,
    the fill at `inside` points and the background at `outside` points (shape coordinates)."""
    shape = shape_2d(args, name)
    svg = shape[:-5] + ".svg"
    tool(args, args.viewer, shape, "-o", svg)
    pic = render_svg(args, svg)
    to_px = svg_fit(svg)
    vertices, edges, centre = shape_records(shape)
    patches = sorted({int(e[-1]) for e in edges})
    pos = [(float(v[1]) + centre[0], float(v[2]) + centre[1]) for v in vertices]
    for e in edges:
        (ax, ay), (bx, by) = pos[int(e[1]) - 1], pos[int(e[2]) - 1]
        colour = PALETTE[patches.index(int(e[-1])) % len(PALETTE)]
        along = [to_px(ax + (bx - ax) * t, ay + (by - ay) * t) for t in (0.3, 0.35, 0.4, 0.45, 0.5)]
        pic.expect_any(along, colour, "edge %s %s-%s of patch %s" % (e[0], e[1], e[2], e[-1]))
        mx, my = to_px((ax + bx) / 2, (ay + by) / 2)
        nx, ny = float(e[5]), -float(e[6])
        pic.expect(mx + 9 * nx, my + 9 * ny, colour, "outward tick of edge %s-%s" % (e[1], e[2]))
    for v, p in zip(vertices, pos):
        x, y = to_px(*p)
        if v[0] == "vo":
            pic.expect(x, y, BLACK, "convex vertex mark", 80)
        elif v[0] == "vi":
            pic.expect(x, y, WHITE, "reflex vertex ring's middle", 60)
    for p in inside:
        pic.expect(*to_px(*p), FILL, "inside the shape", 12)
    for p in outside:
        pic.expect(*to_px(*p), WHITE, "outside the shape", 12)


def check_svg2d(args):
    check_outline(args, "square", inside=[(0.6, 1.4)], outside=[(-0.05, 0.2), (0.2, 2.05)])
    # The hole of the ring stays white; the material around it is filled.
    check_outline(args, "ring", inside=[(0.5, 1.5), (2.5, 2.5)], outside=[(1.4, 1.6)])
    check_outline(args, "hook", inside=[(0.3, 2.7), (2.5, 1.6)], outside=[(1.5, 2.5), (2.5, 2.7)])
    # A circle file is its circle: stroke on the radius, fill inside, white beyond.
    shape = shape_2d(args, "hook", "CR")
    svg = shape[:-5] + ".svg"
    tool(args, args.viewer, shape, "-o", svg)
    pic = render_svg(args, svg)
    to_px = svg_fit(svg)
    words = {l.split()[0]: [float(w) for w in l.split()[1:]] for l in open(shape)
             if l.startswith(("radius ", "centre "))}
    (r,), (cx, cy) = words["radius"], words["centre"]
    pic.expect(*to_px(cx + r, cy), PALETTE[0], "circle's right end")
    pic.expect(*to_px(cx, cy - r), PALETTE[0], "circle's bottom")
    pic.expect(*to_px(cx - 0.5 * r, cy + 0.3 * r), FILL, "inside the circle", 12)
    pic.expect(*to_px(cx + 0.8 * r, cy + 0.8 * r), WHITE, "outside the circle", 12)


def cubes(args):
    out = os.path.join(args.out, "two_cubes.hbx3")
    tool(args, args.make3, "PX", os.path.join(args.meshes, "two_cubes.obj"), out)
    return out


def check_svg3d(args):
    shape = cubes(args)
    viewer = args.viewer
    # Seen along z the top faces face the viewer squarely: full patch colours, cube 1 left.
    for colour_by, left, right in (("patch", PALETTE[0], PALETTE[1]),
                                   ("side", SIDE_CONVEX, SIDE_CONVEX)):
        svg = os.path.join(args.out, "two_cubes-z-%s.svg" % colour_by)
        tool(args, viewer, shape, "-o", svg, "--view", "z", "--colour", colour_by)
        pic = render_svg(args, svg)
        to_px = svg_fit(svg)
        pic.expect(*to_px(0.5, 0.5), left, "top of the left cube")
        pic.expect(*to_px(2.5, 0.5), right, "top of the right cube")
        pic.expect(*to_px(1.5, 0.5), WHITE, "gap between the cubes", 12)
    # From iso the cubes stand in front of white; both patch colours show, shaded.
    svg = os.path.join(args.out, "two_cubes-iso.svg")
    tool(args, viewer, shape, "-o", svg, "--view", "iso")
    render_svg(args, svg)
    # A sphere file draws as a wire sphere around its centre.
    sphere = os.path.join(args.out, "two_cubes-sphere.hbx3")
    tool(args, args.make3, "SP", os.path.join(args.meshes, "two_cubes.obj"), sphere)
    svg = os.path.join(args.out, "two_cubes-sphere.svg")
    tool(args, viewer, sphere, "-o", svg, "--view", "z")
    pic = render_svg(args, svg)
    to_px = svg_fit(svg)
    words = {l.split()[0]: [float(w) for w in l.split()[1:]] for l in open(sphere)
             if l.startswith(("radius ", "centre "))}
    (r,), (cx, cy, _) = words["radius"], words["centre"]
    pic.expect_any([to_px(cx + r * f, cy) for f in (0.995, 0.998, 1.0)], PALETTE[0],
                   "sphere's outline")


def chromium(args, page, *action):
    """Runs headless Chromium once on the page with a fresh profile; returns its standard output."""
    browser = shutil.which("chromium") or shutil.which("chromium-browser")
    if not browser:
        raise SystemExit("chromium is not installed (Debian package chromium)")
    with tempfile.TemporaryDirectory() as profile:
        result = run([browser, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                      "--no-first-run", "--disable-background-networking",
                      "--disable-component-update", "--disable-sync", "--enable-unsafe-swiftshader",
                      "--hide-scrollbars", "--window-size=800,600", "--user-data-dir=" + profile,
                      "--host-resolver-rules=MAP * ~NOTFOUND"]
                     + list(action) + ["file://" + os.path.abspath(page)], timeout=120)
    return result.stdout


def page_status(args, page, suffix=""):
    dom = chromium(args, page + suffix, "--dump-dom")
    found = re.search(r'id="hbx-status"[^>]*data-state="([a-z]+)"[^>]*>([^<]*)<', dom)
    if not found:
        found = re.search(r'data-state="([a-z]+)"[^>]*id="hbx-status"[^>]*>([^<]*)<', dom)
    return found.groups() if found else ("missing", dom[-400:])


def check_page(args, mode):
    shape = cubes(args)
    page = os.path.join(args.out, "two_cubes.html")
    tool(args, args.viewer, shape, "-o", page, "--view", "z")
    # WebGL colours by patch; the canvas fallback colours by side letter with the normals on
    # (both cubes are convex: one colour, the normals stand off the faces, not across the row).
    suffix = "#canvas,side,normals" if mode == "canvas" else ""
    left, right = ("p0", "p1") if mode == "webgl" else ("side", "side")
    state, text = page_status(args, page, suffix)
    if state != "ok" or ("drawn " + mode) not in text:
        fail("page (%s): status %s: %s" % (mode, state, text))
    png = os.path.join(args.out, "two_cubes-%s.png" % mode)
    chromium(args, page + suffix, "--screenshot=" + png)
    pic = Picture(png)
    # Along the middle row: white, the left cube, white, the right cube, white. The panels stand
    # above and below this row.
    row = pic.row(pic.height // 2)
    runs = []
    for colour in row:
        name = next((n for n, c in (("white", WHITE), ("p0", PALETTE[0]), ("p1", PALETTE[1]),
                                     ("side", SIDE_CONVEX)) if close(colour, c, 12)), None)
        if name and (not runs or runs[-1][0] != name):
            runs.append([name, 0])
        if name:
            runs[-1][1] += 1
    sequence = [n for n, count in runs if count >= 20]
    if sequence != ["white", left, "white", right, "white"]:
        fail("page (%s): middle row reads %s, expected white, %s, white, %s, white"
             % (mode, runs, left, right))


def check_page_errors(args):
    viewer = args.viewer
    # A sphere page draws its wire sphere without error.
    sphere = os.path.join(args.out, "two_cubes-sphere.hbx3")
    tool(args, args.make3, "SP", os.path.join(args.meshes, "two_cubes.obj"), sphere)
    page = os.path.join(args.out, "two_cubes-sphere.html")
    tool(args, viewer, sphere, "-o", page)
    state, text = page_status(args, page)
    if state != "ok":
        fail("sphere page: status %s: %s" % (state, text))
    chromium(args, page, "--screenshot=" + page[:-5] + ".png")
    if not any(close(c, PALETTE[0], 30) for c in Picture(page[:-5] + ".png").colours()):
        fail("sphere page: no wire in the screenshot")
    # A page whose geometry was damaged after writing must say so in the DOM, not stay silent.
    shape = cubes(args)
    tool(args, viewer, shape, "-o", os.path.join(args.out, "two_cubes.html"))
    good = open(os.path.join(args.out, "two_cubes.html")).read()
    # Corner indices of 0xffffffff (base64 "/////") point past every vertex.
    damaged = re.sub(r'(id="hbx-tri">)[A-Za-z0-9+/]{16}', r"\1////////////////", good, count=1)
    bad = os.path.join(args.out, "damaged.html")
    open(bad, "w").write(damaged)
    state, text = page_status(args, bad)
    if state != "error":
        fail("damaged page: status %s (%s), expected an error in #hbx-status" % (state, text))


def main():
    parser = argparse.ArgumentParser()
    checks = {"svg2d": check_svg2d, "svg3d": check_svg3d,
              "page-webgl": lambda a: check_page(a, "webgl"),
              "page-canvas": lambda a: check_page(a, "canvas"), "page-errors": check_page_errors}
    parser.add_argument("check", choices=sorted(checks))
    parser.add_argument("--make3", required=True, help="the makeHBX3 tool")
    parser.add_argument("--make2", required=True, help="the makeHBX2 tool")
    parser.add_argument("--viewer", required=True, help="the hbxview tool")
    parser.add_argument("--meshes", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    args.out = os.path.join(args.out, args.check)
    os.makedirs(args.out, exist_ok=True)
    if args.check.startswith("svg") and not shutil.which("rsvg-convert"):
        raise SystemExit("rsvg-convert is not installed (Debian package librsvg2-bin)")
    checks[args.check](args)
    print("%s: %s; pictures in %s" % (args.check, "FAILED" if failures else "passed", args.out))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

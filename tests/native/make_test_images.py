#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the small images the strandel-bench checks run on, with known pixels.

Every picture is three vertical bands of gray levels 20, 120 and 220, 40, 50
and 60 columns wide, so the three levels have different counts and K-Means starts from (and stays on) exactly those levels. The
layouts differ in how the level is stored: gray, gray with alpha, the third
byte of RGB and RGBA, 16 bits. Only the standard library is used, so the
PNG chunks are written by hand.
"""
import os
import struct
import sys
import zlib

WIDTH, HEIGHT = 150, 70  # neither a multiple of 64 nor of GEGL's tiles
LEVELS = (20, 120, 220)


def band_of(x):
    return 0 if x < 40 else (1 if x < 90 else 2)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


# Adam7: (first column, first row, column step, row step) of each pass.
ADAM7 = ((0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2))


def interlaced(rows, channels):
    """The scanlines of every Adam7 pass, each with its filter byte."""
    raw = b""
    for x0, y0, dx, dy in ADAM7:
        for y in range(y0, len(rows), dy):
            pixels = [bytes(rows[y][x * channels:(x + 1) * channels]) for x in range(x0, len(rows[y]) // channels, dx)]
            if pixels:
                raw += b"\x00" + b"".join(pixels)
    return raw


def write_png(path, width, height, colour_type, bit_depth, rows, palette=None, gamma=None, icc=None,
              adam7=False, transparent=None):
    if adam7:
        raw = interlaced(rows, {0: 1, 2: 3, 4: 2, 6: 4}[colour_type])
    else:
        raw = b"".join(b"\x00" + bytes(row) for row in rows)
    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, int(adam7)))
    if gamma is not None:
        data += chunk(b"gAMA", struct.pack(">I", gamma))
    if icc is not None:
        data += chunk(b"iCCP", b"linear\x00\x00" + zlib.compress(icc))
    if palette is not None:
        data += chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    if transparent is not None:
        data += chunk(b"tRNS", bytes(transparent))
    data += chunk(b"IDAT", zlib.compress(raw))
    data += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def write_tiff16(path, rows, rows_per_strip=10):
    """A 16-bit gray TIFF, uncompressed, its directory before its strips (so
    that a cut leaves the directory whole and the last strips short)."""
    height, width = len(rows), len(rows[0])
    strips = [b"".join(struct.pack("<H", v) for row in rows[y:y + rows_per_strip] for v in row)
              for y in range(0, height, rows_per_strip)]
    entries = 10
    offsets_at = 8 + 2 + 12 * entries + 4
    counts_at = offsets_at + 4 * len(strips)
    data_at = counts_at + 4 * len(strips)
    offsets, at = [], data_at
    for strip in strips:
        offsets.append(at)
        at += len(strip)
    tags = [(256, 4, 1, width), (257, 4, 1, height), (258, 3, 1, 16), (259, 3, 1, 1), (262, 3, 1, 1),
            (273, 4, len(strips), offsets_at), (277, 3, 1, 1), (278, 4, 1, rows_per_strip),
            (279, 4, len(strips), counts_at), (284, 3, 1, 1)]
    out = b"II*\x00" + struct.pack("<I", 8) + struct.pack("<H", entries)
    for tag, kind, count, value in tags:
        out += struct.pack("<HHI", tag, kind, count) + struct.pack("<I" if kind == 4 else "<HH", *(
            (value,) if kind == 4 else (value, 0)))
    out += struct.pack("<I", 0)
    out += b"".join(struct.pack("<I", o) for o in offsets) + b"".join(struct.pack("<I", len(s)) for s in strips)
    with open(path, "wb") as f:
        f.write(out + b"".join(strips))


def linear_rgb_profile():
    """An ICC v2 display profile: sRGB primaries, every curve gamma 1.0."""
    def s15(v):
        return struct.pack(">i", round(v * 65536))

    def xyz(x, y, z):
        return b"XYZ \x00\x00\x00\x00" + s15(x) + s15(y) + s15(z)

    text = b"linear RGB\x00"
    desc = (b"desc\x00\x00\x00\x00" + struct.pack(">I", len(text)) + text + b"\x00" * 8 + b"\x00\x00\x00" +
            b"\x00" * 67)
    curve = b"curv\x00\x00\x00\x00" + struct.pack(">IH", 1, 0x0100) + b"\x00\x00"
    tags = [(b"desc", desc), (b"wtpt", xyz(0.9642, 1.0, 0.8249)), (b"rXYZ", xyz(0.4361, 0.2225, 0.0139)),
            (b"gXYZ", xyz(0.3851, 0.7169, 0.0971)), (b"bXYZ", xyz(0.1431, 0.0606, 0.7141)),
            (b"rTRC", curve), (b"gTRC", curve), (b"bTRC", curve), (b"cprt", b"text\x00\x00\x00\x00none\x00\x00\x00\x00")]
    offset = 128 + 4 + 12 * len(tags)
    table, body = struct.pack(">I", len(tags)), b""
    for signature, data in tags:
        data += b"\x00" * (-len(data) % 4)
        table += signature + struct.pack(">II", offset + len(body), len(data))
        body += data
    size = offset + len(body)
    header = (struct.pack(">I", size) + b"\x00" * 4 + bytes((2, 0x10, 0, 0)) + b"mntrRGB XYZ " +
              struct.pack(">6H", 2024, 1, 1, 0, 0, 0) + b"acsp" + b"\x00" * 28 + s15(0.9642) + s15(1.0) +
              s15(0.8249) + b"\x00" * 48)
    assert len(header) == 128
    return header + table + body


def image_rows(pixel, width=WIDTH, height=HEIGHT):
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            row.extend(pixel(x, y, LEVELS[band_of(x)]))
        rows.append(row)
    return rows


def main(folder):
    os.makedirs(folder, exist_ok=True)
    p = lambda name: os.path.join(folder, name)
    # Gray, and its manual segmentation: labels 0, 128, 255 on the bands.
    write_png(p("gray.png"), WIDTH, HEIGHT, 0, 8, image_rows(lambda x, y, g: [g]))
    write_png(p("gray_seg.png"), WIDTH, HEIGHT, 0, 8,
              image_rows(lambda x, y, g: [(0, 128, 255)[band_of(x)]]))
    # Gray with alpha, alpha all over the range (0 included): the gray byte counts.
    write_png(p("graya.png"), WIDTH, HEIGHT, 4, 8, image_rows(lambda x, y, g: [g, (x * 7 + y) % 256]))
    # Its manual segmentation joins the first two bands into one label:
    # label 0 is best matched by band 2 (50 / 90), label 255 by band 3.
    write_png(p("graya_seg.png"), WIDTH, HEIGHT, 0, 8,
              image_rows(lambda x, y, g: [0 if band_of(x) < 2 else 255]))
    # Colour: the level lies in the third byte, the first two are noise.
    write_png(p("rgb.png"), WIDTH, HEIGHT, 2, 8, image_rows(lambda x, y, g: [(x * 13) % 256, (y * 31) % 256, g]))
    # A manual segmentation of another size is ignored.
    write_png(p("rgb_seg.png"), WIDTH - 1, HEIGHT, 0, 8,
              image_rows(lambda x, y, g: [(0, 128, 255)[band_of(x)]], WIDTH - 1))
    write_png(p("rgba.png"), WIDTH, HEIGHT, 6, 8,
              image_rows(lambda x, y, g: [(x * 5) % 256, (y * 3) % 256, g, 0 if x % 2 else 255]))
    # 16 bits per channel: level g stored as g * 257 comes back as g in 8 bits.
    write_png(p("deep.png"), WIDTH, HEIGHT, 0, 16,
              image_rows(lambda x, y, g: list(struct.pack(">H", g * 257))))
    # Declared linear (gamma 1.0): its 8-bit values are kept as they are.
    write_png(p("linear.png"), WIDTH, HEIGHT, 0, 8, image_rows(lambda x, y, g: [g]), gamma=100000)
    # Palette images are read as their colours: a palette of three colours
    # whose third bytes are the levels, the second one transparent (its
    # colour still counts), ...
    write_png(p("indexed.png"), WIDTH, HEIGHT, 3, 8, image_rows(lambda x, y, g: [band_of(x)]),
              palette=[(200, 7, LEVELS[0]), (3, 250, LEVELS[1]), (90, 90, LEVELS[2])], transparent=[255, 0])
    # ... and the gray ramp (index i is gray i) medical images are often
    # stored with, which must read as gray.png does, its manual
    # segmentation a gray ramp too.
    ramp = [(i, i, i) for i in range(256)]
    write_png(p("ramp.png"), WIDTH, HEIGHT, 3, 8, image_rows(lambda x, y, g: [g]), palette=ramp)
    write_png(p("ramp_seg.png"), WIDTH, HEIGHT, 3, 8, image_rows(lambda x, y, g: [(0, 128, 255)[band_of(x)]]),
              palette=ramp)
    # Interlaced, beside a manual segmentation that is not.
    write_png(p("interlaced.png"), WIDTH, HEIGHT, 0, 8, image_rows(lambda x, y, g: [g]), adam7=True)
    write_png(p("interlaced_seg.png"), WIDTH, HEIGHT, 0, 8,
              image_rows(lambda x, y, g: [(0, 128, 255)[band_of(x)]]))
    # Colour with a linear-light ICC profile: its 8-bit values are kept too.
    write_png(p("iccp.png"), WIDTH, HEIGHT, 2, 8, image_rows(lambda x, y, g: [g // 2, 255 - g, g]),
              icc=linear_rgb_profile())
    # A gray JPEG (written once by GIMP), its pixels near the bands' levels.
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "bands.jpg"), "rb") as f:
        jpeg = f.read()
    with open(p("bands.jpg"), "wb") as f:
        f.write(jpeg)
    write_png(p("bands_seg.png"), WIDTH, HEIGHT, 0, 8, image_rows(lambda x, y, g: [(0, 128, 255)[band_of(x)]]))
    # JPEG, GIF and TIFF files made once (by tests/native/files/README.md's
    # recipe): JPEGs progressive, with restart markers, CMYK, turned by
    # their EXIF orientation; a GIF with a transparent colour and one of two
    # frames; a 16-bit TIFF and one of two pages.
    files = os.path.join(os.path.dirname(os.path.abspath(__file__)), "files")
    for name in os.listdir(files):
        if not name.endswith(".md"):
            with open(os.path.join(files, name), "rb") as f, open(p(name), "wb") as out:
                out.write(f.read())
    # An intact JPEG whose manual segmentation is a colour JPEG cut in
    # half; JPEGs cut in their pixels (read to their end, as GIMP reads
    # them), in their tables (refused) and empty; a 16-bit TIFF whole and cut
    # in its pixels.
    def cut(source, target, keep):
        with open(p(source), "rb") as f:
            data = f.read()
        with open(p(target), "wb") as f:
            f.write(data[:keep(len(data), data)])
    # Half way through the pixel data (after the start-of-scan marker).
    half_scan = lambda n, data: (data.index(b"\xff\xda") + n) // 2
    cut("bands_colour_seg.jpg", "bands_rst_seg.jpg", half_scan)
    os.remove(p("bands_colour_seg.jpg"))
    cut("bands_rst.jpg", "cut_half.jpg", half_scan)
    # Gray JPEG labels (turned as the image is shown, not stored).
    os.rename(p("bands_labels.jpg"), p("bands_turned_seg.jpg"))
    # Colour JPEG labels in a linear-light colour space (ICC profile):
    # converted to gray in that space, as GIMP converts them.
    os.rename(p("labels_icc.jpg"), p("bands_prog_seg.jpg"))
    # GIF labels black, white (transparent) and gray: three labels, as GIMP
    # keeps a transparent pixel's colour.
    os.rename(p("labels_transparent.gif"), p("bands_seg.gif"))
    # A second frame header after the pixels: read past, as GIMP reads it.
    with open(p("bands_rst.jpg"), "rb") as f:
        data = f.read()
    sof = data.index(b"\xff\xc0")
    with open(p("second_frame.jpg"), "wb") as f:
        f.write(data[:-2] + data[sof:sof + 2 + int.from_bytes(data[sof + 2:sof + 4], "big")] + data[-2:])
    cut("bands_rst.jpg", "cut_400.jpg", lambda n, data: 400)
    cut("bands_rst.jpg", "bands_cmyk_seg.jpg", lambda n, data: 400)
    open(p("empty.jpg"), "wb").close()
    write_tiff16(p("deep_strips.tif"), image_rows(lambda x, y, g: [g * 257]))
    cut("deep_strips.tif", "deep_cut.tif", lambda n, data: n * 2 // 3)
    # 50000 x 50000 declared in 74 bytes: more pixels than a 32-bit count holds.
    with open(p("huge.png"), "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 50000, 50000, 8, 0, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(b"\x00" * 8)) + chunk(b"IEND", b""))
    # The gray image cut in the middle of its pixel data.
    with open(p("gray.png"), "rb") as f:
        whole = f.read()
    idat = whole.index(b"IDAT")
    with open(p("truncated.png"), "wb") as f:
        f.write(whole[:idat + 4 + (len(whole) - idat) // 3])
    # Every row there, the end missing: the file stops before its IEND chunk.
    with open(p("endless.png"), "wb") as f:
        f.write(whole[:whole.rindex(b"IEND") - 4])
    # A colour manual segmentation, red, black and blue bands: gray by
    # luminance, three labels (by its third byte red and black would be one).
    write_png(p("gray_colour.png"), WIDTH, HEIGHT, 0, 8, image_rows(lambda x, y, g: [g]))
    write_png(p("gray_colour_seg.png"), WIDTH, HEIGHT, 2, 8,
              image_rows(lambda x, y, g: [(255, 0, 0), (0, 0, 0), (0, 0, 255)][band_of(x)]))
    with open(p("broken.png"), "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\nthis is not an image")


if __name__ == "__main__":
    main(sys.argv[1])

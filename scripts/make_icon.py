#!/usr/bin/python3
"""Draw the launcher's application icon and write it as a multi-image .ico.

Usage:
  make_icon.py [OUT]        write the icon (default: res/launcher.ico)
  make_icon.py --check FILE list the images in an .ico and validate them

The picture: a blue rounded tile with a white arrow dropping into a tray,
i.e. "a package being installed". Standard library only.
"""

import os
import struct
import sys
import zlib

SIZES_8BPP = (48, 32, 24, 16)
SIZES_32BPP = (256, 48, 32, 24, 16)

# Materials a sample point can land on.
OUTSIDE, BORDER, BODY, SHADOW, MARK = range(5)

BODY_TOP = (0x5A, 0xA4, 0xEA)
BODY_BOTTOM = (0x25, 0x67, 0xBE)
BORDER_RGB = (0x1A, 0x4C, 0x8C)
SHADOW_RGB = (0x1D, 0x57, 0xA4)
MARK_RGB = (0xFF, 0xFF, 0xFF)
GRADIENT_STEPS = 8  # body shades in the 8 bpp palette


def lerp_rgb(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def in_round_rect(x, y, x0, y0, x1, y1, r):
    if x < x0 or x >= x1 or y < y0 or y >= y1:
        return False
    # Only the corner squares need the circle test.
    cx = x0 + r if x < x0 + r else (x1 - r if x > x1 - r else x)
    cy = y0 + r if y < y0 + r else (y1 - r if y > y1 - r else y)
    dx, dy = x - cx, y - cy
    return dx * dx + dy * dy <= r * r


class Layout:
    """Geometry for one icon size, in pixels.

    Sizes up to 48 are snapped to the pixel grid so the small images stay
    crisp instead of smearing every edge across two pixels.
    """

    def __init__(self, s):
        self.s = s
        small = s <= 48

        def snap(v):
            return float(round(v)) if small else v

        def snap_even(v):
            # Even widths keep a centred bar on whole pixels at even sizes.
            return float(2 * round(v / 2)) if small else v

        m = snap(s * 0.0625)
        self.box = (m, m, s - m, s - m)
        self.radius = s * 0.19
        self.border = max(1.0, s / 48.0)
        self.cx = s / 2.0

        self.tray = s >= 24  # too busy at 16 px
        self.shadow = s / 48.0 if s >= 32 else 0.0

        if self.tray:
            shaft_top, head_base, apex = s * 0.20, s * 0.44, s * 0.66
            self.shaft_w = snap_even(s * 0.16)
        else:
            shaft_top, head_base, apex = s * 0.22, s * 0.50, s * 0.78
            self.shaft_w = snap_even(s * 0.18)
        self.shaft_top = snap(shaft_top)
        self.head_base = snap(head_base)
        self.apex = snap(apex)
        # 45 degree flanks render cleanly at every size.
        self.head_half = self.apex - self.head_base
        self.shaft_r = self.shaft_w * 0.3 if not small else 0.0

        t = snap(max(2.0, s * 0.075))
        self.tray_t = t
        self.tray_y0 = snap(s * 0.72)
        self.tray_x0 = snap(s * 0.24)
        self.tray_x1 = s - self.tray_x0
        self.tray_up = snap(s * 0.12)
        self.tray_r = t * 0.5 if not small else 0.0

    def in_mark(self, x, y):
        """True on the white arrow or tray."""
        cx = self.cx
        if self.shaft_top <= y < self.head_base + 0.5:
            if in_round_rect(x, y, cx - self.shaft_w / 2, self.shaft_top,
                             cx + self.shaft_w / 2, self.head_base + 1,
                             self.shaft_r):
                return True
        if self.head_base <= y < self.apex:
            if abs(x - cx) < self.apex - y:
                return True
        if self.tray:
            t, r = self.tray_t, self.tray_r
            x0, x1, y0 = self.tray_x0, self.tray_x1, self.tray_y0
            if in_round_rect(x, y, x0, y0, x1, y0 + t, r):
                return True
            top = y0 - self.tray_up
            if in_round_rect(x, y, x0, top, x0 + t, y0 + t, r):
                return True
            if in_round_rect(x, y, x1 - t, top, x1, y0 + t, r):
                return True
        return False

    def material(self, x, y):
        x0, y0, x1, y1 = self.box
        r = self.radius
        if not in_round_rect(x, y, x0, y0, x1, y1, r):
            return OUTSIDE
        b = self.border
        if not in_round_rect(x, y, x0 + b, y0 + b, x1 - b, y1 - b, r - b):
            return BORDER
        if self.in_mark(x, y):
            return MARK
        d = self.shadow
        if d and self.in_mark(x - d, y - d):
            return SHADOW
        return BODY

    def body_t(self, y):
        x0, y0, x1, y1 = self.box
        return min(1.0, max(0.0, (y - y0) / (y1 - y0)))


def material_grid(s, n):
    """Per pixel, the count of n*n subsamples landing on each material."""
    lay = Layout(s)
    offs = [(k + 0.5) / n for k in range(n)]
    grid = []
    for j in range(s):
        row = []
        for i in range(s):
            counts = [0] * 5
            for oy in offs:
                for ox in offs:
                    counts[lay.material(i + ox, j + oy)] += 1
            row.append(counts)
        grid.append(row)
    return lay, grid


def supersample(s):
    # Small images need more samples per pixel for smooth edges; the large
    # one is already smooth and would be slow.
    return 4 if s > 64 else 8


def render_rgba(s):
    """Antialiased straight-alpha RGBA rows, top row first."""
    lay, grid = material_grid(s, supersample(s))
    total = supersample(s) ** 2
    rows = []
    for j in range(s):
        body = lerp_rgb(BODY_TOP, BODY_BOTTOM, lay.body_t(j + 0.5))
        colours = {BORDER: BORDER_RGB, BODY: body, SHADOW: SHADOW_RGB,
                   MARK: MARK_RGB}
        row = []
        for counts in grid[j]:
            inside = total - counts[OUTSIDE]
            if inside == 0:
                row.append((0, 0, 0, 0))
                continue
            acc = [0.0, 0.0, 0.0]
            for mat, rgb in colours.items():
                c = counts[mat]
                if c:
                    for k in range(3):
                        acc[k] += rgb[k] * c
            rgb = tuple(int(round(v / inside)) for v in acc)
            a = int(round(255.0 * inside / total))
            row.append(rgb + (a,) if a else (0, 0, 0, 0))
        rows.append(row)
    return rows


def palette_8bpp():
    pal = [(0, 0, 0)]  # index 0: transparent pixels (masked out)
    for k in range(GRADIENT_STEPS):
        t = k / (GRADIENT_STEPS - 1)
        pal.append(tuple(int(round(v)) for v in
                         lerp_rgb(BODY_TOP, BODY_BOTTOM, t)))
    pal += [BORDER_RGB, SHADOW_RGB, MARK_RGB]
    return pal


def render_indexed(s):
    """Hard-edged palette indices and a transparency flag per pixel."""
    lay, grid = material_grid(s, 8)
    total = 64
    base = 1 + GRADIENT_STEPS
    index_of = {BORDER: base, SHADOW: base + 1, MARK: base + 2}
    rows = []
    for j in range(s):
        shade = 1 + int(round(lay.body_t(j + 0.5) * (GRADIENT_STEPS - 1)))
        row = []
        for counts in grid[j]:
            if counts[OUTSIDE] * 2 >= total:
                row.append(None)
                continue
            inner = max((BORDER, BODY, SHADOW, MARK), key=lambda m: counts[m])
            row.append(shade if inner == BODY else index_of[inner])
        rows.append(row)
    return rows


def and_mask(s, transparent):
    """1-bit mask, bottom row first, rows padded to 4 bytes; 1 = see-through."""
    stride = ((s + 31) // 32) * 4
    out = bytearray()
    for j in reversed(range(s)):
        line = bytearray(stride)
        for i in range(s):
            if transparent(i, j):
                line[i >> 3] |= 0x80 >> (i & 7)
        out += line
    return bytes(out)


def dib_header(s, bpp, image_bytes, colours_used):
    return struct.pack('<IiiHHIIiiII', 40, s, 2 * s, 1, bpp, 0, image_bytes,
                       0, 0, colours_used, 0)


def dib_8bpp(s):
    rows = render_indexed(s)
    pal = palette_8bpp()
    stride = (s + 3) & ~3
    xor = bytearray()
    for j in reversed(range(s)):
        line = bytearray(stride)
        for i, v in enumerate(rows[j]):
            line[i] = 0 if v is None else v
        xor += line
    mask = and_mask(s, lambda i, j: rows[j][i] is None)
    # A short palette (biClrUsed) saves ~1 KB per image over 256 entries.
    colours = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in pal)
    return (dib_header(s, 8, len(xor) + len(mask), len(pal)) + colours +
            bytes(xor) + mask)


def dib_32bpp(s):
    rows = render_rgba(s)
    xor = bytearray()
    for j in reversed(range(s)):
        for r, g, b, a in rows[j]:
            xor += bytes((b, g, r, a))
    # The mask still matters to renderers that ignore alpha.
    mask = and_mask(s, lambda i, j: rows[j][i][3] == 0)
    return dib_header(s, 32, len(xor) + len(mask), 0) + bytes(xor) + mask


def png_chunk(kind, data):
    return (struct.pack('>I', len(data)) + kind + data +
            struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_row(ftype, cur, prev, bpp):
    out = bytearray(len(cur))
    for k, x in enumerate(cur):
        a = cur[k - bpp] if k >= bpp else 0
        b = prev[k]
        c = prev[k - bpp] if k >= bpp else 0
        pred = (0, a, b, (a + b) >> 1, paeth(a, b, c))[ftype]
        out[k] = (x - pred) & 0xFF
    return out


def png_rgba(rows):
    h, w = len(rows), len(rows[0])
    bpp = 4
    lines = [bytes(v for px in row for v in px) for row in rows]
    zero = bytes(w * bpp)
    filtered = [[filter_row(f, cur, prev, bpp) for f in range(5)]
                for cur, prev in zip(lines, [zero] + lines[:-1])]
    # Candidates: one filter for every row, or the usual per-row pick of the
    # smallest absolute residue. Flat areas favour "none" (long repeats for
    # deflate) while edges favour prediction, so just keep the smallest.
    plans = [[f] * h for f in range(5)]
    plans.append([min(range(5), key=lambda f: sum(
        v if v < 128 else 256 - v for v in rf[f])) for rf in filtered])
    best = None
    for plan in plans:
        raw = bytearray()
        for f, rf in zip(plan, filtered):
            raw.append(f)
            raw += rf[f]
        packed = zlib.compress(bytes(raw), 9)
        if best is None or len(packed) < len(best):
            best = packed
    ihdr = struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + png_chunk(b'IHDR', ihdr) +
            png_chunk(b'IDAT', best) + png_chunk(b'IEND', b''))


def build_ico():
    images = []  # (size, bpp, data)
    for s in SIZES_8BPP:
        images.append((s, 8, dib_8bpp(s)))
    # Full-colour images as PNG (drawn by Windows Vista and later): less than
    # half the bytes of bitmaps. The 256-colour ones stay bitmaps.
    for s in SIZES_32BPP:
        images.append((s, 32, png_rgba(render_rgba(s))))
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for s, bpp, data in images:
        dim = 0 if s >= 256 else s  # 0 stands for 256
        out += struct.pack('<BBBBHHII', dim, dim, 0, 0, 1, bpp, len(data),
                           offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    return bytes(out)


def check_png(data, w, h):
    """Problems in a PNG meant to be w x h RGBA, 8 bits per channel."""
    pos, idat, seen = 8, bytearray(), []
    while pos + 12 <= len(data):
        n, kind = struct.unpack_from('>I4s', data, pos)
        body = data[pos + 8:pos + 8 + n]
        if len(body) != n or pos + 12 + n > len(data):
            return ['PNG chunk %r runs past the image' % kind]
        crc, = struct.unpack_from('>I', data, pos + 8 + n)
        if zlib.crc32(kind + body) & 0xFFFFFFFF != crc:
            return ['PNG chunk %r has a bad CRC' % kind]
        seen.append(kind)
        if kind == b'IHDR':
            pw, ph, depth, ctype, _, _, lace = struct.unpack('>IIBBBBB', body)
            if (pw, ph) != (w, h):
                return ['PNG is %dx%d' % (pw, ph)]
            if (depth, ctype, lace) != (8, 6, 0):
                return ['PNG depth %d, colour type %d, interlace %d'
                        % (depth, ctype, lace)]
        elif kind == b'IDAT':
            idat += body
        pos += 12 + n
    if not seen or seen[0] != b'IHDR' or seen[-1] != b'IEND':
        return ['PNG chunks out of order: %r' % seen]
    try:
        raw = zlib.decompress(bytes(idat))
    except zlib.error as e:
        return ['PNG pixel data does not inflate: %s' % e]
    line = 1 + 4 * w
    if len(raw) != line * h:
        return ['PNG holds %d bytes of rows, expected %d'
                % (len(raw), line * h)]
    if any(raw[k] > 4 for k in range(0, len(raw), line)):
        return ['PNG uses an unknown row filter']
    return []


def check_ico(path):
    """Print every image in an .ico; return a list of problems found."""
    with open(path, 'rb') as f:
        blob = f.read()
    problems = []
    if len(blob) < 6:
        return ['file shorter than the icon header']
    reserved, kind, count = struct.unpack_from('<HHH', blob, 0)
    if reserved != 0 or kind != 1:
        problems.append('not an icon (reserved=%d type=%d)' % (reserved, kind))
    if len(blob) < 6 + 16 * count:
        return problems + ['directory runs past end of file']
    print('%s: %d images, %d bytes' % (path, count, len(blob)))
    spans = []
    for n in range(count):
        (w, h, ncol, res, planes, bpp, size,
         off) = struct.unpack_from('<BBBBHHII', blob, 6 + 16 * n)
        w, h = w or 256, h or 256
        where = 'image %d (%dx%d)' % (n, w, h)
        if off + size > len(blob):
            problems.append('%s: data runs past end of file' % where)
            continue
        spans.append((off, off + size))
        data = blob[off:off + size]
        if ncol != 0 or res != 0 or planes != 1:
            problems.append('%s: colour count %d, reserved %d, planes %d'
                            % (where, ncol, res, planes))
        if data.startswith(b'\x89PNG\r\n\x1a\n'):
            fmt = 'PNG'
            inner_bpp = 32
            for p in check_png(data, w, h):
                problems.append('%s: %s' % (where, p))
            if bpp != 32:
                problems.append('%s: PNG entry says %d bpp' % (where, bpp))
        else:
            fmt = 'BMP'
            if len(data) < 40:
                problems.append('%s: truncated DIB header' % where)
                continue
            (hsize, bw, bh, bplanes, bbits, comp, _, _, _, used,
             _) = struct.unpack_from('<IiiHHIIiiII', data, 0)
            inner_bpp = bbits
            if hsize != 40 or comp != 0 or bplanes != 1:
                problems.append('%s: header size %d, compression %d, '
                                'planes %d' % (where, hsize, comp, bplanes))
            if (bw, bh) != (w, 2 * h):
                problems.append('%s: DIB is %dx%d, expected %dx%d'
                                % (where, bw, bh, w, 2 * h))
            if bbits != bpp:
                problems.append('%s: DIB has %d bpp, entry says %d'
                                % (where, bbits, bpp))
            colours = (used or (1 << bbits)) if bbits <= 8 else 0
            xor = ((w * bbits + 31) // 32) * 4 * h
            mask = ((w + 31) // 32) * 4 * h
            want = hsize + 4 * colours + xor + mask
            if size != want:
                problems.append('%s: %d bytes, layout needs %d'
                                % (where, size, want))
        print('  %3dx%-3d %2d bpp  %s  %6d bytes'
              % (w, h, inner_bpp, fmt, size))
    spans.sort()
    for (a0, a1), (b0, _) in zip(spans, spans[1:]):
        if b0 < a1:
            problems.append('image data overlaps at offset %d' % b0)
    return problems


def main(argv):
    if len(argv) >= 2 and argv[1] == '--check':
        if len(argv) != 3:
            print('usage: make_icon.py --check FILE', file=sys.stderr)
            return 2
        problems = check_ico(argv[2])
        for p in problems:
            print('problem: ' + p, file=sys.stderr)
        return 1 if problems else 0
    if len(argv) > 2 or (len(argv) == 2 and argv[1].startswith('-')):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = argv[1] if len(argv) == 2 else os.path.join(root, 'res',
                                                      'launcher.ico')
    data = build_ico()
    with open(out, 'wb') as f:
        f.write(data)
    print('wrote %s (%d bytes)' % (out, len(data)))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))

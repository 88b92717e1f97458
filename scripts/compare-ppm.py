#!/usr/bin/env python3
"""Compares two PPM renderings of one picture: prints "agree" or "differ", then the share of
pixels that differ beyond the tolerance and the share of those that are not on an edge.

A differing pixel is on an edge when, within one pixel of it, the other picture has a colour
within the tolerance of it: anti-aliasing and half-pixel placement move edges, nothing else.

    compare-ppm.py REFERENCE.ppm CANDIDATE.ppm TOLERANCE
"""
import sys

# Share of the picture that may differ away from edges before two renderings count as
# different: a few stray pixels of a rounded end or a dash phase.
MAX_OFF_EDGE = 0.002


def read_ppm(path):
    data = open(path, 'rb').read()
    fields = []
    position = 0
    while len(fields) < 4:
        while data[position:position + 1].isspace():
            position += 1
        start = position
        while not data[position:position + 1].isspace():
            position += 1
        fields.append(data[start:position])
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[position + 1:position + 1 + width * height * 3]


def close(a, b, tolerance):
    return abs(a[0] - b[0]) <= tolerance and abs(a[1] - b[1]) <= tolerance and abs(a[2] - b[2]) <= tolerance


def main():
    w1, h1, ref = read_ppm(sys.argv[1])
    w2, h2, cand = read_ppm(sys.argv[2])
    tolerance = int(sys.argv[3])
    if (w1, h1) != (w2, h2):
        print('differ\tsize %dx%d vs %dx%d' % (w1, h1, w2, h2))
        return
    px = lambda buf, x, y: buf[3 * (y * w1 + x):3 * (y * w1 + x) + 3]
    differing = 0
    off_edge = 0
    for y in range(h1):
        for x in range(w1):
            a, b = px(ref, x, y), px(cand, x, y)
            if close(a, b, tolerance):
                continue
            differing += 1
            near = False
            for dy in (-1, 0, 1):
                for dx in (-1, 0, 1):
                    nx, ny = x + dx, y + dy
                    if 0 <= nx < w1 and 0 <= ny < h1 and (close(px(ref, nx, ny), b, tolerance) or close(px(cand, nx, ny), a, tolerance)):
                        near = True
            off_edge += 0 if near else 1
    total = w1 * h1
    verdict = 'agree' if off_edge <= MAX_OFF_EDGE * total else 'differ'
    print('%s\t%.2f%% differ, %.2f%% off edges' % (verdict, 100.0 * differing / total, 100.0 * off_edge / total))


main()

#!/usr/bin/python3
"""Writes the decoded samples of an image's first frame as PIL holds them, before any
reduction to 8 bits: 'mode width height bands\n' followed by one little-endian float64 per
sample, pixel by pixel, band by band. Used to check readers that reduce deep samples
themselves against PIL's decoding of the same file."""
import struct
import sys

from PIL import Image


def main() -> int:
    source, target = sys.argv[1], sys.argv[2]
    try:
        with Image.open(source) as image:
            image.seek(0)
            image.load()
            bands = len(image.getbands())
            values = []
            for pixel in image.getdata():
                values.extend(pixel if bands > 1 else (pixel,))
            header = f"{image.mode} {image.width} {image.height} {bands}\n"
    except Exception as error:  # any failure means "no reference"
        print(f"no reference: {error}", file=sys.stderr)
        return 1
    with open(target, "wb") as out:
        out.write(header.encode())
        out.write(struct.pack(f"<{len(values)}d", *values))
    return 0


if __name__ == "__main__":
    sys.exit(main())

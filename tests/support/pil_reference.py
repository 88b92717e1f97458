#!/usr/bin/python3
"""Writes PIL's RGB decode of an image as it opens (the first frame; for a layered Photoshop
document, the merged image) as 'width height\n' followed by raw RGB bytes."""
import sys

from PIL import Image


def main() -> int:
    source, target = sys.argv[1], sys.argv[2]
    try:
        with Image.open(source) as image:
            rgb = image.convert("RGB")
            data = rgb.tobytes()
            width, height = rgb.size
    except Exception as error:  # any failure means "no reference"
        print(f"no reference: {error}", file=sys.stderr)
        return 1
    with open(target, "wb") as out:
        out.write(f"{width} {height}\n".encode())
        out.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())

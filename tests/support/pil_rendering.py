#!/usr/bin/python3
"""Writes PIL's 8-bit RGB rendering of an image as it opens (the first frame; for a layered
Photoshop document, the merged image) as
'mode width height\n' followed by raw RGB bytes.

16-bit greyscale (PIL modes I;16*, and I for PNG) is rendered from the high byte of each
sample, the way 8-bit viewers reduce it; PIL's own convert('RGB') clips those values instead.
Modes with no 8-bit meaning (floating point, 32-bit integers, L*a*b*) get no pixels: the line
then reads 'mode width height' with nothing after it."""
import sys

from PIL import Image

DIRECT = {"1", "L", "P", "RGB", "RGBA", "RGBX", "CMYK", "LA", "PA", "La", "RGBa"}


def high_bytes(image):
    raw = image.tobytes("raw", "I;16B")
    grey = raw[0::2]
    return bytes(b for b in grey for _ in range(3))


def main() -> int:
    source, target = sys.argv[1], sys.argv[2]
    try:
        with Image.open(source) as image:
            image.load()
            mode = image.mode
            width, height = image.size
            if mode.startswith("I;16") or (mode == "I" and image.format == "PNG"):
                data = high_bytes(image)
            elif mode in DIRECT:
                data = image.convert("RGB").tobytes()
            else:
                data = b""
    except Exception as error:  # any failure means "no reference"
        print(f"no reference: {error}", file=sys.stderr)
        return 1
    with open(target, "wb") as out:
        out.write(f"{mode} {width} {height}\n".encode())
        out.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())

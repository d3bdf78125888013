#!/usr/bin/python3
# Writes the decoder's fixture images into this folder. Needs Pillow (Debian: python3-pil); the tests
# need only the files. Every picture is 32 by 32 (GIFs 16 by 16, the "wide" ones 48 by 32) in quadrants
# of one colour each, so that lossy formats keep the colours at the quadrants' centres and corners; the
# tests' table names the colours.
import struct
import zlib

from PIL import Image

RED, GREEN, BLUE, WHITE = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)


def quadrants(mode, top_left, top_right, bottom_left, bottom_right, side=32):
    image = Image.new(mode, (side, side))
    half = side // 2
    for (x, y), colour in {(0, 0): top_left, (half, 0): top_right, (0, half): bottom_left,
                           (half, half): bottom_right}.items():
        image.paste(colour, (x, y, x + half, y + half))
    return image


def colours():
    return quadrants("RGB", RED, GREEN, BLUE, WHITE)


def wide():
    image = Image.new("RGB", (48, 32))
    for box, colour in (((0, 0, 24, 16), RED), ((24, 0, 48, 16), GREEN), ((0, 16, 24, 32), BLUE),
                        ((24, 16, 48, 32), WHITE)):
        image.paste(colour, box)
    return image


def with_alpha():
    # Opaque red, half-transparent green, transparent blue, opaque white.
    return quadrants("RGBA", RED + (255,), GREEN + (128,), BLUE + (0,), WHITE + (255,))


# --- PNG written by hand where Pillow cannot: Adam7 interlacing, 16-bit samples.

def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png(width, height, depth, colour_type, raw, interlaced=False):
    header = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 1 if interlaced else 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + png_chunk(b"IDAT", zlib.compress(raw)) +
            png_chunk(b"IEND", b""))


def grey16_png(top_left, top_right, bottom_left, bottom_right, side=32):
    half = side // 2
    raw = b""
    for y in range(side):
        left, right = (top_left, top_right) if y < half else (bottom_left, bottom_right)
        raw += b"\0" + struct.pack(">H", left) * half + struct.pack(">H", right) * half
    return png(side, side, 16, 0, raw)


def interlaced_png(image):
    width, height = image.size
    pixels = image.load()
    passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
    raw = b""
    for x0, y0, dx, dy in passes:
        for y in range(y0, height, dy):
            row = [pixels[x, y] for x in range(x0, width, dx)]
            if row:
                raw += b"\0" + b"".join(bytes(p) for p in row)
    return png(width, height, 8, 6, raw, interlaced=True)


# --- GIF written by hand, for a first frame smaller than the screen and a second frame.

def lzw(indices, minimum_size):
    clear, end = 1 << minimum_size, (1 << minimum_size) + 1
    bits, count, out = 0, 0, bytearray()

    def emit(code, size):
        nonlocal bits, count
        bits |= code << count
        count += size
        while count >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            count -= 8

    def reset():
        return {(i,): i for i in range(clear)}, end + 1, minimum_size + 1

    table, next_code, size = reset()
    emit(clear, size)
    word = ()
    for index in indices:
        if word + (index,) in table:
            word += (index,)
            continue
        emit(table[word], size)
        if next_code == 4096:
            emit(clear, size)
            table, next_code, size = reset()
        else:
            table[word + (index,)] = next_code
            next_code += 1
            if next_code > (1 << size) and size < 12:
                size += 1
        word = (index,)
    emit(table[word], size)
    emit(end, size)
    if count:
        out.append(bits & 0xFF)
    return bytes(out)


def gif_frame(left, top, width, height, indices, transparent=None, interlaced=False):
    control = b""
    if transparent is not None:
        control = b"\x21\xf9\x04" + struct.pack("<BHB", 1, 10, transparent) + b"\0"
    if interlaced:
        rows = [indices[y * width:(y + 1) * width] for y in range(height)]
        order = [y for start, step in ((0, 8), (4, 8), (2, 4), (1, 2)) for y in range(start, height, step)]
        indices = [i for y in order for i in rows[y]]
    data = lzw(indices, 2)
    blocks = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255] for i in range(0, len(data), 255))
    descriptor = b"\x2c" + struct.pack("<HHHHB", left, top, width, height, 0x40 if interlaced else 0)
    return control + descriptor + b"\x02" + blocks + b"\0"


def gif(frames, side=16):
    palette = bytes(RED + GREEN + BLUE + WHITE)
    screen = struct.pack("<HHBBB", side, side, 0x81, 0, 0)  # global table of 4 colours
    return b"GIF89a" + screen + palette + b"".join(frames) + b"\x3b"


def gif_quadrant_indices(side):
    half = side // 2
    return [(y >= half) * 2 + (x >= half) for y in range(side) for x in range(side)]


def write(name, data):
    with open(name, "wb") as f:
        f.write(data)


def main():
    colours().quantize(4).save("palette.png")
    quadrants("L", 0, 85, 170, 255).save("grey.png")
    # 16-bit grey: 0x01FF rounds to 2, where keeping the high byte would give 1.
    write("grey16.png", grey16_png(0x0000, 0x01FF, 0x8080, 0xFFFF))
    with_alpha().save("alpha.png")
    write("interlaced.png", interlaced_png(with_alpha()))

    colours().save("baseline.jpg", quality=95)
    colours().save("progressive.jpg", quality=95, progressive=True)
    colours().convert("CMYK").save("cmyk.jpg", quality=95)

    # Transparent: the bottom-right quadrant is the transparent colour; interlaced rows.
    write("transparent.gif", gif([gif_frame(0, 0, 16, 16, gif_quadrant_indices(16), transparent=3,
                                            interlaced=True)]))
    # Animated: a green 8 by 8 first frame at (4, 4), then a blue frame over the whole screen.
    write("animated.gif", gif([gif_frame(4, 4, 8, 8, [1] * 64), gif_frame(0, 0, 16, 16, [2] * 256)]))

    colours().save("lossy.webp", quality=90)
    with_alpha().save("lossless.webp", lossless=True, exact=True)
    # Not square, for the orientations; the tests add the EXIF data.
    wide().save("wide.png")
    wide().save("wide.jpg", quality=95, subsampling=0)
    wide().save("wide.webp", lossless=True)

    first, second = Image.new("RGBA", (32, 32), GREEN + (255,)), Image.new("RGBA", (32, 32), BLUE + (255,))
    first.save("animated.webp", save_all=True, append_images=[second], duration=100, lossless=True)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the seed corpus of the image information fuzz targets into seeds/<target>/.

Good files cover each format's variants; files named bad-* are known-bad inputs that must fail
cleanly (the corpus replay test checks that). Run from any folder; existing seeds of the same name
are overwritten, others (fuzzer finds kept as regressions) are left alone.
"""
import os
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = os.path.join(HERE, '..', '..', 'samples')


def put(target, name, data):
    folder = os.path.join(HERE, 'seeds', target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


def bmp(width, height, bits):
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, 0, 2835, 2835, 0, 0)
    return b'BM' + struct.pack('<IHHI', 54 + 16, 0, 0, 54) + info + bytes(16)


def gif(width, height, packed):
    return b'GIF89a' + struct.pack('<HHBBB', width, height, packed, 0, 0) + b'\x3b'


def png(width, height, depth, colour):
    ihdr = struct.pack('>IIBBBBB', width, height, depth, colour, 0, 0, 0)
    return b'\x89PNG\r\n\x1a\n' + struct.pack('>I', 13) + b'IHDR' + ihdr + bytes(4) + bytes(12)


def segment(marker, payload):
    return bytes([0xFF, marker]) + struct.pack('>H', len(payload) + 2) + payload


def frame(marker, width, height):
    return segment(marker, struct.pack('>BHHB', 8, height, width, 3) + bytes([1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1]))


def exif(little, orientation):
    e = '<' if little else '>'
    tiff = (b'II' if little else b'MM') + struct.pack(e + 'HI', 42, 8) + struct.pack(e + 'H', 1)
    tiff += struct.pack(e + 'HHIHH', 0x0112, 3, 1, orientation, 0) + struct.pack(e + 'I', 0)
    return segment(0xE1, b'Exif\0\0' + tiff)


def jpeg(*segments):
    return b'\xFF\xD8' + b''.join(segments) + b'\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00\x12\x34\xFF\xD9'


def tga(image_type, depth, width, height, descriptor=0, color_map=0, map_len=0, map_ent=0, ident=b'',
        pixels=None, map_data=None):
    header = struct.pack('<BBBHhBHHhhBB', len(ident), color_map, image_type, 0, map_len, map_ent, 0, 0,
                         width, height, depth, descriptor)
    if map_data is None:
        map_data = bytes((i * 37 + k) & 255 for i in range(map_len if color_map else 0)
                         for k in range((map_ent + 7) // 8))
    if pixels is None:
        bpp = depth // 8
        raw = bytes((i * 7) & 255 for i in range(width * height * bpp))
        if image_type >= 9:
            out = b''
            for p in range(0, width * height, 3):
                n = min(3, width * height - p)
                out += bytes([0x80 | (n - 1)]) + raw[p * bpp:(p + 1) * bpp] if p % 2 else \
                    bytes([n - 1]) + raw[p * bpp:(p + n) * bpp]
            raw = out
        pixels = raw
    return header + ident + map_data + pixels


def main():
    put('read_bmp', 'bottom-up', bmp(16, 8, 24))
    put('read_bmp', 'top-down', bmp(16, -8, 32))
    put('read_bmp', 'signature-only', b'BM')
    put('read_bmp', 'bad-width-2-31', bmp(0, 1, 8)[:18] + struct.pack('<I', 0x80000000) + bmp(0, 1, 8)[22:])
    put('read_bmp', 'bad-not-bmp', b'MB' + bmp(1, 1, 1)[2:])

    put('read_gif', 'gif89a', gif(320, 200, 0xF7))
    put('read_gif', 'gif87a', b'GIF87a' + gif(1, 1, 0)[6:])
    put('read_gif', 'short', b'GIF8')
    put('read_gif', 'bad-not-gif', b'GIT89a' + gif(1, 1, 0)[6:])

    put('read_png', 'rgb-16', png(5, 6, 16, 2))
    put('read_png', 'rgba', png(5, 6, 8, 6))
    put('read_png', 'palette', png(7, 3, 4, 3))
    put('read_png', 'grey', png(1, 1, 1, 0))
    put('read_png', 'bad-height-2-31', png(1, 0x80000000, 8, 0))
    put('read_png', 'bad-signature', b'\x89PNX' + png(1, 1, 8, 0)[4:])

    app0 = segment(0xE0, b'JFIF\0\x01\x01\0\0\x01\0\x01\0\0')
    dqt = segment(0xDB, bytes(65))
    dht = segment(0xC4, bytes([0]) + bytes(16) + bytes(12))
    put('read_jpeg', 'baseline', jpeg(app0, dqt, dht, frame(0xC0, 640, 480)))
    put('read_jpeg', 'progressive', jpeg(app0, dqt, frame(0xC2, 64, 48)))
    put('read_jpeg', 'exif-le-6', jpeg(exif(True, 6), dqt, frame(0xC0, 40, 30)))
    put('read_jpeg', 'exif-be-8', jpeg(app0, exif(False, 8), frame(0xC1, 40, 30)))
    put('read_jpeg', 'long-segment', jpeg(app0, segment(0xFE, bytes(5000)), frame(0xC9, 3, 2)))
    put('read_jpeg', 'no-frame', jpeg(app0, dqt))
    put('read_jpeg', 'bad-frame-cut-off', b'\xFF\xD8\xFF\xC0\x00\x11\x08\x01')
    put('read_jpeg', 'bad-stray-byte', b'\xFF\xD8\x00' + frame(0xC0, 1, 1))

    put('load_tga', 'mapped-24', tga(1, 8, 6, 4, 0, 1, 16, 24))
    put('load_tga', 'mapped-32-rle', tga(9, 8, 6, 4, 0x20, 1, 8, 32))
    put('load_tga', 'mapped-300', tga(1, 8, 4, 4, 0, 1, 300, 24))
    put('load_tga', 'grey', tga(3, 8, 5, 5, 0x20, ident=b'seed'))
    put('load_tga', 'grey-rle', tga(11, 8, 7, 3))
    put('load_tga', 'rgb-16', tga(2, 16, 3, 3, 0x10))
    put('load_tga', 'rgb-24-5-wide', tga(2, 24, 5, 2))
    put('load_tga', 'rgb-24-rle', tga(10, 24, 9, 4, 0x30))
    put('load_tga', 'rgb-32', tga(2, 32, 4, 2, 0x28))
    put('load_tga', 'rgb-32-rle', tga(10, 32, 4, 4))
    put('load_tga', 'rle-truncated', tga(11, 8, 16, 16, pixels=bytes([127]) + bytes(range(128)) + bytes([127, 1, 2])))
    put('load_tga', 'bad-map-16', tga(1, 8, 2, 2, 0, 1, 4, 16))
    put('load_tga', 'bad-type-0', tga(0, 8, 2, 2))
    put('load_tga', 'bad-type-32', tga(32, 8, 2, 2))
    put('load_tga', 'bad-depth-15', tga(2, 15, 2, 2, pixels=bytes(8)))
    put('load_tga', 'bad-width-0', tga(2, 24, 0, 2, pixels=bytes(8)))
    put('load_tga', 'bad-map-length', tga(1, 8, 2, 2, 0, 1, -1, 24, map_data=b'', pixels=bytes(4)))
    put('load_tga', 'short-pixels', tga(2, 24, 4, 4)[:-1])
    put('load_tga', 'bad-implausible', tga(10, 32, 32767, 32767, pixels=bytes([0xFF, 1, 2, 3, 4]) * 20))
    put('load_tga', 'bad-header-17', tga(2, 8, 1, 1)[:17])

    for target, names in [('read_gif', ['blue sky.gif', 'palette.gif']),
                          ('read_png', ['shapes.png']),
                          ('read_jpeg', ['landscape.jpg', 'phone_portrait.jpg', 'progressive.jpg']),
                          ('load_tga', ['gradient.tga', 'badge_rle.tga'])]:
        for name in names:
            source = os.path.join(SAMPLES, name)
            if os.path.exists(source):
                shutil.copyfile(source, os.path.join(HERE, 'seeds', target, 'sample-' + name.replace(' ', '-')))


if __name__ == '__main__':
    main()

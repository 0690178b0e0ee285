"""GIF encoder for palette images: header, colour table, LZW image data.

Writes a single-image GIF89a file: the logical screen descriptor with a global
colour table, an optional comment extension, one image descriptor covering the
screen (optionally interlaced) and the LZW-compressed pixel indices in data
sub-blocks of at most 255 bytes.

LZW as GIF uses it: codes are written least significant bit first; the code
width starts at min_code_size + 1 bits; a clear code starts every stream and
is sent again whenever the table reaches 4096 entries; the width grows when
the next free code no longer fits, one code later than the encoder's own table
(the decoder adds its entries one code behind the encoder).
"""

MAX_CODE = 4096            # LZW table size limit in GIF (12-bit codes)
MAX_SUB_BLOCK = 255        # data sub-block payload limit
TRAILER = b"\x3b"
IMAGE_SEPARATOR = b"\x2c"
EXTENSION_INTRODUCER = 0x21
COMMENT_LABEL = 0xFE


def _table_bits(colour_count):
    """Bits of the colour table: the smallest table of 2^bits >= colours."""
    bits = 1
    while (1 << bits) < colour_count:
        bits += 1
    return bits


class _BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.nbits = 0

    def write(self, code, width):
        self.acc |= code << self.nbits
        self.nbits += width
        while self.nbits >= 8:
            self.out.append(self.acc & 0xFF)
            self.acc >>= 8
            self.nbits -= 8

    def finish(self):
        if self.nbits:
            self.out.append(self.acc & 0xFF)
        return bytes(self.out)


def lzw_encode(indices, min_code_size):
    """Compresses palette indices into the GIF LZW code stream (no sub-blocks)."""
    clear = 1 << min_code_size
    eoi = clear + 1
    writer = _BitWriter()
    width = min_code_size + 1
    next_code = eoi + 1
    table = {}
    writer.write(clear, width)
    if not indices:
        writer.write(eoi, width)
        return writer.finish()
    prefix = indices[0]
    for k in indices[1:]:
        key = (prefix << 8) | k
        code = table.get(key)
        if code is not None:
            prefix = code
            continue
        writer.write(prefix, width)
        if next_code < MAX_CODE:
            table[key] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            writer.write(clear, width)
            table.clear()
            width = min_code_size + 1
            next_code = eoi + 1
        prefix = k
    writer.write(prefix, width)
    writer.write(eoi, width)
    return writer.finish()


def _sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), MAX_SUB_BLOCK):
        chunk = data[i:i + MAX_SUB_BLOCK]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def _interlaced_rows(height):
    """Row order of an interlaced image: every 8th from 0, 8th from 4, 4th from 2, 2nd from 1."""
    order = []
    for start, step in ((0, 8), (4, 8), (2, 4), (1, 2)):
        order.extend(range(start, height, step))
    return order


def encode_gif(width, height, palette, pixels, interlace=False, comment=None):
    """Returns the bytes of a GIF89a file.

    palette: list of (r, g, b) tuples, at most 256; pixels: bytes-like of
    width * height palette indices, row by row from the top.
    """
    if not 1 <= width <= 0xFFFF or not 1 <= height <= 0xFFFF:
        raise ValueError("image size out of range")
    if len(pixels) != width * height:
        raise ValueError("pixel count does not match the size")
    if not 1 <= len(palette) <= 256:
        raise ValueError("palette must hold 1 to 256 colours")
    if max(pixels) >= len(palette):
        raise ValueError("pixel index outside the palette")
    bits = _table_bits(len(palette))
    table = list(palette) + [(0, 0, 0)] * ((1 << bits) - len(palette))

    out = bytearray(b"GIF89a")
    packed = 0x80 | ((bits - 1) << 4) | (bits - 1)   # global table, colour resolution, size
    out += width.to_bytes(2, "little") + height.to_bytes(2, "little")
    out += bytes([packed, 0, 0])                     # background index 0, no aspect ratio
    for r, g, b in table:
        out += bytes([r, g, b])

    if comment:
        out += bytes([EXTENSION_INTRODUCER, COMMENT_LABEL])
        out += _sub_blocks(comment.encode("ascii"))

    if interlace:
        rows = _interlaced_rows(height)
        data = bytearray()
        for y in rows:
            data += pixels[y * width:(y + 1) * width]
        pixels = bytes(data)
    out += IMAGE_SEPARATOR
    out += (0).to_bytes(2, "little") * 2
    out += width.to_bytes(2, "little") + height.to_bytes(2, "little")
    out.append(0x40 if interlace else 0)             # no local table
    min_code_size = max(2, bits)
    out.append(min_code_size)
    out += _sub_blocks(lzw_encode(bytes(pixels), min_code_size))
    out += TRAILER
    return bytes(out)

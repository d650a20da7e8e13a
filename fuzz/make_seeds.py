#!/usr/bin/python3
"""Writes the hand-made seed inputs of the fuzz targets into fuzz/corpus/<target>/.

Each seed is small and shows the fuzzer one shape its reader takes: a record kind, an
extension, a directive, an encoding. The files in examples/ are added by fuzz.sh when it runs,
so they are not repeated here. Run again after changing a seed; the output is the same every
time. Needs PIL (Debian: python3-pil).
"""

import io
import pathlib
import struct

from PIL import Image

CORPUS = pathlib.Path(__file__).resolve().parent / "corpus"


def put(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    (folder / name).write_bytes(data)


# --- Character patches ------------------------------------------------------------------
# Game text codes: 0x50 the full-width space, 0x51 "あ" and the kana after it, 0x20-0x23 nn
# two-byte characters, 0x24 a line break, 0x18 nn an extension character.

NAME = bytes([0x51, 0x52, 0x53, 0x50, 0x50, 0x50, 0x50, 0x50])
TITLE = bytes([0x60, 0x61, 0x20, 0xAF, 0x62, 0x50, 0x50, 0x50, 0x50, 0x50])
PALETTE = b"".join(struct.pack("<H", (i * 0x0842) & 0x7FFF) for i in range(16))


def vnp_head(name=NAME, gender=0, title=TITLE):
    """The head up to the tile block: what the vnp target's compact form takes."""
    return b"VNP" + name + bytes([gender]) + title + PALETTE


def record(kind, data):
    return bytes([kind, 0, len(data)]) + data


def piece(data):
    return bytes([len(data)]) + data


FIXED_RECORDS = (
    record(1, bytes([17, 17, 17, 17, 17, 17, 17, 10, 1, 2, 0, 3, 1]))
    + record(2, bytes([80, 0x80, 3, 0x84, 5, 6, 7, 0x45, 0xA3, 0x82]))
    + record(3, bytes([0x10, 0x20, 0xFF, 0xFF, 0x01, 0x02, 0xFF, 0xFF]))
    + record(4, bytes([0x05, 0xFF, 0xFF, 0xFF, 0x40, 0x41, 0xFF, 0xFF]))
    + record(5, bytes(range(1, 16)))
    + record(6, bytes([0x2A]))
    + record(7, bytes([0x03, 0xFF, 0x01]))
    + record(8, bytes([0xA0, 0x05]))
)
FIRST_TALK = (
    piece(bytes([0x51, 0x52, 0x24, 0x53]))
    + piece(bytes([0x54, 0x24]))
    + piece(bytes([0x55, 0x24]))
    + piece(bytes([0x56, 0x57]))
    + bytes([1])
    + piece(bytes([0x58, 0x24]))
    + piece(bytes([0x59, 0x24]))
    + piece(bytes([0x5A, 0x18, 0x10]))
    + bytes([1])
    + piece(bytes([0x5B, 0x5C]))
)
REPEAT_TALK = b"".join(piece(bytes([0x60 + i, 0x24])) for i in range(5))
COMMENT = "コメント ﾃｽﾄ\r\n".encode("cp932")


def comment_record(text_bytes, count):
    return bytes([0xFF, count & 0xFF, count >> 8]) + text_bytes


put("vnp", "compact-head-only", vnp_head())
put(
    "vnp",
    "compact-every-record",
    vnp_head()
    + FIXED_RECORDS
    + record(0x80, FIRST_TALK)
    + record(0x81, REPEAT_TALK)
    + record(0x82, bytes([0x51, 0x24, 0x52, 0x20, 0x10]))
    + record(0x83, bytes([2]))
    + comment_record(COMMENT, 10),
)
put("vnp", "compact-cut-record", vnp_head() + record(1, bytes(13))[:9])
put("vnp", "compact-unknown-record", vnp_head(gender=2) + record(0x42, b"\x01\x02") + b"\x05\x00")
put(
    "vnp",
    "compact-extension-name",
    vnp_head(name=bytes([0x18, 0x10, 0x18, 0x2F, 0x51, 0x50, 0x50, 0x50]))
    + record(0x80, piece(bytes([0x18, 0x11])) + bytes([0]))
    + comment_record(b"\x00after zero", 3),
)
put("vnp", "compact-bad-title", vnp_head(title=bytes([0x10] * 10)) + FIXED_RECORDS)
tiles = bytes((i * 37 + (i >> 8)) & 0xFF for i in range(54, 7158))
put("vnp", "file-with-records", vnp_head() + tiles + FIXED_RECORDS + comment_record(COMMENT, 10))


# --- GIF --------------------------------------------------------------------------------


def gif_bytes(frames, **options):
    out = io.BytesIO()
    frames[0].save(out, format="GIF", save_all=len(frames) > 1, append_images=frames[1:], **options)
    return out.getvalue()


def indexed(width, height, pixels, colours):
    image = Image.new("P", (width, height))
    image.putpalette([c for colour in colours for c in colour])
    image.putdata(pixels)
    return image


GREY = [(i * 15, i * 15, i * 15) for i in range(16)] + [(255, 255, 255)]

put("gif", "one-pixel", gif_bytes([indexed(1, 1, [0], [(0, 0, 0), (255, 255, 255)])]))
put(
    "gif",
    "interlaced",
    gif_bytes([indexed(16, 16, [(x ^ y) & 3 for y in range(16) for x in range(16)], GREY[:4])],
              interlace=True),
)
frames = [indexed(8, 8, [(x + y + n) % 4 for y in range(8) for x in range(8)], GREY[:4]) for n in range(3)]
put("gif", "animation", gif_bytes(frames, loop=0, duration=[10, 20, 30], disposal=2, transparency=1))
put(
    "gif",
    "sheet-blank",
    gif_bytes([indexed(176, 133, [16] * (176 * 133), GREY)]),
)
put(
    "gif",
    "sheet-colour-3",
    gif_bytes([indexed(176, 133, [3 if (x < 9 and y < 9) else 16 for y in range(133) for x in range(176)], GREY)]),
)
# A GIF87a of one pixel without a global colour table, and one whose frame lies partly outside
# the screen: written byte by byte.
lzw_one_pixel = bytes([0x02, 0x02, 0x44, 0x01, 0x00])
put("gif", "no-colour-table", b"GIF87a" + struct.pack("<HHBBB", 1, 1, 0, 0, 0)
    + b"\x2C" + struct.pack("<HHHHB", 0, 0, 1, 1, 0) + lzw_one_pixel + b"\x3B")
put("gif", "frame-outside", b"GIF89a" + struct.pack("<HHBBB", 1, 1, 0x80, 0, 0) + b"\x00\x00\x00\xFF\xFF\xFF"
    + b"\x21\xF9\x04\x05\x0A\x00\x01\x00"
    + b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x03\x00\x00"
    + b"\x2C" + struct.pack("<HHHHB", 0, 0, 1, 1, 0) + lzw_one_pixel
    + b"\x2C" + struct.pack("<HHHHB", 1, 0, 1, 1, 0x80) + b"\x10\x20\x30\x40\x50\x60" + lzw_one_pixel
    + b"\x3B")


# --- IPS --------------------------------------------------------------------------------


def ips_record(offset, data):
    return struct.pack(">I", offset)[1:] + struct.pack(">H", len(data)) + data


def ips_run(offset, length, value):
    return struct.pack(">I", offset)[1:] + b"\x00\x00" + struct.pack(">HB", length, value)


put("ips", "header-only", b"PATCH")
put("ips", "empty", b"PATCHEOF")
put("ips", "one-record", b"PATCH" + ips_record(0x10, b"\x01\x02\x03\x04") + b"EOF")
put("ips", "run", b"PATCH" + ips_run(0x100, 0x20, 0xAA) + ips_record(0x200, b"\x55") + b"EOF")
put("ips", "past-the-end", b"PATCH" + ips_record(0xFFFE, b"\x01\x02\x03\x04") + ips_run(0x10010, 8, 7) + b"EOF")
put("ips", "cut-record", b"PATCH" + ips_record(0x20, b"\x01\x02") + struct.pack(">I", 0x30)[1:] + b"\x00\x10\x01\x02")
put("ips", "no-end-marker", b"PATCH" + ips_record(0x400, b"\xEE" * 3) + ips_run(0x500, 0, 1))
put("ips", "after-end-marker", b"PATCH" + ips_record(0x8, b"\x09") + b"EOF" + b"\x00\x10\x00")


# --- MML --------------------------------------------------------------------------------

put("mml", "notes", "t120 o4 l8 c d e f g a b > c4. ^8 r4 <c16;\n")
put("mml", "directives",
    "#TITLE seed;\n#COMPOSER me;\n#WAVE 0x20, 0x05;\n#DRUM c+, 0x24, 100, 64;\n"
    "#MAPBATTLE 0x1A;\n#MONSTERBATTLE 0x0105;\n#MAPTHEME 0x05;\n@0x20 c;\n")
put("mml", "macros-and-loops",
    "#A=c8 d8;\n#B=[2 A | e8 ] f4;\n{ a { nested } comment }\n"
    "@0x21 v100 p64 B $ /:3 A / g2 :/ %e1 %e %A2 %R1 m10,4,30 m c;\n;\nd;\n")
put("mml", "octave-reverse", "#OCTAVE REVERSE;\no3 < c > d l4. e l16 f %l1 g %n1 a %p b;\n")
put("mml", "length-errors", "c7;\n")
# A macro that calls itself before its text ends: refused as too deep.
put("mml", "recursive-macro", "#A=Ac;\nA;\n")
put("mml", "empty-first-channel", ";\nc;\n")
put("mml", "hex-lengths", "c0x04 d0x08. e0x1,0 v0x7F p0,40,90 t132,96;\n")


# --- Patch list files -------------------------------------------------------------------

LIST_HEAD = "// Varnpatch Patch List 2024/03/09 12:00:00\r\n"
put("list", "utf8", LIST_HEAD + "/work/a.ips\r\n/work/b.vnp, B0\r\n/work/song.mml\r\n")
put("list", "cp932", (LIST_HEAD + "C:\\パッチ\\キャラ.vnp, 01\r\nｶﾅ.ips\r\n").encode("cp932"))
put("list", "bom", b"\xEF\xBB\xBF" + (LIST_HEAD + "キャラ.vnp, 1F\n").encode("utf-8"))
put("list", "quoted", LIST_HEAD + '"/work/a,b.vnp", B1\r\n"/work/""q"".vnp"\r\n"unclosed, 02\r\n')
put("list", "odd-targets", "x.vnp, ZZ\r\ny.vnp,B2\r\nz.vnp, 123456\r\n  \t\r\n//comment, 01\r\n, 00\r\n")


# --- ROM headers ------------------------------------------------------------------------
# The header target's layout: two bytes that shorten the image, then 28 bytes for each of the
# four probes (high-mapped, low-mapped, and the two behind a copier header): the 21-byte title,
# six bytes and the version byte.


def window(title=b"", version=0):
    return title.ljust(21, b" ")[:21] + b"\x00" * 6 + bytes([version & 0xFF])


EMPTY = b"\x00" * 28
put("header", "target", b"\x00\x00" + window(b"VARNHOLD EPICS3", 1) + EMPTY * 3)
put("header", "low-mapped", b"\x00\x00" + EMPTY + window(b"VARNHOLD EPICS", 0) + EMPTY * 2)
put("header", "copier-header", b"\x00\x00" + EMPTY * 2 + window(b"VARNHOLD EPICS2", 0xFF) + EMPTY)
put("header", "copier-low", b"\x00\x00" + EMPTY * 3 + window(b"  VARNHOLD EPICS\x00xx", 2))
put("header", "katakana-title",
    b"\x00\x00" + window(bytes.fromhex("B1B2B1DDB6DEB0C4DE"), 3) + EMPTY * 3)
put("header", "katakana-long",
    b"\x00\x00" + window(bytes.fromhex("B5CCDED8B0B8A5BDD8B0CADFBDDE") + b"  Z", 0) + EMPTY * 3)
put("header", "cut-image", b"\x40\x00" + EMPTY * 2 + window(b"ARC PERILS", 1) + EMPTY)


# --- Game text --------------------------------------------------------------------------
# The first byte chooses the extension table (0 none, 1 two rows, 2 two rows switched off).

put("text", "kana-codes", bytes([0, 0x50, 0x51, 0x52, 0x24, 0x53, 0x50, 0x50]))
put("text", "extension-codes", bytes([1, 0x18, 0x10, 0x18, 0x2F, 0x20, 0xAF, 0x23, 0xFF, 0xFE]))
put("text", "extension-off", bytes([2, 0x18, 0x10, 0x51]))
put("text", "name", b"\x01" + "名無しさん".encode())
put("text", "mixed-widths", b"\x00" + "お腹いっぱい。\r\nｶﾞｷﾞﾊﾟ ABC 〜ー…".encode())
put("text", "refused", b"\x01" + "\u3400あ□■\U0001F600".encode())


# --- Text files -------------------------------------------------------------------------

put("textfile", "cp932", "あい\r\n～①ｱﾞ".encode("cp932"))
put("textfile", "utf8", "あい\r\n〜é")
put("textfile", "bom", b"\xEF\xBB\xBF" + "BOM付き".encode())
put("textfile", "halfwidth-pair", "ﾃｱ".encode("cp932"))
put("textfile", "broken", b"\x82\xA0\xFF\x82\x41\xEF\xBB")


# --- Settings files ---------------------------------------------------------------------

SETTINGS = (
    "[Varnwork]\r\nStartupPage=3\r\nExtensionChar=2\r\nEquipmentCheck=1\r\n"
    "SmcHeaderCheck=\"0\"\r\n; comment\r\n10,α,β,γ\r\n20, \"a,b\" ,c\r\nF0,x,,y,\r\n"
)
put("settings", "utf8", SETTINGS)
put("settings", "cp932", SETTINGS.encode("cp932"))
put("settings", "odd-values", "[varnwork]\nstartuppage=+9\nSmcHeaderCheck=99999999999\n[Other]\nExtensionChar=0\n100,x\n")


# --- Data files -------------------------------------------------------------------------
# The shipped data/kanji.txt and data/item_labels.txt are added by fuzz.sh; these show the
# other shapes: comments and spaces, CP932, a byte-order mark, and refusals of each kind.

put("data", "kanji-comments", "# order\n七万　三\t上\r\n\n#下\n丈\n")
put("data", "kanji-cp932", "# 並び\r\n七万三上下不与世両並\r\n".encode("cp932"))
put("data", "kanji-refused", "七万七\n一\nア\nA\n" + "\uFFFD")
put("data", "labels-entries", "# labels\r\nweapon 00 剣\r\n  armour\t60　鎧 改 \r\nspell ab 術\n")
put("data", "labels-cp932", "weapon 00 大剣\r\ntarget B0 場所\r\n".encode("cp932"))
put("data", "labels-bom", b"\xEF\xBB\xBF" + "formation 01 陣形\n".encode())
put("data", "labels-refused", "weapon 00\nshield 00 盾\nweapon 07 x\nweapon 0G x\nweapon 00 a\nweapon 00 b\n")


# --- Enemy graphics and tables ----------------------------------------------------------
# Pictures for a new battle graphic: the smallest, one at the largest size with zero runs and
# busy tiles, and one refused by each rule. Packed graphics as the enemyrom target reads its
# input first: whole, with a zero run past its tile, and cut short; its first byte also picks
# the image size for the tables (0: 4 MiB, 1: expanded, 2: cut inside the expansion).

put("enemygif", "blank-8x8", gif_bytes([indexed(8, 8, [0] * 64, GREY[:16])]))
put("enemygif", "busy-128x160",
    gif_bytes([indexed(128, 160, [0 if (x // 8 + y // 8) % 3 == 0 else (x * 7 + y) % 16
                                  for y in range(160) for x in range(128)], GREY[:16])]))
put("enemygif", "transparent-40x48",
    gif_bytes([indexed(40, 48, [(x ^ y) % 16 for y in range(48) for x in range(40)], GREY[:16])],
              transparency=0))
put("enemygif", "too-wide", gif_bytes([indexed(136, 8, [0] * (136 * 8), GREY[:16])]))
put("enemygif", "not-whole-tiles", gif_bytes([indexed(12, 8, [0] * 96, GREY[:16])]))
put("enemygif", "colour-16", gif_bytes([indexed(16, 8, [16 if x == 3 else 0 for y in range(8) for x in range(16)], GREY)]))

put("enemyrom", "packed-two-tiles", bytes([0x02, 0x01, 0x00, 0x20]) + bytes(range(1, 33)))
put("enemyrom", "expanded-runs", bytes([0x01, 0x01, 0x00, 0x02, 0x05, 0x00, 0x1D, 0x45, 0x01, 0x3F]))
put("enemyrom", "run-past-tile", bytes([0x01, 0x01, 0x05, 0x00, 0x20]))
put("enemyrom", "cut-short", bytes([0x02, 0x02, 0x00, 0x20, 0x00]))

put("enemylabels", "entries", "# enemy labels\r\nrace 0C 種族\r\n  boss\t0B　ボス 改 \r\ncurrency 00 円\n")
put("enemylabels", "cp932", "race 13 種族\r\nelement 07 地相\r\n".encode("cp932"))
put("enemylabels", "refused", "race 0C\nrace 0D x\nenemy 00 x\nboss 0G x\nboss 0B a\nboss 0B b\n")


# --- BPS patches and patch making -------------------------------------------------------
# The bps target takes a patch from its target size on (it writes "BPS1", the size of its
# 256-byte image and the checksums itself); numbers are written seven bits a byte, the last
# byte marked by its top bit, each byte before it counting one more.


def bps_number(value):
    out = bytearray()
    while True:
        low = value & 0x7F
        value >>= 7
        if value == 0:
            out.append(low | 0x80)
            return bytes(out)
        out.append(low)
        value -= 1


def bps_action(kind, length):
    return bps_number((length - 1) << 2 | kind)


def bps_move(move):
    return bps_number(abs(move) << 1 | (1 if move < 0 else 0))


def bps_rest(target_size, actions, metadata=b""):
    return bps_number(target_size) + bps_number(len(metadata)) + metadata + actions


put("bps", "every-action", bps_rest(50,
    bps_action(0, 16) + bps_action(1, 2) + b"xy"
    + bps_action(2, 8) + bps_move(100) + bps_action(2, 4) + bps_move(-50)
    + bps_action(3, 6) + bps_move(2) + bps_action(3, 10) + bps_move(27)
    + bps_action(0, 4)))
put("bps", "metadata", bps_rest(256, bps_action(0, 256), b"<patch>\n  <note>\xe6\x94\xb9</note>\n</patch>"))
put("bps", "grow", bps_rest(300, bps_action(0, 256) + bps_action(1, 1) + b"\xff" + bps_action(3, 43) + bps_move(256)))
put("bps", "shrink", bps_rest(100, bps_action(0, 100)))
put("bps", "copy-before-start", bps_rest(8, bps_action(2, 8) + bps_move(-1)))
put("bps", "empty-target", bps_rest(0, b""))
# A cut to 40 bytes taken from all over the source, the last one from its end.
put("bps", "cut-with-copies", bps_rest(40,
    bps_action(2, 16) + bps_move(200) + bps_action(1, 3) + b"cut"
    + bps_action(2, 20) + bps_move(-216) + bps_action(2, 1) + bps_move(235)))

# The diff target: the original's length (two bytes), a mode byte (1: the rest is written over
# the original at the offset of the next two bytes; 3: and what lengthens it is 0xFF; 5: and
# the copy ends right after it), then the original and the rest.
diff_original = bytes((i * 37 + (i >> 4)) & 0xFF for i in range(600))
put("diff", "overlay", struct.pack(">HBH", 600, 1, 50) + diff_original + b"\x00" * 20 + b"new data")
put("diff", "overlay-grows", struct.pack(">HBH", 600, 3, 590) + diff_original + diff_original[100:300])
put("diff", "moved", struct.pack(">HBH", 600, 0, 0) + diff_original
    + diff_original[300:] + diff_original[:300] + b"\xaa" * 100)
put("diff", "shorter", struct.pack(">HBH", 600, 0, 0) + diff_original + diff_original[:500])
put("diff", "overlay-cut", struct.pack(">HBH", 600, 5, 300) + diff_original + b"cut here")
# A short run of 0xFF in the original, and an expansion that fills on with 0xFF after it.
diff_runs = diff_original[:200] + b"\xff" * 12 + diff_original[212:]
put("diff", "fill-after-run", struct.pack(">HBH", 600, 3, 600) + diff_runs + b"\xff" * 700)

# --- Character sprite sheets in the image -----------------------------------------------
# The charsheet target: the image's size (four bytes, little-endian), the item of the list to
# draw and the pose to animate (a byte each), the 30 pointer entries of the extra codes (4
# bytes each: unused, low, high, bank), their 30 names (8 bytes of game text each) and their
# 30 palettes (32 bytes each); a shorter input leaves the rest to the pattern.

def sheet_head(size, item=0, pose=0):
    return struct.pack("<IBB", size, item, pose)


def sheet_entries(pointers):
    return b"".join(bytes([0, p & 0xFF, (p >> 8) & 0xFF, p >> 16]) for p in pointers)


SHEET_NAMES = b"".join(bytes([0x51 + n % 40, 0x52, 0x53, 0x50, 0x50, 0x50, 0x50, 0x50]) for n in range(30))
SHEET_PALETTES = b"".join(struct.pack("<16H", *[(n * 0x421 + i * 0x1084) & 0x7FFF for i in range(16)])
                          for n in range(30))

put("charsheet", "plain", sheet_head(0x400000, item=0x1F, pose=3))
put("charsheet", "short", sheet_head(0x1D0000, item=0x1E))
put("charsheet", "expanded", sheet_head(0x600000, item=40, pose=1)
    + sheet_entries([0x580000 + 0x2000 * n for n in range(30)]) + SHEET_NAMES + SHEET_PALETTES)
# The two pointer forms: bank C5 below 4 MiB and bank 41 above it; then pointers at and past
# the end, a name that does not decode and an image that ends inside the palettes.
put("charsheet", "pointer-forms", sheet_head(0x600000, item=33)
    + bytes([0, 0x20, 0xA0, 0xC5]) + bytes([0, 0, 0, 0x41]) + bytes([0xFF, 0xFF, 0xFF, 0xFF])
    + bytes([0, 0x40, 0xE4, 0x5F]) + bytes([0, 0, 0, 0x60]))
put("charsheet", "bad-names", sheet_head(0x5AA120, item=50) + sheet_entries([0x410000] * 30)
    + bytes([0x00, 0x18, 0x20, 0x24] * 60))

# --- Songs read back from damaged images ------------------------------------------------
# mmlrom: title, music number, flags (bit 0 a copier header, bits 1-6 odd bytes of image size,
# bit 7 the pattern's own pointer), image size in 32 KiB less one, then the song block placed
# at 0x10000 (and repeated as the image's pattern).


def high_block(start, channels):
    """A song block of titles 0-7 at `start`: length, base, end, the channel pointers twice."""
    base = (start + 38) & 0xFFFF
    body = b""
    pointers = []
    for channel in channels:
        pointers.append((base + len(body)) & 0xFFFF)
        body += bytes(channel)
    end = (base + len(body)) & 0xFFFF
    pointers = [end if not c else p for c, p in zip(channels, pointers)]
    head = struct.pack("<HHH", 38 + len(body), base, end) + struct.pack("<8H", *pointers) * 2
    return head + body


def low_block(channels):
    """A song block of the low-mapped title: length, then the channel pointers from 0x2010."""
    body = b""
    pointers = []
    for channel in channels:
        pointers.append(0x2010 + len(body))
        body += bytes(channel)
    return struct.pack("<H", 18 + len(body)) + struct.pack("<8H", *pointers) + body


# The target game: a loop with its break and a jump back to the loop point.
TARGET_SONG = [[0xDA, 0x20, 0x30, 0xE2, 0x02, 0x10, 0xF5, 0x03, 0x00, 0x00, 0x20, 0xE3,
                0xF4, 0x29, 0x00], [0x31], [], [], [], [], [], []]
put("mmlrom", "target-loop", bytes([0, 0x10, 0, 0x0C]) + high_block(0x10000, TARGET_SONG))
put("mmlrom", "target-expanded", bytes([0, 0xB0, 0, 0xB5]) + high_block(0x10000, TARGET_SONG))
put("mmlrom", "target-headered", bytes([0, 0x10, 1, 0x0C]) + high_block(0x10000, TARGET_SONG))
# Title 2 with the renders of its command table; title 8 with its 15 lengths.
put("mmlrom", "title2-renders", bytes([2, 0, 0, 0x08])
    + high_block(0x10000, [[0xC4, 200, 0xF0, 100, 0xF4, 5, 7, 0x05], [], [], [], [], [], [], []]))
put("mmlrom", "title8-lengths", bytes([8, 0, 0, 0x05])
    + low_block([[0x00, 0x0E, 0xC3, 0xD2], [0x10], [], [], [], [], [], []]))
put("mmlrom", "number-ff", bytes([0, 0xFF, 0, 0xFF]))

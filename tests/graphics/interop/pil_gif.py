#!/usr/bin/python3
"""Reads and writes GIF files with Pillow for the interoperability tests.

  pil_gif.py describe FILE.gif
      Prints what Pillow reads from the file as JSON: the screen, the loop count, the size
      of the global colour table, and per frame its place, delay, disposal, transparent
      index, interlace flag, local colour table size, the colour table it is shown with and
      its own pixels (colour indices and the colour each index names in the frame's table),
      before Pillow lays it over the frames before it.

  pil_gif.py write DIR
      Writes every variant below as DIR/NAME.gif with Pillow, and beside it DIR/NAME.json
      with what the file is meant to show: per frame the colour of every screen pixel, the
      delay, the disposal, the colour of the transparent index and whether the frame is
      interlaced. Prints the names, one a line.

Pillow 9.4 (Debian bookworm's python3-pil) lays every frame after the first over the
previous ones while loading. To see a frame's own pixels, `describe` looks at the frame in
the moment between decoding and that compositing, through the loader's load_prepare and
load_end steps.
"""

import json
import os
import sys
import types

from PIL import GifImagePlugin, Image


# --- describe ------------------------------------------------------------------------------


def _palette_colors(palette):
    """The colours of a Pillow palette as [r, g, b] lists; None for a greyscale frame."""
    if not palette:
        return None
    rawmode, data = palette.getdata()
    if rawmode != "RGB":
        raise SystemExit(f"unexpected palette mode {rawmode}")
    return [list(data[i : i + 3]) for i in range(0, len(data) - 2, 3)]


def _watch_frames(im, captured):
    """Records each frame's own data while Pillow loads it."""
    prepare = im.load_prepare
    end = im.load_end

    def load_prepare(self):
        # _seek has just read the frame's header; load_prepare forgets the palette.
        tile = self.tile[0]
        captured["box"] = tile[1]
        captured["interlaced"] = bool(tile[3][1])
        captured["transparency"] = self._frame_transparency
        captured["palette"] = self._frame_palette
        captured["local"] = self._frame_palette is not self.global_palette
        prepare()

    def load_end(self):
        # self.im holds the decoded indices of this frame, not yet laid over the others.
        x0, y0, x1, y1 = captured["box"]
        captured["indices"] = [
            self.im.getpixel((x, y)) for y in range(y0, y1) for x in range(x0, x1)
        ]
        end()

    im.load_prepare = types.MethodType(load_prepare, im)
    im.load_end = types.MethodType(load_end, im)


def describe(path):
    with Image.open(path) as im:
        if not isinstance(im, GifImagePlugin.GifImageFile):
            raise SystemExit(f"{path}: not read as GIF")
        captured = {}
        _watch_frames(im, captured)
        global_colors = _palette_colors(im.global_palette) if im.global_palette else None
        result = {
            "pillow": Image.__version__,
            "width": im.size[0],
            "height": im.size[1],
            "n_frames": im.n_frames,
            "loop": im.info.get("loop"),
            "background": im.info.get("background"),
            "global_colors": len(global_colors) if global_colors else 0,
            "frames": [],
        }
        for n in range(im.n_frames):
            captured.clear()
            im.seek(n)
            im.load()
            x0, y0, x1, y1 = captured["box"]
            colors = _palette_colors(captured["palette"])
            if colors is None:
                rgb = [[i, i, i] for i in captured["indices"]]
            else:
                rgb = [colors[i] if i < len(colors) else None for i in captured["indices"]]
            result["frames"].append(
                {
                    "left": x0,
                    "top": y0,
                    "width": x1 - x0,
                    "height": y1 - y0,
                    "duration": im.info.get("duration"),
                    "disposal": im.disposal_method,
                    "transparency": captured["transparency"],
                    "interlaced": captured["interlaced"],
                    "local_colors": len(colors) if captured["local"] and colors else 0,
                    "colors": colors,
                    "indices": captured["indices"],
                    "rgb": rgb,
                }
            )
        # The loop count sits before the first frame; Pillow keeps it in info from there.
        result["loop"] = im.info.get("loop", result["loop"])
    json.dump(result, sys.stdout)
    sys.stdout.write("\n")


# --- write ---------------------------------------------------------------------------------


def make_palette(count, seed):
    """`count` distinct colours (the red channel alone tells them apart), never a greyscale
    ramp, so Pillow keeps the image in palette mode."""
    return [
        (((i * 53) + seed) % 256, ((i * 101) + 7 * seed + 3) % 256, ((i * 197) + 91) % 256)
        for i in range(count)
    ]


def pattern(width, height, count, seed):
    """Colour indices that differ from row to row (so rows stored out of order show) and
    together use every index when there are enough pixels."""
    return [((y * width + x) * 7 + seed) % count for y in range(height) for x in range(width)]


def palette_image(width, height, palette, indices):
    im = Image.new("P", (width, height))
    im.putpalette(bytes(c for color in palette for c in color))
    im.putdata(indices)
    return im


def expected_frame(palette, indices, duration=None, disposal=0, transparency=None,
                   interlaced=False):
    return {
        "duration": duration,
        "disposal": disposal,
        "transparent_rgb": list(palette[transparency]) if transparency is not None else None,
        "interlaced": interlaced,
        "rgb": [list(palette[i]) for i in indices],
    }


def write_still(directory, name, width, height, colors, interlace, transparency=None,
                used=None, local_table=False):
    palette = make_palette(colors, seed=sum(map(ord, name)))
    indices = pattern(width, height, colors, seed=1)
    if used is not None:
        indices = [used[i % len(used)] for i in indices]
    im = palette_image(width, height, palette, indices)
    options = {"optimize": False, "interlace": interlace}
    if local_table:
        # The frame gets a table of its own as well as the global one.
        options["include_color_table"] = True
    if transparency is not None:
        options["transparency"] = transparency
    im.save(os.path.join(directory, name + ".gif"), **options)
    # Pillow never interlaces an image narrower or lower than 16 pixels.
    interlaced = interlace and min(width, height) >= 16
    frame = expected_frame(palette, indices, transparency=transparency, interlaced=interlaced)
    return {"width": width, "height": height, "loop": None, "frames": [frame]}


def write_animation(directory, name, frames, width, height, loop):
    """Writes frames given as dicts (palette, indices, duration, disposal, transparency)."""
    images = []
    for frame in frames:
        im = palette_image(width, height, frame["palette"], frame["indices"])
        if frame.get("transparency") is not None:
            im.info["transparency"] = frame["transparency"]
        images.append(im)
    images[0].save(
        os.path.join(directory, name + ".gif"),
        save_all=True,
        append_images=images[1:],
        optimize=False,
        duration=[f["duration"] for f in frames],
        disposal=[f["disposal"] for f in frames],
        loop=loop,
    )
    return {
        "width": width,
        "height": height,
        "loop": loop,
        "frames": [
            expected_frame(f["palette"], f["indices"], f["duration"], f["disposal"],
                           f.get("transparency"))
            for f in frames
        ],
    }


def changed_inside(indices, width, box, count, seed):
    """A copy of `indices` with the pixels inside box (x0, y0, x1, y1) changed."""
    x0, y0, x1, y1 = box
    out = list(indices)
    for y in range(y0, y1):
        for x in range(x0, x1):
            out[y * width + x] = (out[y * width + x] + seed) % count
    return out


def write_all(directory):
    variants = {}
    variants["still_2"] = write_still(directory, "still_2", 13, 7, 2, interlace=False)
    variants["still_16"] = write_still(directory, "still_16", 24, 18, 16, interlace=False)
    variants["still_16_interlaced"] = write_still(
        directory, "still_16_interlaced", 24, 18, 16, interlace=True)
    variants["still_256"] = write_still(directory, "still_256", 32, 19, 256, interlace=False)
    variants["still_256_interlaced"] = write_still(
        directory, "still_256_interlaced", 32, 19, 256, interlace=True)
    variants["still_transparent"] = write_still(
        directory, "still_transparent", 20, 12, 16, interlace=False, transparency=5)
    # A 16-colour table of which the pixels use four colours.
    variants["still_uses_4"] = write_still(
        directory, "still_uses_4", 17, 11, 16, interlace=False, used=[1, 6, 11, 14])
    # Stills whose frame carries a local table, of the sizes of a sprite sheet and of a skill
    # graphic (which also fits an enemy picture), using only colours every one of those
    # readers accepts.
    for name, width, height in [("local_sheet", 176, 133), ("local_strip", 128, 16)]:
        variants[name] = write_still(directory, name, width, height, 16, interlace=False,
                                     used=[0, 1, 2, 4, 5, 6, 7], local_table=True)
    # Stills of one size with tables of their own, merged into an animation by gifsicle.
    # Together the first two hold more colours than one table can, so the merged animation
    # needs local tables; the third is smaller and is placed inside the screen.
    for name, width, height, colors in [("piece_0", 18, 14, 200), ("piece_1", 18, 14, 200),
                                        ("piece_2", 9, 6, 8)]:
        variants[name] = write_still(directory, name, width, height, colors, interlace=False)

    # Three frames, each with another table: Pillow gives every later frame a local table
    # and crops it to where it differs from the frame before.
    w, h = 24, 16
    first = pattern(w, h, 8, seed=0)
    second = pattern(w, h, 16, seed=3)
    third = changed_inside(second, w, (5, 4, 17, 13), 16, seed=5)
    variants["animation"] = write_animation(
        directory, "animation",
        [
            {"palette": make_palette(8, 1), "indices": first, "duration": 70, "disposal": 1},
            {"palette": make_palette(16, 2), "indices": second, "duration": 120,
             "disposal": 2, "transparency": 3},
            {"palette": make_palette(16, 2), "indices": third, "duration": 40,
             "disposal": 1},
        ],
        w, h, loop=0)
    # Two frames, the first transparent, played three times.
    w, h = 10, 9
    on = pattern(w, h, 4, seed=0)
    off = changed_inside(on, w, (0, 0, w, h), 4, seed=1)
    variants["blink"] = write_animation(
        directory, "blink",
        [
            {"palette": make_palette(4, 4), "indices": on, "duration": 250, "disposal": 3,
             "transparency": 0},
            {"palette": make_palette(4, 5), "indices": off, "duration": 500, "disposal": 1},
        ],
        w, h, loop=3)

    for name, expected in variants.items():
        with open(os.path.join(directory, name + ".json"), "w") as out:
            json.dump(expected, out)
        print(name)


def main(argv):
    if len(argv) == 3 and argv[1] == "describe":
        describe(argv[2])
    elif len(argv) == 3 and argv[1] == "write":
        write_all(argv[2])
    else:
        raise SystemExit("usage: pil_gif.py describe FILE.gif | write DIR")


if __name__ == "__main__":
    main(sys.argv)

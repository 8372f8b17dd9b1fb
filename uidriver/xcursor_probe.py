#!/usr/bin/env python3
"""Writes the X server's current pointer shape to the file named by the first argument, as
"WIDTHxHEIGHT hot X,Y HASH[,HASH...]": the UI driver compares it with the shapes of the system
cursors. An animated cursor (the wait cursor is one) shows several images: with a second argument,
the pointer is looked at for that many seconds and every image seen is listed, sorted.
Uses the XFixes extension through ctypes, so it needs nothing beyond libX11 and libXfixes."""
import ctypes
import hashlib
import os
import sys
import time


class CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


def main():
    x11 = ctypes.CDLL("libX11.so.6")
    xfixes = ctypes.CDLL("libXfixes.so.3")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XFree.argtypes = [ctypes.c_void_p]
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("no X display")
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 0.0
    deadline = time.monotonic() + seconds
    frames = {}
    while True:
        image = xfixes.XFixesGetCursorImage(display)
        if not image:
            sys.exit("no pointer image")
        shape = image.contents
        digest = hashlib.sha1()
        for i in range(shape.width * shape.height):
            digest.update((shape.pixels[i] & 0xFFFFFFFF).to_bytes(4, "little"))
        frames[digest.hexdigest()[:16]] = "%dx%d hot %d,%d" % (shape.width, shape.height,
                                                               shape.xhot, shape.yhot)
        x11.XFree(image)
        if time.monotonic() >= deadline:
            break
        time.sleep(0.02)
    x11.XCloseDisplay(display)
    sizes = sorted(set(frames.values()))
    answer = "%s %s\n" % ("/".join(sizes), ",".join(sorted(frames)))
    # Written whole, then renamed: the driver cannot wait for a Unix process, only for its file.
    with open(sys.argv[1] + ".tmp", "w") as out:
        out.write(answer)
    os.replace(sys.argv[1] + ".tmp", sys.argv[1])


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Clicks a mouse button at a point of the X display through the XTEST extension.

usage: x_click.py X Y BUTTON   (BUTTON 1 left, 3 right)

The click comes from the X server itself, so it reaches whichever X window the server finds
under the point, as a user's click does.
"""
import ctypes
import sys

x, y, button = (int(a) for a in sys.argv[1:4])
xlib = ctypes.CDLL("libX11.so.6")
xtst = ctypes.CDLL("libXtst.so.6")
xlib.XOpenDisplay.restype = ctypes.c_void_p
display = xlib.XOpenDisplay(None)
if not display:
    sys.exit("cannot open the display")
display = ctypes.c_void_p(display)
xtst.XTestFakeMotionEvent(display, -1, x, y, 0)
xtst.XTestFakeButtonEvent(display, button, True, 0)
xtst.XTestFakeButtonEvent(display, button, False, 0)
xlib.XSync(display, False)
xlib.XCloseDisplay(display)

#!/usr/bin/env python3
"""Draws the package's logos from the program's icon drawing (config/res/make_icon.py) at the sizes
the manifest names, as RGBA PNG files with smoothed, transparent edges (the standard library only).
Usage: make_logos.py [FOLDER]"""
import os
import sys

sys.dont_write_bytecode = True  # leave no cache in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'config', 'res'))
import make_icon  # noqa: E402

# File name and edge: the store logo of Properties/Logo, then the two of VisualElements.
LOGOS = (('StoreLogo.png', 50), ('Square44x44Logo.png', 44), ('Square150x150Logo.png', 150))


if __name__ == '__main__':
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, size in LOGOS:
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(make_icon.png(make_icon.sample(size)))

#!/usr/bin/env python3
"""Makes the crop view's first picture, resources/crop-placeholder.jpg: a plain white 819 x 460
baseline JPEG, compressed by cjpeg (libjpeg-turbo-progs, which scripts/bootstrap.sh installs).

The JPEG is committed so that builds need neither Python nor cjpeg; run this again only to
change it.
"""
import os
import subprocess

WIDTH, HEIGHT = 819, 460


def main():
    ppm = b"P6\n%d %d\n255\n" % (WIDTH, HEIGHT) + b"\xff" * (WIDTH * HEIGHT * 3)
    jpeg = subprocess.run(["cjpeg", "-quality", "90", "-baseline"], input=ppm, stdout=subprocess.PIPE,
                          check=True).stdout
    path = os.path.join(os.path.dirname(__file__), "..", "resources", "crop-placeholder.jpg")
    with open(path, "wb") as f:
        f.write(jpeg)


if __name__ == "__main__":
    main()

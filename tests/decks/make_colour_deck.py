#!/usr/bin/env python3
"""Writes a short deck whose slides tell themselves apart by a plain background colour, with a
small title in a corner, so that the middle of the stage shows which slide is on:
make_colour_deck.py OUT.pptx

Used by the page tests: red, then green, then blue.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'examples'))
from pptx_writer import para, run, shape, slide, solid, text_body, write_deck  # noqa: E402

COLOURS = ['C83232', '32A050', '3250C8']


def colour_slide(i, rgb):
    title = shape(2, 'Title', 'rect', (24, 24, 300, 60), body=text_body(para(run(f'Slide {i + 1}', 28, True, 'FFFFFF'))))
    return slide(title, background=f'<p:bg><p:bgPr>{solid(rgb)}<a:effectLst/></p:bgPr></p:bg>'), 'obj', []


def main():
    if len(sys.argv) != 2:
        sys.exit('usage: make_colour_deck.py OUT.pptx')
    write_deck(sys.argv[1], [colour_slide(i, rgb) for i, rgb in enumerate(COLOURS)])


if __name__ == '__main__':
    main()

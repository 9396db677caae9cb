#!/usr/bin/env python3
"""Writes a deck of vertical text for the layout and player tests: make_vertical_deck.py OUT.pptx

One slide with a text box for each vertical orientation (vert, vert270, eaVert, mongolianVert,
wordArtVert), Japanese and Latin text mixed, two columns each; and a turned shape with vertical
text, so that the turn of the text adds to the shape's.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'examples'))
from pptx_writer import para, run, shape, slide, solid, write_deck  # noqa: E402


def body(vert, paras, anchor='t'):
    return (f'<p:txBody><a:bodyPr vert="{vert}" anchor="{anchor}" lIns="91440" tIns="45720" '
            f'rIns="91440" bIns="45720"/><a:lstStyle/>{paras}</p:txBody>')


def box(sid, vert, x, text, rot=0, colour='FFF4D6'):
    paras = ''.join(para(run(t, size=20, rgb='1F3864')) for t in text)
    return shape(sid, f'Text {vert}', 'rect', (x, 40, 120, 300), solid(colour),
                 '<a:ln w="12700"><a:solidFill><a:srgbClr val="7F7F7F"/></a:solidFill></a:ln>',
                 body(vert, paras), rot=rot)


def main():
    out = sys.argv[1]
    lines = ['縦書き、ABC。', '二行目「かな」']
    shapes = (box(2, 'vert', 20, ['Down the side', 'second']) +
              box(3, 'vert270', 160, ['Up the side', 'second']) +
              box(4, 'eaVert', 300, lines) +
              box(5, 'mongolianVert', 440, lines) +
              box(6, 'wordArtVert', 580, ['WORD', 'ART']) +
              box(7, 'eaVert', 720, lines, rot=30, colour='E2F0D9'))
    write_deck(out, [(slide(shapes), 'obj', [])])


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Writes a long deck for the player's key-latency benchmark and the long-deck playback test:
make_long_deck.py OUT.pptx [SLIDES]   (default 60 slides)

Every slide carries what real decks carry (a title, a bulleted list, filled shapes, a picture
and a number large enough to tell the slides apart), on a background colour of its own, so that
a screenshot tells which slide is shown.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'examples'))
from pptx_writer import (png, para, placeholder, run, shape, slide, solid, text_body,  # noqa: E402
                         write_deck)

PICTURE = png(160, 120, lambda x, y: ((x * 3) % 256, (y * 4) % 256, 200 if (x // 20 + y // 20) % 2 else 40))


def background(i):
    # Light colours far enough apart that neighbouring slides never look alike.
    hue = [(0xF0, 0xF4, 0xF8), (0xFF, 0xF3, 0xE0), (0xE8, 0xF5, 0xE9), (0xFC, 0xE4, 0xEC), (0xED, 0xE7, 0xF6)][i % 5]
    rgb = ''.join(f'{c:02X}' for c in hue)
    return f'<p:bg><p:bgPr>{solid(rgb)}<a:effectLst/></p:bgPr></p:bg>'


def long_slide(i):
    bullets = ''.join(para(run(f'Point {k + 1} of slide {i + 1}: some words to lay out and draw')) for k in range(4))
    shapes = (placeholder(2, 'Title 1', 'title', body=text_body(para(run(f'Slide {i + 1}')))) +
              placeholder(3, 'Content 2', 'body', (48, 124, 520, 340), idx=1, body=text_body(bullets)) +
              shape(4, 'Box', 'rect', (600, 130, 150, 90), solid('2680C2')) +
              shape(5, 'Oval', 'ellipse', (770, 130, 150, 90), solid('E12D39')) +
              shape(6, 'Number', 'rect', (600, 240, 320, 110), solid('243B53'),
                    body=text_body(para(run(str(i + 1), 54, True, 'FFFFFF'), '<a:pPr algn="ctr"/>'), 'ctr')) +
              '<p:pic><p:nvPicPr><p:cNvPr id="7" name="Picture"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>'
              '<p:blipFill><a:blip r:embed="rId2"/><a:stretch><a:fillRect/></a:stretch></p:blipFill>'
              '<p:spPr><a:xfrm><a:off x="7620000" y="4572000"/><a:ext cx="2032000" cy="1524000"/></a:xfrm>'
              '<a:prstGeom prst="rect"><a:avLst/></a:prstGeom></p:spPr></p:pic>')
    return slide(shapes, background=background(i)), 'obj', [('rId2', 'image', '../media/picture.png')]


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit('usage: make_long_deck.py OUT.pptx [SLIDES]')
    count = int(sys.argv[2]) if len(sys.argv) == 3 else 60
    write_deck(sys.argv[1], [long_slide(i) for i in range(count)], [('picture.png', PICTURE)])


if __name__ == '__main__':
    main()

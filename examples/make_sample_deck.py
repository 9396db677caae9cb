#!/usr/bin/env python3
"""Writes examples/sample.pptx, the deck the README's first command converts.

It shows what a conversion carries over: a master decoration on every slide, a gradient and a
picture background, autoshapes with solid and gradient fills, a line with an arrowhead, a
picture, bulleted and numbered text, and transitions. Only the standard library is used (through pptx_writer.py), so the
deck can be made again anywhere: python3 examples/make_sample_deck.py
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pptx_writer import *  # noqa: E402,F403

# The picture shown on the third slide, and the tile of the fourth slide's background.
PICTURE = png(192, 128, lambda x, y: ((x * 4) % 256, (y * 2) % 256, 160 if (x // 16 + y // 16) % 2 else 60))
TILE = png(32, 32, lambda x, y: (236, 242, 250) if (x + y) % 32 < 16 else (222, 232, 246))

FADE = '<p:transition spd="med"><p:fade/></p:transition>'
WIPE = '<p:transition spd="slow"><p:wipe dir="r"/></p:transition>'

SLIDES = [
    # 1: title slide over a vertical gradient background
    (slide(placeholder(2, 'Title 1', 'ctrTitle',
                       body=text_body(para(run('Quillet sample deck'), '<a:pPr algn="ctr"/>'))) +
           placeholder(3, 'Subtitle 2', 'subTitle', idx=1,
                       body=text_body(para(run('One presentation, one movie', 24, rgb='486581'),
                                           '<a:pPr marL="0" indent="0" algn="ctr"><a:buNone/></a:pPr>'))),
           background='<p:bg><p:bgPr>' + gradient([(0, 'FFFFFF'), (60, 'F0F4F8'), (100, 'BCCCDC')], 90) +
           '<a:effectLst/></p:bgPr></p:bg>'), 'title', []),
    # 2: autoshapes
    (slide(placeholder(2, 'Title 1', 'title', body=text_body(para(run('Shapes')))) +
           shape(3, 'Box', 'rect', (60, 140, 180, 110), solid('2680C2')) +
           shape(4, 'Rounded', 'roundRect', (280, 140, 180, 110), solid('3EBD93'),
                 '<a:ln w="38100"><a:solidFill><a:srgbClr val="147D64"/></a:solidFill></a:ln>') +
           shape(5, 'Oval', 'ellipse', (500, 140, 180, 110),
                 gradient([(0, 'F0B429'), (100, 'E12D39')], 45)) +
           shape(6, 'Triangle', 'triangle', (720, 140, 160, 110), solid('8662C7')) +
           shape(7, 'Arrow', 'rightArrow', (60, 300, 240, 100), solid('F35627')) +
           shape(8, 'Star', 'star5', (350, 290, 130, 130), solid('F0B429'), rot=15) +
           shape(9, 'Hexagon', 'hexagon', (530, 300, 150, 110), solid('0B69A3'),
                 body=text_body(para(run('Six', 20, True, 'FFFFFF'), '<a:pPr algn="ctr"/>'), 'ctr')) +
           '<p:cxnSp><p:nvCxnSpPr><p:cNvPr id="10" name="Pointer"/><p:cNvCxnSpPr/><p:nvPr/></p:nvCxnSpPr>'
           f'<p:spPr>{xfrm(720, 350, 170, 0)}<a:prstGeom prst="line"><a:avLst/></a:prstGeom>'
           '<a:ln w="38100"><a:solidFill><a:srgbClr val="243B53"/></a:solidFill>'
           '<a:tailEnd type="triangle" w="med" len="med"/></a:ln></p:spPr></p:cxnSp>',
           transition=FADE), 'obj', []),
    # 3: a picture beside text
    (slide(placeholder(2, 'Title 1', 'title', body=text_body(para(run('Pictures')))) +
           '<p:pic><p:nvPicPr><p:cNvPr id="3" name="Picture"/><p:cNvPicPr><a:picLocks noChangeAspect="1"/>'
           '</p:cNvPicPr><p:nvPr/></p:nvPicPr><p:blipFill><a:blip r:embed="rId2"/><a:stretch><a:fillRect/>'
           f'</a:stretch></p:blipFill><p:spPr>{xfrm(60, 140, 384, 256)}<a:prstGeom prst="rect"><a:avLst/>'
           '</a:prstGeom><a:ln w="12700"><a:solidFill><a:srgbClr val="243B53"/></a:solidFill></a:ln>'
           '</p:spPr></p:pic>' +
           shape(4, 'Caption', 'rect', (480, 140, 420, 256), '<a:noFill/>',
                 body=text_body(para(run('A picture keeps its pixels, its place and its frame.', 24))
                                + para(run('Backgrounds may be pictures too: see the next slide.', 20,
                                           rgb='486581')))),
           transition=WIPE), 'obj', [('rId2', 'image', '../media/picture.png')]),
    # 4: lists over a tiled picture background
    (slide(placeholder(2, 'Title 1', 'title', body=text_body(para(run('Lists')))) +
           placeholder(3, 'Content 2', 'body', (48, 124, 420, 340), idx=1,
                       body=text_body(para(run('Bullets at the hanging indent')) +
                                      para(run('A second level'), '<a:pPr lvl="1"/>') +
                                      para(run('Back at the first')))) +
           shape(4, 'Numbers', 'rect', (500, 124, 420, 340), '<a:noFill/>',
                 body=text_body(''.join(
                     para(run(t, 24), '<a:pPr marL="457200" indent="-457200"><a:buFont typeface="+mj-lt"/>'
                          '<a:buAutoNum type="arabicPeriod"/></a:pPr>')
                     for t in ('Open the deck', 'Convert it', 'Play the movie')))),
           background='<p:bg><p:bgPr><a:blipFill dpi="0" rotWithShape="1"><a:blip r:embed="rId2"/>'
           '<a:srcRect/><a:tile tx="0" ty="0" sx="100000" sy="100000" flip="none" algn="tl"/></a:blipFill>'
           '<a:effectLst/></p:bgPr></p:bg>', transition=FADE), 'obj', [('rId2', 'image', '../media/tile.png')]),
    # 5: closing slide
    (slide(placeholder(2, 'Title 1', 'ctrTitle',
                       body=text_body(para(run('Thank you'), '<a:pPr algn="ctr"/>'))) +
           placeholder(3, 'Subtitle 2', 'subTitle', idx=1,
                       body=text_body(para(run('Arrows and space move through the show', 20, rgb='486581'),
                                           '<a:pPr marL="0" indent="0" algn="ctr"><a:buNone/></a:pPr>'))) +
           # white text with a shadow on a dark band, and a line of Japanese
           shape(4, 'Band', 'rect', (330, 360, 300, 64), solid('243B53'),
                 body=text_body(para('<a:r><a:rPr lang="en-US" sz="3200" b="1" dirty="0">'
                                     + solid('FFFFFF') + '<a:effectLst><a:outerShdw blurRad="0" '
                                     'dist="38100" dir="2700000" algn="tl"><a:srgbClr val="000000"/>'
                                     '</a:outerShdw></a:effectLst></a:rPr><a:t>Quillet</a:t></a:r>',
                                     '<a:pPr algn="ctr"/>'), anchor='ctr')) +
           shape(5, 'Japanese', 'rect', (280, 440, 400, 50), '<a:noFill/>',
                 body=text_body(para('<a:r><a:rPr lang="ja-JP" altLang="en-US" sz="2400" dirty="0">'
                                     + solid('243B53') + '<a:ea typeface="Noto Sans CJK JP"/></a:rPr>'
                                     '<a:t>スライドショーの終わり</a:t></a:r>', '<a:pPr algn="ctr"/>'))),
           transition=WIPE), 'title', []),
]


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'sample.pptx')
    write_deck(out, SLIDES, [('picture.png', PICTURE), ('tile.png', TILE)])
    print(out)


if __name__ == '__main__':
    main()

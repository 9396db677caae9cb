#!/usr/bin/env python3
"""Writes a deck of bulleted and numbered lists for the player tests: make_lists_deck.py OUT.pptx

Slide 1: lists with hanging and positive indents over three levels, bullets in their own face,
colour and size, numbers in several styles and from a start value, centred and right-aligned
lists. Slide 2: a list in vertical text, a list turned within its shape (bodyPr rot) and one in a
turned shape.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'examples'))
from pptx_writer import run, shape, slide, solid, write_deck  # noqa: E402

EMU = 12700
LINE = '<a:ln w="12700"><a:solidFill><a:srgbClr val="7F7F7F"/></a:solidFill></a:ln>'


def item(text, bullet, level=0, mar=27, indent=-27, algn='l', size=18):
    attrs = f'marL="{mar * EMU}" indent="{indent * EMU}" algn="{algn}"'
    if level:
        attrs += f' lvl="{level}"'
    return f'<a:p><a:pPr {attrs}>{bullet}</a:pPr>{run(text, size=size, rgb="1F3864")}</a:p>'


def char(c, face=None, rgb=None, pct=None):
    out = f'<a:buClr><a:srgbClr val="{rgb}"/></a:buClr>' if rgb else ''
    out += f'<a:buSzPct val="{pct * 1000}"/>' if pct else ''
    out += f'<a:buFont typeface="{face}"/>' if face else ''
    return out + f'<a:buChar char="{c}"/>'


def number(kind, start=None):
    s = f' startAt="{start}"' if start else ''
    return f'<a:buAutoNum type="{kind}"{s}/>'


def box(sid, x, y, w, h, paras, body_attrs='', rot=0, colour='FFF4D6'):
    body = (f'<p:txBody><a:bodyPr wrap="square" lIns="91440" tIns="45720" rIns="91440" '
            f'bIns="45720"{body_attrs}/><a:lstStyle/>{paras}</p:txBody>')
    return shape(sid, f'List {sid}', 'rect', (x, y, w, h), solid(colour), LINE, body, rot=rot)


def main():
    out = sys.argv[1]
    hanging = (item('Disc bullet', char('&#8226;', 'Arial')) +
               item('Dash, level two', char('&#8211;', rgb='C00000'), 1, 54, -22) +
               item('Square, level three', char('&#167;', 'Wingdings', pct=120), 2, 81, -20) +
               item('Back to one', char('&#8226;', 'Arial')))
    numbered = (item('First', number('arabicPeriod')) +
                item('Second', number('arabicPeriod')) +
                item('Sub a', number('alphaLcParenR'), 1, 54, -27) +
                item('Sub b', number('alphaLcParenR'), 1, 54, -27) +
                item('Third', number('arabicPeriod')) +
                item('Roman from four', number('romanUcPeriod', 4), mar=36, indent=-36))
    flush = (item('No hanging indent', number('arabicParenBoth'), mar=18, indent=0) +
             item('Positive indent', char('&#187;', rgb='2E75B6'), mar=0, indent=27) +
             item('Tiny bullet', char('o', 'Courier New', pct=60), mar=18, indent=-18, size=14))
    centred = (item('Centred item', char('&#8226;'), algn='ctr') +
               item('Right item', number('arabicPeriod'), algn='r') +
               item('Right item two', number('arabicPeriod'), algn='r'))
    first = (box(2, 30, 30, 430, 220, hanging) + box(3, 490, 30, 430, 230, numbered) +
             box(4, 30, 280, 430, 160, flush) + box(5, 490, 290, 430, 140, centred))
    turned = (box(2, 30, 30, 200, 420, hanging, ' vert="vert"') +
              box(3, 260, 60, 360, 200, numbered, ' rot="1800000"', colour='E2F0D9') +
              box(4, 640, 120, 280, 200, flush, rot=330, colour='DEEBF7') +
              box(5, 300, 320, 320, 160, centred, ' rot="-5400000"'))
    write_deck(out, [(slide(first), 'obj', []), (slide(turned), 'obj', [])])


if __name__ == '__main__':
    main()

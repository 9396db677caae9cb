#!/usr/bin/env python3
"""Writes a deck with a table for the player test: make_table_deck.py OUT.pptx

One slide with a table in the built-in medium style (header row, banded rows): a header cell
spanning two columns, a cell spanning two rows, thin and dashed borders of the cells' own, small
digits whose thin strokes tell "0" from "C", a row whose three lines make it grow past its stored
height, centred and bottom-anchored cells, and a cell of vertical text. Below it, shapes with hard
(unblurred) shadows, one turned with its shadow and one with a see-through shadow, and a text
with outlined runs, one of them hollow. Beside them, a line in each kind of underline: dotted,
dashed, dash-dot-dot and heavy, wavy, double wavy, double and under words only; a run
highlighted in yellow under a blue underline, and a double strike-through.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'examples'))
from pptx_writer import EMU, para, run, shape, slide, solid, text_body, write_deck  # noqa: E402

MEDIUM_STYLE_2 = '{5C22544A-7EE6-4342-B048-85BDC9FD1C3A}'


def line(side, width, rgb, dash=None):
    d = f'<a:prstDash val="{dash}"/>' if dash else ''
    return f'<a:{side} w="{int(width * EMU)}">{solid(rgb)}{d}</a:{side}>'


def cell(texts, size=12, props='', tcpr='', span=''):
    paras = ''.join(para(run(t, size=size, rgb='1F1F1F')) for t in texts) or '<a:p/>'
    return (f'<a:tc{span}><a:txBody><a:bodyPr/><a:lstStyle/>{paras}</a:txBody>'
            f'<a:tcPr{props}>{tcpr}</a:tcPr></a:tc>')


def merged(kind):
    return f'<a:tc {kind}="1"><a:txBody><a:bodyPr/><a:lstStyle/><a:p/></a:txBody><a:tcPr/></a:tc>'


def table(x, y, columns, rows):
    grid = ''.join(f'<a:gridCol w="{w * EMU}"/>' for w in columns)
    body = ''.join(f'<a:tr h="{h * EMU}">{"".join(cells)}</a:tr>' for h, cells in rows)
    height = sum(h for h, _ in rows)
    return (f'<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id="2" name="Table 1"/>'
            '<p:cNvGraphicFramePr><a:graphicFrameLocks noGrp="1"/></p:cNvGraphicFramePr><p:nvPr/>'
            f'</p:nvGraphicFramePr><p:xfrm><a:off x="{x * EMU}" y="{y * EMU}"/>'
            f'<a:ext cx="{sum(columns) * EMU}" cy="{height * EMU}"/></p:xfrm><a:graphic>'
            '<a:graphicData uri="http://schemas.openxmlformats.org/drawingml/2006/table"><a:tbl>'
            f'<a:tblPr firstRow="1" bandRow="1"><a:tableStyleId>{MEDIUM_STYLE_2}</a:tableStyleId>'
            f'</a:tblPr><a:tblGrid>{grid}</a:tblGrid>{body}</a:tbl></a:graphicData></a:graphic>'
            '</p:graphicFrame>')


def hard_shadow(dist, direction, rgb, alpha=100, turns=True):
    a = f'<a:alpha val="{alpha * 1000}"/>' if alpha < 100 else ''
    rot = '' if turns else ' rotWithShape="0"'
    return (f'<a:effectLst><a:outerShdw dist="{int(dist * EMU)}" dir="{direction * 60000}"{rot}>'
            f'<a:srgbClr val="{rgb}">{a}</a:srgbClr></a:outerShdw></a:effectLst>')


def outlined(text, size, width, line_rgb, fill_rgb=None):
    fill = solid(fill_rgb) if fill_rgb else '<a:noFill/>'
    return (f'<a:r><a:rPr lang="en-US" sz="{size * 100}" b="1" dirty="0"><a:ln w="{int(width * EMU)}">'
            f'{solid(line_rgb)}</a:ln>{fill}</a:rPr><a:t>{text}</a:t></a:r>')


def shadowed_shapes():
    edge = f'<a:ln w="{int(2 * EMU)}">{solid("1F3864")}</a:ln>'
    return (shape(10, 'Shadowed', 'rect', (60, 330, 150, 70), solid('4472C4') + hard_shadow(6, 45, '000000'),
                  edge)
            + shape(11, 'Turned', 'roundRect', (250, 330, 150, 70), solid('70AD47') + hard_shadow(5, 90, '7F7F7F'),
                    edge, rot=20)
            + shape(12, 'Clear', 'rect', (440, 330, 150, 70),
                    solid('FFC000') + hard_shadow(8, 135, 'C00000', 50, turns=False), rot=-15)
            + shape(13, 'Outlined', 'rect', (60, 430, 560, 80), body=text_body(para(
                outlined('Outlined ', 40, 1.5, 'C00000', 'FFD966') + outlined('hollow', 40, 1, '2F5597')
                + run(' plain', 40, True, '1F1F1F')))))


def underlined():
    def styled(style, rgb):
        return para(f'<a:r><a:rPr lang="en-US" sz="2000" u="{style}" dirty="0">{solid(rgb)}</a:rPr>'
                    f'<a:t>{style} underline</a:t></a:r>')
    styles = [('dotted', '1F1F1F'), ('dash', 'C00000'), ('dotDotDashHeavy', '2F5597'), ('wavy', '1F1F1F'),
              ('wavyDbl', '70AD47'), ('dbl', '1F1F1F'), ('words', '2F5597')]
    marked = para(run('Plain, ', 20, False, '1F1F1F')
                  + '<a:r><a:rPr lang="en-US" sz="2000" u="sng" dirty="0">' + solid('1F1F1F')
                  + '<a:highlight><a:srgbClr val="FFFF00"/></a:highlight><a:uFill>' + solid('2F5597')
                  + '</a:uFill></a:rPr><a:t>highlighted text</a:t></a:r>')
    struck = para('<a:r><a:rPr lang="en-US" sz="2000" strike="dblStrike" dirty="0">' + solid('C00000')
                  + '</a:rPr><a:t>double strike-through</a:t></a:r>')
    return shape(14, 'Underlined', 'rect', (680, 60, 260, 420),
                 body=text_body(''.join(styled(s, rgb) for s, rgb in styles) + marked + struck))


def main():
    out = sys.argv[1]
    thin = line('lnB', 0.75, '000000') + line('lnR', 0.75, '000000')
    dashed = line('lnB', 2, 'C00000', 'dash')
    rows = [
        (28, [cell(['Merged header'], 16, span=' gridSpan="2"'), merged('hMerge'),
              cell(['Q3'], 16), cell(['Q4'], 16)]),
        (24, [cell(['Spans two rows'], 12, ' anchor="ctr"', span=' rowSpan="2"'),
              cell(['0 C 0 C'], 10, tcpr=thin), cell(['8008'], 10, tcpr=thin),
              cell(['C0C0'], 10, tcpr=dashed)]),
        (24, [merged('vMerge'), cell(['0.00'], 11, ' anchor="b"'), cell(['100'], 11),
              cell(['Up'], 14, ' vert="vert270" anchor="ctr"')]),
        (20, [cell(['A row grown', 'by three lines', 'of its text'], 14), cell(['0'], 9),
              cell(['C'], 9), cell(['00'], 9, tcpr=thin)]),
    ]
    write_deck(out, [(slide(table(60, 60, [200, 140, 140, 120], rows) + shadowed_shapes() + underlined()), 'obj', [])])


if __name__ == '__main__':
    main()

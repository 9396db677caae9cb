#!/usr/bin/env python3
"""Writes a deck of charts for the player test: make_chart_deck.py OUT.pptx

One slide with four charts the file keeps no picture of, one in each quarter: clustered columns
with a title, a legend and gridlines; lines with markers, one smoothed; a pie with its slices'
percentages; a scatter plot with markers and a line, in the layout's content placeholder.
"""
import os
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'examples'))
from pptx_writer import EMU, slide, write_deck  # noqa: E402

C = ('xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart" '
     'xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" '
     'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"')
CATEGORIES = ['North', 'East', 'South', 'West']


def cache(values, kind='num'):
    points = ''.join(f'<c:pt idx="{i}"><c:v>{v}</c:v></c:pt>' for i, v in enumerate(values))
    return f'<c:{kind}Cache><c:ptCount val="{len(values)}"/>{points}</c:{kind}Cache>'


def look(rgb, line=None, width=28575):
    fill = f'<a:solidFill><a:srgbClr val="{rgb}"/></a:solidFill>' if rgb else ''
    ln = (f'<a:ln w="{width}"><a:solidFill><a:srgbClr val="{line}"/></a:solidFill></a:ln>'
          if line else '')
    return f'<c:spPr>{fill}{ln}</c:spPr>'


def series(idx, name, values, spPr='', extra='', xs=None):
    head = (f'<c:ser><c:idx val="{idx}"/><c:order val="{idx}"/><c:tx><c:strRef><c:f>S!$B$1</c:f>'
            f'{cache([name], "str")}</c:strRef></c:tx>{spPr}{extra}')
    if xs is not None:
        return (head + f'<c:xVal><c:numRef><c:f>S!$A$2</c:f>{cache(xs)}</c:numRef></c:xVal>'
                f'<c:yVal><c:numRef><c:f>S!$B$2</c:f>{cache(values)}</c:numRef></c:yVal></c:ser>')
    return (head + f'<c:cat><c:strRef><c:f>S!$A$2</c:f>{cache(CATEGORIES, "str")}</c:strRef></c:cat>'
            f'<c:val><c:numRef><c:f>S!$B$2</c:f>{cache(values)}</c:numRef></c:val></c:ser>')


def marker(symbol, size, rgb):
    return (f'<c:marker><c:symbol val="{symbol}"/><c:size val="{size}"/>'
            f'<c:spPr><a:solidFill><a:srgbClr val="{rgb}"/></a:solidFill></c:spPr></c:marker>')


def axes(x='catAx', gridlines=True):
    grid = '<c:majorGridlines/>' if gridlines else ''
    return (f'<c:{x}><c:axId val="1"/><c:scaling><c:orientation val="minMax"/></c:scaling>'
            f'<c:delete val="0"/><c:axPos val="b"/><c:crossAx val="2"/></c:{x}>'
            f'<c:valAx><c:axId val="2"/><c:scaling><c:orientation val="minMax"/></c:scaling>'
            f'<c:delete val="0"/><c:axPos val="l"/>{grid}<c:crossAx val="1"/></c:valAx>')


def chart(plot, title=None, legend='r'):
    t = (f'<c:title><c:tx><c:rich><a:bodyPr/><a:p><a:r><a:t>{title}</a:t></a:r></a:p></c:rich>'
         '</c:tx><c:overlay val="0"/></c:title><c:autoTitleDeleted val="0"/>'
         if title else '<c:autoTitleDeleted val="1"/>')
    leg = f'<c:legend><c:legendPos val="{legend}"/><c:overlay val="0"/></c:legend>' if legend else ''
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            f'<c:chartSpace {C}><c:chart>{t}<c:plotArea><c:layout/>{plot}</c:plotArea>{leg}'
            '<c:plotVisOnly val="1"/></c:chart><c:txPr><a:bodyPr/><a:p><a:pPr><a:defRPr sz="1200"/>'
            '</a:pPr><a:endParaRPr lang="en-US"/></a:p></c:txPr></c:chartSpace>')


def frame(sid, rid, box, placeholder=False):
    x, y, w, h = (v * EMU for v in box)
    nv = '<p:nvPr><p:ph idx="1"/></p:nvPr>' if placeholder else '<p:nvPr/>'
    return (f'<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id="{sid}" name="Chart {sid}"/>'
            f'<p:cNvGraphicFramePr/>{nv}</p:nvGraphicFramePr>'
            f'<p:xfrm><a:off x="{x}" y="{y}"/><a:ext cx="{w}" cy="{h}"/></p:xfrm><a:graphic>'
            '<a:graphicData uri="http://schemas.openxmlformats.org/drawingml/2006/chart">'
            '<c:chart xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart" '
            f'r:id="{rid}"/></a:graphicData></a:graphic></p:graphicFrame>')


def main():
    out = sys.argv[1]
    columns = chart('<c:barChart><c:barDir val="col"/><c:grouping val="clustered"/>'
                    '<c:varyColors val="0"/>' +
                    series(0, '2025', [4.3, 2.5, 3.5, 4.5]) + series(1, '2026', [2.4, 4.4, 1.8, 2.8]) +
                    '<c:gapWidth val="120"/><c:axId val="1"/><c:axId val="2"/></c:barChart>' + axes(),
                    title='Sales')
    lines = chart('<c:lineChart><c:grouping val="standard"/><c:varyColors val="0"/>' +
                  series(0, 'Plan', [2, 3.5, 3, 5], look(None, 'C0504D'), marker('circle', 7, 'C0504D')) +
                  series(1, 'Actual', [1.5, 2.5, 4, 3.8], look(None, '4F81BD'),
                         marker('square', 6, '4F81BD') + '<c:smooth val="1"/>') +
                  '<c:marker val="1"/><c:axId val="1"/><c:axId val="2"/></c:lineChart>' + axes(),
                  legend='b')
    pie = chart('<c:pieChart><c:varyColors val="1"/>' +
                series(0, 'Share', [40, 25, 20, 15], '',
                       '<c:dLbls><c:showLegendKey val="0"/><c:showVal val="0"/><c:showCatName val="0"/>'
                       '<c:showSerName val="0"/><c:showPercent val="1"/></c:dLbls>') +
                '<c:firstSliceAng val="0"/></c:pieChart>', legend='r')
    scatter = chart('<c:scatterChart><c:scatterStyle val="lineMarker"/><c:varyColors val="0"/>' +
                    series(0, 'Samples', [1.2, 3.1, 2.4, 4.6, 3.9], look(None, '9BBB59', 19050),
                           marker('diamond', 9, '8064A2'), xs=[0.5, 1.5, 2.2, 3.4, 4.8]) +
                    '<c:axId val="1"/><c:axId val="2"/></c:scatterChart>' + axes('valAx'),
                    legend=None)
    parts = [columns, lines, pie, scatter]
    boxes = [(20, 20, 450, 245), (490, 20, 450, 245), (20, 275, 450, 245), (490, 275, 450, 245)]
    # The last one stands in the layout's content placeholder, as charts inserted there do.
    shapes = ''.join(frame(2 + i, f'rId{5 + i}', b, placeholder=i == 3) for i, b in enumerate(boxes))
    extra = [(f'rId{5 + i}', 'chart', f'../charts/chart{i + 1}.xml') for i in range(len(parts))]
    write_deck(out, [(slide(shapes), 'obj', extra)])
    # The chart parts beside the slide, as a deck keeps them.
    with zipfile.ZipFile(out, 'a', zipfile.ZIP_DEFLATED) as deck:
        for i, part in enumerate(parts):
            info = zipfile.ZipInfo(f'ppt/charts/chart{i + 1}.xml', date_time=(2026, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            deck.writestr(info, part)


if __name__ == '__main__':
    main()

"""Writes small .pptx decks with the standard library alone: the sample deck and the decks that
tests and benchmarks write for themselves use it.

A deck is a list of slides, each (slide XML, layout kind 'title' or 'obj', extra relationships),
written by write_deck with the theme, master and two layouts below.
"""
import struct
import zipfile
import zlib

EMU = 12700  # per point
W, H = 960 * EMU, 540 * EMU  # a 16:9 slide, 960 x 540 points

NS = ('xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" '
      'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" '
      'xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main"')
DECL = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
REL = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships/'


def png(width, height, pixel):
    """A truecolour PNG whose pixel(x, y) gives (r, g, b)."""
    rows = b''.join(b'\0' + bytes(c for x in range(width) for c in pixel(x, y))
                    for y in range(height))

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff))
    return (b'\x89PNG\r\n\x1a\n' +
            chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b''))


def rels(items):
    body = ''.join(f'<Relationship Id="{i}" Type="{REL}{t}" Target="{target}"/>'
                   for i, t, target in items)
    return (DECL + '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/'
            f'relationships">{body}</Relationships>')


def xfrm(x, y, w, h, rot=0):
    r = f' rot="{rot * 60000}"' if rot else ''
    return (f'<a:xfrm{r}><a:off x="{x * EMU}" y="{y * EMU}"/>'
            f'<a:ext cx="{w * EMU}" cy="{h * EMU}"/></a:xfrm>')


def solid(rgb):
    return f'<a:solidFill><a:srgbClr val="{rgb}"/></a:solidFill>'


def gradient(stops, angle):
    gs = ''.join(f'<a:gs pos="{p * 1000}"><a:srgbClr val="{c}"/></a:gs>' for p, c in stops)
    return f'<a:gradFill rotWithShape="1"><a:gsLst>{gs}</a:gsLst><a:lin ang="{angle * 60000}" scaled="0"/></a:gradFill>'


def run(text, size=None, bold=False, rgb=None):
    attrs = f' lang="en-US"' + (f' sz="{size * 100}"' if size else '') + (' b="1"' if bold else '')
    fill = solid(rgb) if rgb else ''
    return f'<a:r><a:rPr{attrs} dirty="0">{fill}</a:rPr><a:t>{text}</a:t></a:r>'


def para(runs, ppr=''):
    return f'<a:p>{ppr}{runs}</a:p>'


def text_body(paras, anchor=None):
    a = f' anchor="{anchor}"' if anchor else ''
    return f'<p:txBody><a:bodyPr{a}/><a:lstStyle/>{paras}</p:txBody>'


def shape(sid, name, geometry, box, fill='', line='<a:ln><a:noFill/></a:ln>', body='', rot=0):
    return (f'<p:sp><p:nvSpPr><p:cNvPr id="{sid}" name="{name}"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr>'
            f'<p:spPr>{xfrm(*box, rot=rot)}<a:prstGeom prst="{geometry}"><a:avLst/></a:prstGeom>'
            f'{fill}{line}</p:spPr>{body}</p:sp>')


def placeholder(sid, name, kind, box=None, body='', idx=None):
    i = f' idx="{idx}"' if idx is not None else ''
    frame = f'<p:spPr>{xfrm(*box)}</p:spPr>' if box else '<p:spPr/>'
    return (f'<p:sp><p:nvSpPr><p:cNvPr id="{sid}" name="{name}"/><p:cNvSpPr>'
            f'<a:spLocks noGrp="1"/></p:cNvSpPr><p:nvPr><p:ph type="{kind}"{i}/></p:nvPr>'
            f'</p:nvSpPr>{frame}{body}</p:sp>')


def tree(shapes):
    return ('<p:spTree><p:nvGrpSpPr><p:cNvPr id="1" name=""/><p:cNvGrpSpPr/><p:nvPr/>'
            f'</p:nvGrpSpPr><p:grpSpPr/>{shapes}</p:spTree>')


def slide(shapes, background='', transition='', timing=''):
    return (DECL + f'<p:sld {NS}><p:cSld>{background}{tree(shapes)}</p:cSld>'
            f'<p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr>{transition}{timing}</p:sld>')


def transition(effect, speed='fast', advance_ms=None):
    """A slide transition: effect is its element, e.g. '<p:wipe dir="r"/>'."""
    tm = f' advTm="{advance_ms}"' if advance_ms is not None else ''
    return f'<p:transition spd="{speed}"{tm}>{effect}</p:transition>'


def entrance_timing(effects):
    """The slide's entrance animations in order, each (shape id, preset id, preset subtype,
    trigger 'click' or 'after', delay ms, duration ms), laid out as the presentation program
    writes them: a click starts a group; an effect after the previous one opens a step in the
    group that begins when the effects before it have run."""
    ids = iter(range(3, 10000))

    def cond(delay):
        return f'<p:stCondLst><p:cond delay="{delay}"/></p:stCondLst>'

    def effect(spid, preset, subtype, node, delay, dur):
        behaviours = (f'<p:set><p:cBhvr><p:cTn id="{next(ids)}" dur="{1 if preset != 11 else dur}" fill="hold">'
                      f'{cond(0)}</p:cTn><p:tgtEl><p:spTgt spid="{spid}"/></p:tgtEl><p:attrNameLst>'
                      '<p:attrName>style.visibility</p:attrName></p:attrNameLst></p:cBhvr>'
                      '<p:to><p:strVal val="visible"/></p:to></p:set>')
        if preset not in (1, 11):
            behaviours += (f'<p:animEffect transition="in" filter="fade"><p:cBhvr><p:cTn id="{next(ids)}" '
                           f'dur="{dur}"/><p:tgtEl><p:spTgt spid="{spid}"/></p:tgtEl></p:cBhvr></p:animEffect>')
        return (f'<p:par><p:cTn id="{next(ids)}" presetID="{preset}" presetClass="entr" '
                f'presetSubtype="{subtype}" fill="hold" nodeType="{node}">{cond(delay)}'
                f'<p:childTnLst>{behaviours}</p:childTnLst></p:cTn></p:par>')

    groups = []
    for spid, preset, subtype, trigger, delay, dur in effects:
        if trigger == 'click' or not groups:
            groups.append([])
        groups[-1].append((spid, preset, subtype, trigger, delay, dur))
    body = ''
    for group in groups:
        steps = ''
        start = 0
        for spid, preset, subtype, trigger, delay, dur in group:
            node = 'clickEffect' if trigger == 'click' else 'afterEffect'
            steps += (f'<p:par><p:cTn id="{next(ids)}" fill="hold">{cond(start)}<p:childTnLst>'
                      f'{effect(spid, preset, subtype, node, delay, dur)}</p:childTnLst></p:cTn></p:par>')
            start += delay + dur
        body += (f'<p:par><p:cTn id="{next(ids)}" fill="hold">{cond("indefinite")}'
                 f'<p:childTnLst>{steps}</p:childTnLst></p:cTn></p:par>')
    return ('<p:timing><p:tnLst><p:par><p:cTn id="1" dur="indefinite" restart="never" nodeType="tmRoot">'
            '<p:childTnLst><p:seq concurrent="1" nextAc="seek"><p:cTn id="2" dur="indefinite" '
            f'nodeType="mainSeq"><p:childTnLst>{body}</p:childTnLst></p:cTn>'
            '<p:prevCondLst><p:cond evt="onPrev" delay="0"><p:tgtEl><p:sldTgt/></p:tgtEl></p:cond></p:prevCondLst>'
            '<p:nextCondLst><p:cond evt="onNext" delay="0"><p:tgtEl><p:sldTgt/></p:tgtEl></p:cond></p:nextCondLst>'
            '</p:seq></p:childTnLst></p:cTn></p:par></p:tnLst></p:timing>')


THEME = (DECL + f'<a:theme {NS} name="Sample"><a:themeElements><a:clrScheme name="Sample">'
         '<a:dk1><a:srgbClr val="1F2933"/></a:dk1><a:lt1><a:srgbClr val="FFFFFF"/></a:lt1>'
         '<a:dk2><a:srgbClr val="243B53"/></a:dk2><a:lt2><a:srgbClr val="F0F4F8"/></a:lt2>'
         '<a:accent1><a:srgbClr val="2680C2"/></a:accent1><a:accent2><a:srgbClr val="E12D39"/></a:accent2>'
         '<a:accent3><a:srgbClr val="3EBD93"/></a:accent3><a:accent4><a:srgbClr val="F0B429"/></a:accent4>'
         '<a:accent5><a:srgbClr val="8662C7"/></a:accent5><a:accent6><a:srgbClr val="F35627"/></a:accent6>'
         '<a:hlink><a:srgbClr val="0B69A3"/></a:hlink><a:folHlink><a:srgbClr val="724BB7"/></a:folHlink>'
         '</a:clrScheme><a:fontScheme name="Sample"><a:majorFont><a:latin typeface="Calibri"/>'
         '<a:ea typeface=""/><a:cs typeface=""/></a:majorFont><a:minorFont><a:latin typeface="Calibri"/>'
         '<a:ea typeface=""/><a:cs typeface=""/></a:minorFont></a:fontScheme><a:fmtScheme name="Sample">'
         '<a:fillStyleLst><a:solidFill><a:schemeClr val="phClr"/></a:solidFill>'
         '<a:solidFill><a:schemeClr val="phClr"><a:tint val="50000"/></a:schemeClr></a:solidFill>'
         '<a:solidFill><a:schemeClr val="phClr"><a:shade val="80000"/></a:schemeClr></a:solidFill>'
         '</a:fillStyleLst><a:lnStyleLst><a:ln w="12700"><a:solidFill><a:schemeClr val="phClr"/>'
         '</a:solidFill></a:ln><a:ln w="25400"><a:solidFill><a:schemeClr val="phClr"/></a:solidFill>'
         '</a:ln><a:ln w="38100"><a:solidFill><a:schemeClr val="phClr"/></a:solidFill></a:ln>'
         '</a:lnStyleLst><a:effectStyleLst><a:effectStyle><a:effectLst/></a:effectStyle>'
         '<a:effectStyle><a:effectLst/></a:effectStyle><a:effectStyle><a:effectLst/></a:effectStyle>'
         '</a:effectStyleLst><a:bgFillStyleLst><a:solidFill><a:schemeClr val="phClr"/></a:solidFill>'
         '<a:solidFill><a:schemeClr val="phClr"/></a:solidFill><a:solidFill><a:schemeClr val="phClr"/>'
         '</a:solidFill></a:bgFillStyleLst></a:fmtScheme></a:themeElements></a:theme>')

# The master: white background, a band along the foot with a dot, title and body placeholders.
MASTER_SHAPES = (
    placeholder(2, 'Title Placeholder', 'title', (48, 28, 864, 80)) +
    placeholder(3, 'Text Placeholder', 'body', (48, 124, 864, 340), idx=1) +
    shape(4, 'Foot band', 'rect', (0, 510, 960, 30), gradient([(0, '243B53'), (100, '2680C2')], 0)) +
    shape(5, 'Foot dot', 'ellipse', (912, 516, 18, 18), solid('F0B429')))
MASTER = (DECL + f'<p:sldMaster {NS}><p:cSld><p:bg><p:bgPr>{solid("FFFFFF")}<a:effectLst/></p:bgPr>'
          f'</p:bg>{tree(MASTER_SHAPES)}</p:cSld>'
          '<p:clrMap bg1="lt1" tx1="dk1" bg2="lt2" tx2="dk2" accent1="accent1" accent2="accent2" '
          'accent3="accent3" accent4="accent4" accent5="accent5" accent6="accent6" hlink="hlink" '
          'folHlink="folHlink"/><p:sldLayoutIdLst><p:sldLayoutId id="2147483649" r:id="rId1"/>'
          '<p:sldLayoutId id="2147483650" r:id="rId2"/></p:sldLayoutIdLst><p:txStyles>'
          '<p:titleStyle><a:lvl1pPr algn="l"><a:defRPr sz="4000" b="1"><a:solidFill>'
          '<a:schemeClr val="tx2"/></a:solidFill><a:latin typeface="+mj-lt"/></a:defRPr>'
          '</a:lvl1pPr></p:titleStyle><p:bodyStyle>'
          '<a:lvl1pPr marL="285750" indent="-285750"><a:spcBef><a:spcPts val="1000"/></a:spcBef>'
          '<a:buFont typeface="Arial"/><a:buChar char="&#8226;"/><a:defRPr sz="2800"><a:solidFill>'
          '<a:schemeClr val="tx1"/></a:solidFill><a:latin typeface="+mn-lt"/></a:defRPr></a:lvl1pPr>'
          '<a:lvl2pPr marL="742950" indent="-285750"><a:spcBef><a:spcPts val="500"/></a:spcBef>'
          '<a:buFont typeface="Arial"/><a:buChar char="&#8211;"/><a:defRPr sz="2400"><a:solidFill>'
          '<a:schemeClr val="tx1"/></a:solidFill><a:latin typeface="+mn-lt"/></a:defRPr></a:lvl2pPr>'
          '</p:bodyStyle><p:otherStyle><a:lvl1pPr><a:defRPr sz="1800"><a:solidFill>'
          '<a:schemeClr val="tx1"/></a:solidFill><a:latin typeface="+mn-lt"/></a:defRPr></a:lvl1pPr>'
          '</p:otherStyle></p:txStyles></p:sldMaster>')


def layout(kind, name, shapes):
    return (DECL + f'<p:sldLayout {NS} type="{kind}" preserve="1"><p:cSld name="{name}">'
            f'{tree(shapes)}</p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sldLayout>')


TITLE_LAYOUT = layout('title', 'Title Slide',
                      placeholder(2, 'Title 1', 'ctrTitle', (96, 170, 768, 110),
                                  text_body('<a:p><a:pPr algn="ctr"/><a:endParaRPr lang="en-US"/></a:p>')) +
                      placeholder(3, 'Subtitle 2', 'subTitle', (96, 290, 768, 70), idx=1))
CONTENT_LAYOUT = layout('obj', 'Title and Content',
                        placeholder(2, 'Title 1', 'title') + placeholder(3, 'Content 2', 'body', idx=1))



def write_deck(out, slides, media=(), width=W, height=H):
    """Writes the deck to out. media holds (file name, bytes) pairs stored under ppt/media/; a
    slide's extra relationships point at them as '../media/<name>'."""
    overrides = [('/ppt/presentation.xml', 'presentationml.presentation.main+xml'),
                 ('/ppt/slideMasters/slideMaster1.xml', 'presentationml.slideMaster+xml'),
                 ('/ppt/slideLayouts/slideLayout1.xml', 'presentationml.slideLayout+xml'),
                 ('/ppt/slideLayouts/slideLayout2.xml', 'presentationml.slideLayout+xml'),
                 ('/ppt/theme/theme1.xml', 'theme+xml')]
    overrides += [(f'/ppt/slides/slide{i + 1}.xml', 'presentationml.slide+xml') for i in range(len(slides))]
    types = (DECL + '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
             '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
             '<Default Extension="xml" ContentType="application/xml"/>'
             '<Default Extension="png" ContentType="image/png"/>'
             '<Default Extension="jpg" ContentType="image/jpeg"/>' +
             ''.join(f'<Override PartName="{p}" ContentType="application/vnd.openxmlformats-officedocument.{t}"/>'
                     for p, t in overrides) + '</Types>')
    ids = ''.join(f'<p:sldId id="{256 + i}" r:id="rId{10 + i}"/>' for i in range(len(slides)))
    presentation = (DECL + f'<p:presentation {NS} saveSubsetFonts="1"><p:sldMasterIdLst>'
                    f'<p:sldMasterId id="2147483648" r:id="rId1"/></p:sldMasterIdLst><p:sldIdLst>{ids}'
                    f'</p:sldIdLst><p:sldSz cx="{width}" cy="{height}"/><p:notesSz cx="6858000" cy="9144000"/>'
                    '<p:defaultTextStyle><a:lvl1pPr><a:defRPr sz="1800"><a:solidFill><a:schemeClr val="tx1"/>'
                    '</a:solidFill><a:latin typeface="+mn-lt"/></a:defRPr></a:lvl1pPr></p:defaultTextStyle>'
                    '</p:presentation>')
    layouts = {'title': 'slideLayout1.xml', 'obj': 'slideLayout2.xml'}
    with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED) as deck:
        def put(name, data):
            info = zipfile.ZipInfo(name, date_time=(2026, 1, 1, 0, 0, 0))  # reproducible bytes
            info.compress_type = zipfile.ZIP_DEFLATED
            deck.writestr(info, data)
        put('[Content_Types].xml', types)
        put('_rels/.rels', rels([('rId1', 'officeDocument', 'ppt/presentation.xml')]))
        put('ppt/presentation.xml', presentation)
        put('ppt/_rels/presentation.xml.rels', rels(
            [('rId1', 'slideMaster', 'slideMasters/slideMaster1.xml'), ('rId2', 'theme', 'theme/theme1.xml')] +
            [(f'rId{10 + i}', 'slide', f'slides/slide{i + 1}.xml') for i in range(len(slides))]))
        put('ppt/slideMasters/slideMaster1.xml', MASTER)
        put('ppt/slideMasters/_rels/slideMaster1.xml.rels', rels(
            [('rId1', 'slideLayout', '../slideLayouts/slideLayout1.xml'),
             ('rId2', 'slideLayout', '../slideLayouts/slideLayout2.xml'),
             ('rId3', 'theme', '../theme/theme1.xml')]))
        for name, part in (('slideLayout1.xml', TITLE_LAYOUT), ('slideLayout2.xml', CONTENT_LAYOUT)):
            put(f'ppt/slideLayouts/{name}', part)
            put(f'ppt/slideLayouts/_rels/{name}.rels',
                rels([('rId1', 'slideMaster', '../slideMasters/slideMaster1.xml')]))
        put('ppt/theme/theme1.xml', THEME)
        for name, data in media:
            put(f'ppt/media/{name}', data)
        for i, (part, kind, extra) in enumerate(slides):
            put(f'ppt/slides/slide{i + 1}.xml', part)
            put(f'ppt/slides/_rels/slide{i + 1}.xml.rels',
                rels([('rId1', 'slideLayout', f'../slideLayouts/{layouts[kind]}')] + extra))

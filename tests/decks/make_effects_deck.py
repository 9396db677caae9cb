#!/usr/bin/env python3
"""Writes a deck of slide transitions and entrance effects for the end-to-end effects test:
make_effects_deck.py OUT.pptx [OUT.json]

The first three slides carry no transition; their shapes enter one after another with an
entrance effect each (on a click or after the previous one with a delay), each shape alone in
its own band across the slide so that a moving shape never crosses another. Every other slide
comes in with one transition family and fills the slide with a picture of its own, unlike the
slide before it. OUT.json lists, for each slide, its transition and its animated shapes (box in
points, preset, trigger) in the order they enter; the test reads its expectations from it.
"""
import json
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'examples'))
from pptx_writer import (entrance_timing, para, run, shape, slide, solid, text_body,  # noqa: E402
                         transition, write_deck)

# (label, preset id, preset subtype, trigger, delay ms, duration ms, handler). Subtypes as the
# presentation program writes them: fly 8 = from the left, crawl 2 = from the right, peek 4 = from
# below, zoom 16 = in, stretch 10 = across, wipe 8 = from the left, box 32 = out.
EFFECT_SLIDES = [
    # The first waits a second after the slide comes in, so that it is seen empty first.
    [('Fly', 2, 8, 'after', 1000, 500, 'motion'),
     ('Crawl', 7, 2, 'after', 300, 500, 'motion'),
     ('Peek', 12, 4, 'click', 0, 500, 'peek'),
     ('Appear', 1, 0, 'after', 400, 1, 'appear')],
    [('Zoom', 23, 16, 'click', 0, 500, 'scale'),
     ('Stretch', 17, 10, 'after', 200, 500, 'scale'),
     ('Swivel', 19, 0, 'click', 0, 500, 'scale'),
     ('Flash', 11, 0, 'after', 300, 1000, 'flash')],
    [('Wipe', 22, 8, 'click', 0, 500, 'reveal'),
     ('Box', 4, 32, 'after', 300, 500, 'reveal'),
     ('Dissolve', 9, 0, 'click', 0, 500, 'reveal'),
     ('Fade', 10, 0, 'after', 200, 500, 'fade')],
]
FILLS = ['2680C2', 'E12D39', '3EBD93', '8662C7']

# (family, transition element), one slide each.
TRANSITIONS = [
    ('cover', '<p:cover dir="l"/>'),
    ('blinds', '<p:blinds dir="horz"/>'),
    ('checkerboard', '<p:checker dir="horz"/>'),
    ('random bars', '<p:randomBar dir="vert"/>'),
    ('wipe', '<p:wipe dir="r"/>'),
    ('box', '<p:zoom/>'),
    ('split', '<p:split orient="vert" dir="out"/>'),
    ('dissolve', '<p:dissolve/>'),
    ('strips', '<p:strips dir="rd"/>'),
    ('fade', '<p:fade/>'),
    ('push', '<p:push dir="u"/>'),
]
# Background and block colours of the transition slides; neighbours never share one.
PALETTE = [('243B53', 'F0B429'), ('FCE4EC', '2680C2'), ('1F2933', '3EBD93'), ('FFF3E0', '8662C7'),
           ('0B69A3', 'FFFFFF'), ('E8F5E9', 'E12D39')]

BAND = 120  # points from one shape's band to the next
BOX_H = 100


def background(rgb):
    return f'<p:bg><p:bgPr>{solid(rgb)}<a:effectLst/></p:bgPr></p:bg>'


def label(text, size=28, rgb='FFFFFF'):
    return text_body(para(run(text, size, True, rgb), '<a:pPr algn="ctr"/>'), 'ctr')


def effects_slide(number, effects):
    shapes = ''
    timeline = []
    listed = []
    for k, (name, preset, subtype, trigger, delay, dur, handler) in enumerate(effects):
        sid = 10 + k
        # Staggered across the slide so that each shape starts away from the slide's edges.
        box = (200 + 120 * k, 20 + BAND * k, 260, BOX_H)
        shapes += shape(sid, name, 'rect', box, solid(FILLS[k]), body=label(f'{number}.{k + 1} {name}'))
        timeline.append((sid, preset, subtype, trigger, delay, dur))
        listed.append({'name': name, 'box': box, 'preset': preset, 'subtype': subtype,
                       'trigger': trigger, 'delayMs': delay, 'handler': handler})
    return slide(shapes, timing=entrance_timing(timeline)), {'transition': None, 'elements': listed}


def transition_slide(i, family, effect):
    bg, block = PALETTE[i % len(PALETTE)]
    # A large block, a disc and the family's name: every part of the slide differs from the
    # slide before it, so a half-done transition shows both.
    shapes = (shape(2, 'Block', 'rect', (60, 60, 520, 380), solid(block),
                    body=label(family.title(), 40, bg)) +
              shape(3, 'Disc', 'ellipse', (620, 120, 280, 280), solid(PALETTE[(i + 3) % len(PALETTE)][1])))
    return slide(shapes, background(bg), transition(effect)), {'transition': family, 'elements': []}


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit('usage: make_effects_deck.py OUT.pptx [OUT.json]')
    made = [effects_slide(n + 1, e) for n, e in enumerate(EFFECT_SLIDES)]
    made += [transition_slide(i, family, effect) for i, (family, effect) in enumerate(TRANSITIONS)]
    write_deck(sys.argv[1], [(xml, 'obj', []) for xml, _ in made])
    if len(sys.argv) == 3:
        with open(sys.argv[2], 'w', encoding='utf-8') as out:
            json.dump({'width': 960, 'height': 540, 'slides': [info for _, info in made]}, out, indent=1)


if __name__ == '__main__':
    main()

// A minimal SWF writer for the harness's own tests: a background colour and one solid
// rectangle, as an uncompressed (FWS) and a compressed (CWS) movie.
import { deflateSync } from "node:zlib";

class Bits {
    bytes = [];
    acc = 0;
    n = 0;
    write(value, count) {
        for (let i = count - 1; i >= 0; i--) {
            this.acc = (this.acc << 1) | (Math.floor(value / 2 ** i) & 1);
            if (++this.n === 8) this.flush();
        }
    }
    flush() {
        if (this.n === 0) return;
        this.bytes.push((this.acc << (8 - this.n)) & 0xff);
        this.acc = 0;
        this.n = 0;
    }
    done() {
        this.flush();
        return Buffer.from(this.bytes);
    }
}

// Bits needed for a signed value.
function sbits(...values) {
    let n = 1;
    for (const v of values) {
        while (v < -(2 ** (n - 1)) || v >= 2 ** (n - 1)) n++;
    }
    return n;
}

function signed(v, n) {
    return v < 0 ? v + 2 ** n : v;
}

export function rect(xmin, xmax, ymin, ymax) {
    const b = new Bits();
    const n = sbits(xmin, xmax, ymin, ymax);
    b.write(n, 5);
    for (const v of [xmin, xmax, ymin, ymax]) b.write(signed(v, n), n);
    return b.done();
}

export function tag(code, body = Buffer.alloc(0)) {
    if (body.length < 63) {
        const h = Buffer.alloc(2);
        h.writeUInt16LE((code << 6) | body.length);
        return Buffer.concat([h, body]);
    }
    const h = Buffer.alloc(6);
    h.writeUInt16LE((code << 6) | 0x3f);
    h.writeUInt32LE(body.length, 2);
    return Buffer.concat([h, body]);
}

export const u16 = (v) => {
    const b = Buffer.alloc(2);
    b.writeUInt16LE(v);
    return b;
};

// A shape with one solid-filled rectangle (pixels), drawn clockwise so the fill is on the right.
export function defineRectShape(id, [x0, y0, x1, y1], rgb) {
    const [X0, Y0, X1, Y1] = [x0, y0, x1, y1].map((v) => v * 20);
    const b = new Bits();
    b.write(1, 4); // fill bits
    b.write(0, 4); // line bits
    // style change: move to (X0, Y0), fill style 1
    const mb = sbits(X0, Y0);
    b.write(0, 1); // non-edge
    b.write(0b00101, 5); // new styles 0, line 0, fill1 1, fill0 0, move 1
    b.write(mb, 5);
    b.write(signed(X0, mb), mb);
    b.write(signed(Y0, mb), mb);
    b.write(1, 1); // fill style 1
    const line = (dx, dy) => {
        const n = Math.max(sbits(dx, dy), 2);
        b.write(1, 1); // edge
        b.write(1, 1); // straight
        b.write(n - 2, 4);
        b.write(0, 1); // not general
        b.write(dx === 0 ? 1 : 0, 1); // vertical?
        b.write(signed(dx === 0 ? dy : dx, n), n);
    };
    line(X1 - X0, 0);
    line(0, Y1 - Y0);
    line(X0 - X1, 0);
    line(0, Y0 - Y1);
    b.write(0, 6); // end of shape
    const styles = Buffer.from([1, 0x00, ...rgb, 0]); // one solid fill, no lines
    return tag(2, Buffer.concat([u16(id), rect(X0, X1, Y0, Y1), styles, b.done()]));
}

// A movie from encoded tags (the end tag is added): {fws, cws}.
export function assemble(tags, { width, height, rate = 12, frames = 1, version = 6 }) {
    const body = Buffer.concat([
        rect(0, width * 20, 0, height * 20),
        Buffer.from([Math.round((rate % 1) * 256), Math.floor(rate)]),
        u16(frames),
        ...tags,
        tag(0),
    ]);
    const fws = Buffer.alloc(8);
    fws.write("FWS", 0, "latin1");
    fws[3] = version;
    fws.writeUInt32LE(8 + body.length, 4);
    const cws = Buffer.from(fws);
    cws.write("CWS", 0, "latin1");
    return { fws: Buffer.concat([fws, body]), cws: Buffer.concat([cws, deflateSync(body)]) };
}

// One frame: background, a rectangle placed at depth 1. Returns {fws, cws, tags}.
export function buildMovie({ width, height, background, box, fill, rate = 12 }) {
    const tags = [
        tag(9, Buffer.from(background)),
        defineRectShape(1, box, fill),
        tag(26, Buffer.concat([Buffer.from([0x02]), u16(1), u16(1)])), // character 1 at depth 1
        tag(1),
    ];
    return { ...assemble(tags, { width, height, rate }), tags: [9, 2, 26, 1] };
}

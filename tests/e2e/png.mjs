// A small PNG decoder for screenshots: 8-bit greyscale, RGB, palette, grey+alpha and RGBA images,
// non-interlaced (what the browser writes). Pixels come out as RGBA bytes.
import { inflateSync } from "node:zlib";

const SIGNATURE = Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);
const CHANNELS = { 0: 1, 2: 3, 3: 1, 4: 2, 6: 4 };
const MAX_PIXELS = 64 * 1024 * 1024;

export class Image {
    constructor(width, height, rgba) {
        this.width = width;
        this.height = height;
        this.rgba = rgba;
    }

    // Colour at pixel (x, y) as [r, g, b, a].
    pixel(x, y) {
        if (!Number.isInteger(x) || !Number.isInteger(y) || x < 0 || y < 0 || x >= this.width ||
            y >= this.height) {
            throw new RangeError(`pixel (${x}, ${y}) is outside the ${this.width}x${this.height} image`);
        }
        const i = (y * this.width + x) * 4;
        return [this.rgba[i], this.rgba[i + 1], this.rgba[i + 2], this.rgba[i + 3]];
    }
}

function paeth(a, b, c) {
    const p = a + b - c;
    const pa = Math.abs(p - a);
    const pb = Math.abs(p - b);
    const pc = Math.abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

export function decodePng(bytes) {
    const buf = Buffer.from(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    if (buf.length < 8 || !buf.subarray(0, 8).equals(SIGNATURE)) throw new Error("not a PNG file");
    let pos = 8;
    let header = null;
    let palette = null;
    let transparency = null;
    const data = [];
    let ended = false;
    while (pos + 8 <= buf.length) {
        const length = buf.readUInt32BE(pos);
        const type = buf.toString("latin1", pos + 4, pos + 8);
        const start = pos + 8;
        if (start + length + 4 > buf.length) throw new Error(`PNG chunk ${type} is truncated`);
        const body = buf.subarray(start, start + length);
        pos = start + length + 4; // skip the CRC
        if (type === "IHDR") {
            if (length < 13) throw new Error("PNG header is too short");
            header = {
                width: body.readUInt32BE(0),
                height: body.readUInt32BE(4),
                depth: body[8],
                colour: body[9],
                interlace: body[12],
            };
        } else if (type === "PLTE") {
            palette = body;
        } else if (type === "tRNS") {
            transparency = body;
        } else if (type === "IDAT") {
            data.push(body);
        } else if (type === "IEND") {
            ended = true;
            break;
        }
    }
    if (!header) throw new Error("PNG has no header");
    if (!ended) throw new Error("PNG has no end chunk");
    const { width, height, depth, colour, interlace } = header;
    const channels = CHANNELS[colour];
    if (depth !== 8 || channels === undefined || interlace !== 0) {
        throw new Error(`unsupported PNG: depth ${depth}, colour type ${colour}, interlace ${interlace}`);
    }
    if (width === 0 || height === 0 || width * height > MAX_PIXELS) {
        throw new Error(`unsupported PNG size ${width}x${height}`);
    }
    if (colour === 3 && !palette) throw new Error("palette PNG without a palette");
    const stride = width * channels;
    const raw = inflateSync(Buffer.concat(data), { maxOutputLength: (stride + 1) * height + 1 });
    if (raw.length !== (stride + 1) * height) {
        throw new Error(`PNG image data holds ${raw.length} bytes, expected ${(stride + 1) * height}`);
    }

    // Undo the per-row filters in place, then expand to RGBA.
    const rows = Buffer.alloc(stride * height);
    for (let y = 0; y < height; y++) {
        const filter = raw[y * (stride + 1)];
        const src = y * (stride + 1) + 1;
        const dst = y * stride;
        for (let i = 0; i < stride; i++) {
            const a = i >= channels ? rows[dst + i - channels] : 0;
            const b = y > 0 ? rows[dst + i - stride] : 0;
            const c = y > 0 && i >= channels ? rows[dst + i - stride - channels] : 0;
            let v = raw[src + i];
            switch (filter) {
                case 0: break;
                case 1: v += a; break;
                case 2: v += b; break;
                case 3: v += (a + b) >> 1; break;
                case 4: v += paeth(a, b, c); break;
                default: throw new Error(`bad PNG filter ${filter} in row ${y}`);
            }
            rows[dst + i] = v & 0xff;
        }
    }
    const rgba = Buffer.alloc(width * height * 4);
    for (let p = 0; p < width * height; p++) {
        const s = p * channels;
        const d = p * 4;
        switch (colour) {
            case 0:
                rgba[d] = rgba[d + 1] = rgba[d + 2] = rows[s];
                rgba[d + 3] = 255;
                break;
            case 2:
                rgba[d] = rows[s];
                rgba[d + 1] = rows[s + 1];
                rgba[d + 2] = rows[s + 2];
                rgba[d + 3] = 255;
                break;
            case 3: {
                const idx = rows[s];
                if (idx * 3 + 2 >= palette.length) throw new Error(`palette index ${idx} out of range`);
                rgba[d] = palette[idx * 3];
                rgba[d + 1] = palette[idx * 3 + 1];
                rgba[d + 2] = palette[idx * 3 + 2];
                rgba[d + 3] = transparency && idx < transparency.length ? transparency[idx] : 255;
                break;
            }
            case 4:
                rgba[d] = rgba[d + 1] = rgba[d + 2] = rows[s];
                rgba[d + 3] = rows[s + 1];
                break;
            case 6:
                rows.copy(rgba, d, s, s + 4);
                break;
        }
    }
    return new Image(width, height, rgba);
}

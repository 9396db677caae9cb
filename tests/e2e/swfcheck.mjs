// The independent check of a movie: an SWF parser that shares no code with ours must read it
// without faults and find the same top-level tags in the same order. A few header facts that
// parser does not verify (file length, frame count, end tag) are checked here directly.
import { createHash } from "node:crypto";
import { inflateSync } from "node:zlib";
import { parseSwf, parseTag, swf } from "swf-parser";

// Our tag code -> the parser's tag type name. The parser folds versions of a tag into one type
// (PlaceObject 1/2/3 -> PlaceObject, DefineShape 1-4 -> DefineShape, every bitmap -> DefineBitmap).
// null: the parser has no reader for the code and returns the body raw.
export const TAG_TYPE_NAMES = new Map([
    [1, "ShowFrame"],
    [2, "DefineShape"],
    [3, null], // free character
    [4, "PlaceObject"],
    [5, "RemoveObject"],
    [6, "DefineBitmap"],
    [7, "DefineButton"],
    [8, "DefineJpegTables"],
    [9, "SetBackgroundColor"],
    [10, "DefineGlyphFont"],
    [11, "DefineText"],
    [12, "DoAction"],
    [13, "DefineFontInfo"],
    [14, "DefineSound"],
    [15, "StartSound"],
    [16, null], // stop sound
    [17, "DefineButtonSound"],
    [18, "SoundStreamHead"],
    [19, "SoundStreamBlock"],
    [20, "DefineBitmap"],
    [21, "DefineBitmap"],
    [22, "DefineShape"],
    [23, "DefineButtonColorTransform"],
    [24, "Protect"],
    [25, "EnablePostscript"],
    [26, "PlaceObject"],
    [28, "RemoveObject"],
    [32, "DefineShape"],
    [33, "DefineText"],
    [34, "DefineButton"],
    [35, "DefineBitmap"],
    [36, "DefineBitmap"],
    [37, "DefineDynamicText"],
    [38, null], // video movie
    [39, "DefineSprite"],
    [41, null], // serial number
    [43, "FrameLabel"],
    [45, "SoundStreamHead"],
    [46, "DefineMorphShape"],
    [48, "DefineFont"],
    [56, "ExportAssets"],
    [57, "ImportAssets"],
    [58, "EnableDebugger"],
    [59, "DoInitAction"],
    [60, "DefineVideoStream"],
    [61, "VideoFrame"],
    [62, "DefineFontInfo"],
    [64, "EnableDebugger"],
    [65, "ScriptLimits"],
    [66, "SetTabIndex"],
    [69, "FileAttributes"],
    [70, "PlaceObject"],
    [71, "ImportAssets"],
    [72, "DoAbc"],
    [73, "DefineFontAlignZones"],
    [74, "CsmTextSettings"],
    [75, "DefineFont"],
    [76, "SymbolClass"],
    [77, "Metadata"],
    [78, "DefineScalingGrid"],
    [82, "DoAbc"],
    [83, "DefineShape"],
    [84, "DefineMorphShape"],
    [86, "DefineSceneAndFrameLabelData"],
    [87, "DefineBinaryData"],
    [88, "DefineFontName"],
    [89, "StartSound2"],
    [90, "DefineBitmap"],
    [91, "DefineCffFont"],
    [93, "Telemetry"],
]);

export class SwfCheckError extends Error {
    constructor(label, problems) {
        super(`${label}: the independent parser check failed:\n  ${problems.join("\n  ")}`);
        this.name = "SwfCheckError";
        this.problems = problems;
    }
}

function tagTypeName(type) {
    return swf.TagType[type] ?? `type ${type}`;
}

// Reads an RECT (bit-packed) at byte offset pos of body; returns twips and the bytes it takes.
function readRect(body, pos) {
    let bit = pos * 8;
    const readBits = (n, signed) => {
        if (bit + n > body.length * 8) throw new Error("header is truncated");
        let v = 0;
        for (let i = 0; i < n; i++, bit++) v = v * 2 + ((body[bit >> 3] >> (7 - (bit & 7))) & 1);
        if (signed && n > 0 && v >= 2 ** (n - 1)) v -= 2 ** n;
        return v;
    };
    const nbits = readBits(5, false);
    const [xmin, xmax, ymin, ymax] = [0, 0, 0, 0].map(() => readBits(nbits, true));
    return { xmin, xmax, ymin, ymax, bytes: Math.ceil((bit - pos * 8) / 8) };
}

// Decodes a movie's header and top-level tag headers on our side of the check.
// Returns {signature, version, lengthField, data (the whole uncompressed file), ...} or throws.
export function readMovieHeader(bytes) {
    const buf = Buffer.from(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    if (buf.length < 8) throw new Error(`file is ${buf.length} bytes, shorter than an SWF header`);
    const signature = buf.toString("latin1", 0, 3);
    if (signature !== "FWS" && signature !== "CWS" && signature !== "ZWS") {
        throw new Error(`signature is ${JSON.stringify(signature)}, not FWS, CWS or ZWS`);
    }
    const version = buf[3];
    const lengthField = buf.readUInt32LE(4);
    if (signature === "ZWS") return { signature, version, lengthField, data: null };
    let data = buf;
    if (signature === "CWS") {
        let body;
        try {
            body = inflateSync(buf.subarray(8), { maxOutputLength: Math.max(lengthField, 1) + 1 });
        } catch (err) {
            throw new Error(`compressed body does not inflate: ${err.message}`);
        }
        data = Buffer.concat([buf.subarray(0, 8), body]);
    }
    const rect = readRect(data, 8);
    let pos = 8 + rect.bytes;
    if (pos + 4 > data.length) throw new Error("header is truncated");
    const frameRate = data[pos + 1] + data[pos] / 256;
    const frameCount = data.readUInt16LE(pos + 2);
    pos += 4;
    return {
        signature,
        version,
        lengthField,
        data,
        width: (rect.xmax - rect.xmin) / 20,
        height: (rect.ymax - rect.ymin) / 20,
        frameRate,
        frameCount,
        tagsStart: pos,
    };
}

// Stage size in pixels from the header, or null when it cannot be read here (e.g. ZWS).
export function readStageSize(bytes) {
    try {
        const h = readMovieHeader(bytes);
        return h.data ? { width: h.width, height: h.height } : null;
    } catch {
        return null;
    }
}

// Walks the top-level tag headers; returns their codes and where the end tag was found.
function walkTags(data, start) {
    const codes = [];
    const sizes = [];
    let pos = start;
    while (pos + 2 <= data.length) {
        const tagStart = pos;
        const word = data.readUInt16LE(pos);
        const code = word >> 6;
        let length = word & 0x3f;
        pos += 2;
        if (length === 0x3f) {
            if (pos + 4 > data.length) return { codes, sizes, endAt: -1, problem: `tag ${codes.length + 1} header is truncated` };
            length = data.readUInt32LE(pos);
            pos += 4;
        }
        if (code === 0) return { codes, sizes, endAt: pos };
        if (pos + length > data.length) {
            return { codes, sizes, endAt: -1, problem: `tag ${codes.length + 1} (code ${code}) runs ${pos + length - data.length} bytes past the end` };
        }
        codes.push(code);
        pos += length;
        sizes.push(pos - tagStart);
    }
    return { codes, sizes, endAt: -1, problem: "no end tag" };
}

// Bitmap definitions: the character identifier, then the picture.
const BITMAP_CODES = new Set([6, 20, 21, 35, 36, 90]);

// The parser's reading of the movie: its header from the header alone, then each top-level tag.
// A tag of the same bytes as one read before is read the same, so it is read once, and so is a
// bitmap that differs from one read before in its identifier only: the parser's JPEG reader takes
// time that grows with the square of the picture's size, and a movie may hold the same large
// picture under many identifiers.
function parseMovie(header, walk) {
    const data = header.data;
    const head = Buffer.concat([data.subarray(0, header.tagsStart), Buffer.alloc(2)]);
    head.write("FWS", 0, "latin1");
    head.writeUInt32LE(head.length, 4);
    const alone = parseSwf(new Uint8Array(head.buffer, head.byteOffset, head.length));
    if (alone.tags.length) throw new Error("the parser reads the header to another length than the frame rectangle gives");
    const movie = { header: alone.header, tags: [] };
    const seen = new Map();
    let pos = header.tagsStart;
    for (const size of walk.sizes) {
        const code = data.readUInt16LE(pos) >> 6;
        const bodyAt = pos + ((data.readUInt16LE(pos) & 0x3f) === 0x3f ? 6 : 2);
        const bitmap = BITMAP_CODES.has(code) && bodyAt + 2 <= pos + size;
        const hash = createHash("sha256").update(data.subarray(pos, bitmap ? bodyAt : pos + size));
        if (bitmap) hash.update(data.subarray(bodyAt + 2, pos + size));
        const key = hash.digest("hex");
        if (!seen.has(key)) seen.set(key, parseTag(data.subarray(pos), header.version));
        const tag = seen.get(key);
        movie.tags.push(bitmap && tag?.type === swf.TagType.DefineBitmap ? { ...tag, id: data.readUInt16LE(bodyAt) } : tag);
        pos += size;
    }
    // What follows the last whole tag (a truncated one), as the parser reads it.
    if (walk.endAt === -1 && pos < data.length) {
        const rest = parseTag(data.subarray(pos), header.version);
        if (rest) movie.tags.push(rest);
    }
    return movie;
}

// Parser faults anywhere in the tag tree (sprites hold tags of their own).
function collectRawTags(tags, where, problems, notes) {
    tags.forEach((tag, i) => {
        const at = `${where}tag ${i + 1}`;
        if (tag.type === swf.TagType.Raw) {
            problems.push(`${at}: the parser could not read it (${tag.data?.length ?? 0} bytes left raw: truncated or malformed)`);
        } else if (tag.type === swf.TagType.RawBody) {
            if (TAG_TYPE_NAMES.get(tag.code) === null || !TAG_TYPE_NAMES.has(tag.code)) {
                notes.push(`${at}: code ${tag.code} has no reader in the parser; its body is not checked`);
            } else {
                problems.push(`${at}: the parser could not read the body of a code ${tag.code} tag ` +
                    `(${TAG_TYPE_NAMES.get(tag.code)}, ${tag.data?.length ?? 0} bytes)`);
            }
        } else if (tag.type === swf.TagType.DefineSprite && Array.isArray(tag.tags)) {
            collectRawTags(tag.tags, `${at} (sprite ${tag.id}) `, problems, notes);
        }
    });
}

// Checks a movie. ourTags: our decoder's top-level tag codes in file order, without the end tag.
// Returns {skipped} for movies the parser cannot read (ZWS), else a summary; throws
// SwfCheckError listing every problem found.
export function checkSwf(bytes, ourTags, { label = "movie" } = {}) {
    const problems = [];
    const notes = [];
    if (!Array.isArray(ourTags) || ourTags.some((c) => !Number.isInteger(c) || c < 0 || c > 1023)) {
        throw new SwfCheckError(label, [`our tag list must be an array of tag codes, got ${JSON.stringify(ourTags)}`]);
    }
    if (ourTags.includes(0)) problems.push("our tag list holds an end tag (code 0); it must list the tags before it");

    let header;
    try {
        header = readMovieHeader(bytes);
    } catch (err) {
        throw new SwfCheckError(label, [err.message]);
    }
    if (header.signature === "ZWS") {
        return { skipped: "ZWS (LZMA) movies are not supported by the independent parser; not checked" };
    }

    // Facts the parser does not check.
    if (header.lengthField !== header.data.length) {
        problems.push(`header length field is ${header.lengthField}, the uncompressed file is ${header.data.length} bytes`);
    }
    const walk = walkTags(header.data, header.tagsStart);
    if (walk.problem) problems.push(walk.problem);
    else if (walk.endAt !== header.data.length) {
        problems.push(`${header.data.length - walk.endAt} bytes follow the end tag`);
    }

    let movie;
    try {
        movie = parseMovie(header, walk);
    } catch (err) {
        problems.push(`the parser threw: ${err.name ?? "Error"}: ${err.message}`);
        throw new SwfCheckError(label, problems);
    }
    collectRawTags(movie.tags, "", problems, notes);

    const theirs = movie.tags.map((t) => tagTypeName(t.type));
    if (theirs.length !== ourTags.length) {
        problems.push(`we list ${ourTags.length} tags, the parser found ${theirs.length}`);
    }
    const n = Math.min(theirs.length, ourTags.length);
    let mismatches = 0;
    for (let i = 0; i < n; i++) {
        const code = ourTags[i];
        const expected = TAG_TYPE_NAMES.has(code) ? TAG_TYPE_NAMES.get(code) ?? "RawBody" : "RawBody";
        const theirTag = movie.tags[i];
        const agrees = expected === "RawBody"
            ? theirTag.type === swf.TagType.RawBody && theirTag.code === code
            : theirs[i] === expected;
        if (!agrees && mismatches++ < 10) {
            problems.push(`tag ${i + 1}: our code ${code} should be ${expected}, the parser found ${theirs[i]}` +
                (theirTag.type === swf.TagType.RawBody ? ` (code ${theirTag.code})` : ""));
        }
    }
    if (mismatches > 10) problems.push(`... ${mismatches - 10} more tag mismatches`);

    const showFrames = movie.tags.filter((t) => t.type === swf.TagType.ShowFrame).length;
    if (movie.header.frameCount !== showFrames) {
        problems.push(`header frame count is ${movie.header.frameCount}, the movie shows ${showFrames} frames`);
    }
    if (movie.header.frameCount !== header.frameCount) {
        problems.push(`frame count: the parser read ${movie.header.frameCount}, the header holds ${header.frameCount}`);
    }

    if (problems.length) throw new SwfCheckError(label, problems);
    return {
        signature: header.signature,
        version: header.version,
        width: header.width,
        height: header.height,
        frameRate: header.frameRate,
        frameCount: movie.header.frameCount,
        tags: theirs,
        notes,
    };
}

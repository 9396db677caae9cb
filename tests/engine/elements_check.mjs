// Checks one movie written by the element tests with the independent parser:
//   node elements_check.mjs MOVIE.swf CODE,CODE,...   (our top-level tag codes, end tag left out)
// Exits 0 when the parser reads it and agrees on the tags, 1 with the problems otherwise.
import { readFileSync } from "node:fs";
import { checkSwf } from "../e2e/swfcheck.mjs";

const [file, codes] = process.argv.slice(2);
const ours = codes ? codes.split(",").map(Number) : [];
try {
    const result = checkSwf(readFileSync(file), ours, { label: file });
    console.log(JSON.stringify(result));
} catch (err) {
    console.error(err.message);
    process.exit(1);
}

// Pictures cut into tiles by imgtrell (--syntax octo) and drawn by the
// README's loop (and its like for two planes) in Octo's own emulator: the
// screen must be the picture, pixel for pixel. A 128 x 64 picture of bits
// in 16 x 16 tiles, and a 64 x 32 picture of four colours in 8 x 8 tiles on
// two planes (plane 3), each screen pixel's plane 1 bit plus twice its
// plane 2 bit the colour's index. And a sprite sheet of red and yellow
// frames on navy, read by --rule ink and drawn frame by frame, each XOR the
// one before (--xor), as an animation draws it: after each frame the screen
// is that frame as drawn. Exit status 77: no Octo to run.
//
// usage: node draws_tiles.js IMGTRELL
"use strict";
const octo = require("./octo");

const compiler = octo.load();
if (!compiler) {
    console.log("skipped: no Octo emulator");
    process.exit(77);
}
const imgtrell = process.argv[2];
let failed = false;

// Each screen pixel against the index the picture gives it.
function compare(what, screen, width, height, index) {
    let wrong = 0;
    for (let y = 0; y < height; y++)
        for (let x = 0; x < width; x++)
            wrong += screen.pixels[y * screen.width + x] != index(x, y);
    if (screen.width != width || wrong) {
        console.log(`FAIL: ${what}: ${wrong} of ${width * height} pixels drawn wrong on a ${screen.width} x ${screen.height} screen`);
        failed = true;
    } else {
        console.log(`ok: ${what}, drawn pixel for pixel`);
    }
}

// Rings, a diagonal and a frame.
const lit = (x, y) => ((x - 64) ** 2 + (y - 32) ** 2) % 160 < 60 || x == y || x == 0 || y == 63;
compare("128 x 64 in 16x16 tiles", octo.draw(imgtrell, compiler, 128, 64, (x, y) => lit(x, y) ? 0xFFFFFF : 0,
                                             ["--tile", "16x16", "-l", "title"], "draw_tiles.8o"),
        128, 64, (x, y) => lit(x, y) ? 1 : 0);

// Four colours in bands and checks: index (x / 4 + y / 3 + (x ^ y) / 16) % 4.
const colours = [0x102030, 0xffcc00, 0xff6600, 0x662200];
const index = (x, y) => (Math.floor(x / 4) + Math.floor(y / 3) + Math.floor((x ^ y) / 16)) % 4;
compare("64 x 32 of 4 colours in 8x8 tiles on two planes",
        octo.draw(imgtrell, compiler, 64, 32, (x, y) => colours[index(x, y)],
                  ["--planes", "2", "--colors", colours.map(c => c.toString(16).padStart(6, "0")).join(","), "--tile", "8x8",
                   "-l", "colours"], "draw_planes.8o"),
        64, 32, index);
// Four frames of 8 x 8 on navy, which blue and any read as 1, luma the red
// as 0: every pixel but the navy ones is ink.
const sheet = [
    "..........RRRR..RRRRRRRR..RRRR..", "..RRRR.....RRRR.RYRRRRYR..RYYR..", ".RYRRYR...RYRRYRRRRRRRRR...RR...",
    ".RRRRRR...RRRRRRRR....RR.RRRRRR.", "..RRRR.....RRRR.RRRRRRRR...RR...", "..R..R....R..R..R.RRRR.R..R..R..",
    ".R....R...R..R..R.R..R.R..R..R..", "................RRRRRRRR.RR..RR."];
const paint = { ".": 0x0000a0, R: 0xdc2828, Y: 0xf0dc3c };
for (let frame = 0; frame < 4; frame++)
    compare(`frame ${frame} of a sheet read by --rule ink, drawn XOR the one before`,
            octo.draw(imgtrell, compiler, 32, 8, (x, y) => paint[sheet[y][x]],
                      ["--rule", "ink", "--frame", "8x8", "--xor", "-l", "sheet"], "draw_frames.8o", `:const FRAMES ${frame + 1}\n`),
            64, 32, (x, y) => (x < 8 && y < 8 && sheet[y][8 * frame + x] != "." ? 1 : 0));
process.exit(failed ? 1 : 0);

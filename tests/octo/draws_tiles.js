// Pictures cut into tiles by imgtrell (--syntax octo) and drawn by the
// README's loop (and its like for two planes) in Octo's own emulator: the
// screen must be the picture, pixel for pixel. A 128 x 64 picture of bits
// in 16 x 16 tiles, and a 64 x 32 picture of four colours in 8 x 8 tiles on
// two planes (plane 3), each screen pixel's plane 1 bit plus twice its
// plane 2 bit the colour's index. Exit status 77: no Octo to run.
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
process.exit(failed ? 1 : 0);

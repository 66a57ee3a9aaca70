// A 128 x 64 picture cut into 16 x 16 tiles by imgtrell (--syntax octo),
// drawn by the README's loop in Octo's emulator: the screen must be the
// picture, pixel for pixel. Exit status 77: no Octo to run.
//
// usage: node draws_tiles.js IMGTRELL
"use strict";
const childProcess = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");
const octo = require("./octo");

const compiler = octo.load();
if (!compiler) {
    console.log("skipped: no Octo emulator");
    process.exit(77);
}
const folder = fs.mkdtempSync(path.join(os.tmpdir(), "tiles-"));

// The picture: rings, a diagonal and a frame, as a 24-bit BMP, bottom-up.
const width = 128, height = 64;
const lit = (x, y) => ((x - 64) ** 2 + (y - 32) ** 2) % 160 < 60 || x == y || x == 0 || y == 63;
const stride = width * 3;
const bmp = Buffer.alloc(54 + stride * height);
bmp.write("BM", 0);
bmp.writeUInt32LE(bmp.length, 2);
bmp.writeUInt32LE(54, 10);
bmp.writeUInt32LE(40, 14);
bmp.writeInt32LE(width, 18);
bmp.writeInt32LE(height, 22);
bmp.writeUInt16LE(1, 26);
bmp.writeUInt16LE(24, 28);
for (let y = 0; y < height; y++)
    for (let x = 0; x < width; x++)
        if (lit(x, y))
            bmp.fill(255, 54 + (height - 1 - y) * stride + 3 * x, 54 + (height - 1 - y) * stride + 3 * x + 3);
fs.writeFileSync(path.join(folder, "title.bmp"), bmp);
childProcess.execFileSync(process.argv[2], ["-bq", "--syntax", "octo", "--tile", "16x16", "-l", "title", "-o",
                                            path.join(folder, "title.inc"), path.join(folder, "title.bmp")]);

// The README's drawing loop: 8 x 4 tiles of 32 bytes, row by row.
const program = fs.readFileSync(path.join(__dirname, "draw_tiles.8o"), "utf8") +
                fs.readFileSync(path.join(folder, "title.inc"), "utf8");
fs.rmSync(folder, { recursive: true });
const screen = octo.screen(octo.run(octo.assemble(compiler, program), 20000));
let wrong = 0;
for (let y = 0; y < height; y++)
    for (let x = 0; x < width; x++)
        wrong += (screen.pixels[y * screen.width + x] & 1) != (lit(x, y) ? 1 : 0);
if (screen.width != width || wrong) {
    console.log(`FAIL: ${wrong} of ${width * height} pixels drawn wrong on a ${screen.width} x ${screen.height} screen`);
    process.exit(1);
}
console.log("ok: Octo draws the 128 x 64 picture's 32 tiles pixel for pixel");

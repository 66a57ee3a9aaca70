// Octo's own assembler and emulator, as the npm package octo-assembler
// ships them, driven from node: a program assembled, then run for a number
// of instructions, and its screen read.
"use strict";
const fs = require("fs");
const path = require("path");
const vm = require("vm");

// The folder of Octo's scripts: $OCTO_DIR, or build-octo/ as .ci/run installs it.
function octoFolder() {
    const root = path.join(__dirname, "..", "..");
    return process.env.OCTO_DIR || path.join(root, "build-octo", "node_modules", "octo-assembler", "octo");
}

function load() {
    const folder = octoFolder();
    if (!fs.existsSync(path.join(folder, "js", "emulator.js")))
        return null;
    global.localStorage = { getItem: () => null, setItem: () => {} };
    global.haltBreakpoint = message => { throw new Error(message); };
    vm.runInThisContext(fs.readFileSync(path.join(folder, "js", "emulator.js"), "utf8") + "\nthis.Emulator = Emulator;");
    return require(path.join(folder, "js", "compiler.js"));
}

// The program's bytes, or an exception with Octo's message.
function assemble(compiler, source) {
    const c = new compiler.Compiler(source);
    c.go();
    return c.rom;
}

// The emulator after running the program for the given number of instructions.
function run(rom, instructions) {
    const emulator = new Emulator();
    emulator.init({ rom: rom });
    for (let i = 0; i < instructions && !emulator.halted; i++)
        emulator.tick();
    return emulator;
}

// The screen: its width, height, and each pixel's plane bits (plane 1 the
// low bit), row by row.
function screen(emulator) {
    const width = emulator.hires ? 128 : 64, height = emulator.hires ? 64 : 32;
    const pixels = [];
    for (let z = 0; z < width * height; z++)
        pixels.push((emulator.p[0][z] ? 1 : 0) | (emulator.p[1][z] ? 2 : 0));
    return { width, height, pixels };
}

// A 24-bit BMP, bottom-up, of width x height pixels of colour(x, y) (RGB).
function writeBmp(file, width, height, colour) {
    const stride = (width * 3 + 3) & ~3;
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
        for (let x = 0; x < width; x++) {
            const rgb = colour(x, y), at = 54 + (height - 1 - y) * stride + 3 * x;
            bmp[at] = rgb & 255, bmp[at + 1] = (rgb >> 8) & 255, bmp[at + 2] = rgb >> 16;
        }
    fs.writeFileSync(file, bmp);
}

// Converts a picture of width x height with imgtrell's options into Octo
// text, puts the drawing program (and before it the text prefix) before it,
// and runs it: the screen.
function draw(imgtrell, compiler, width, height, colour, options, program, prefix = "") {
    const folder = fs.mkdtempSync(path.join(require("os").tmpdir(), "octo-"));
    writeBmp(path.join(folder, "p.bmp"), width, height, colour);
    require("child_process").execFileSync(imgtrell, ["-bq", "--syntax", "octo"].concat(options,
        ["-o", path.join(folder, "p.inc"), path.join(folder, "p.bmp")]));
    const source = prefix + fs.readFileSync(path.join(__dirname, program), "utf8") +
                   fs.readFileSync(path.join(folder, "p.inc"), "utf8");
    fs.rmSync(folder, { recursive: true });
    return screen(run(assemble(compiler, source), 100000));
}

module.exports = { load, assemble, run, screen, draw };

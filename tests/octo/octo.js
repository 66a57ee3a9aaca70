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

module.exports = { load, assemble, run, screen };

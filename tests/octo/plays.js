// sndtrell --xo heard through Octo: a chord converted with --xo-header,
// put behind a program that plays it with the README's player
// (examples/game/xoplay.8o), assembled by Octo's compiler and run in Octo's
// emulator frame by frame as Octo's page runs it, each frame rendered by
// Octo's own audio code (shared.js) at 48000 Hz. The preview WAV of the
// same conversion must match that rendering sample for sample, from the
// frame the player starts the buzzer for as many frames as the buffers
// play, and the frame after must be silent.
//
// usage: node plays.js SNDTRELL
// Octo is looked for in build-octo/ (.ci/run installs the npm package
// octo-assembler there); without it the test is skipped (77).
"use strict";
const fs = require("fs");
const os = require("os");
const path = require("path");
const vm = require("vm");
const { execFileSync } = require("child_process");

const sndtrell = process.argv[2];
const root = path.join(__dirname, "..", "..");
const octojs = path.join(root, "build-octo/node_modules/octo-assembler/octo/js");
if (!fs.existsSync(path.join(octojs, "shared.js"))) {
    console.log("skipped: no Octo at " + octojs);
    process.exit(77);
}
const work = fs.mkdtempSync(path.join(os.tmpdir(), "octo_plays."));
process.on("exit", () => fs.rmSync(work, { recursive: true, force: true }));
let failed = 0;
const fail = (text) => { console.log("FAIL: " + text); failed = 1; };

// The README shows the player as it is in the game's folder.
const player = fs.readFileSync(path.join(root, "examples/game/xoplay.8o"), "utf8");
const readme = fs.readFileSync(path.join(root, "README.md"), "utf8");
if (!readme.includes(player.replace(/^(?=.)/gm, "    ")))
    fail("README.md does not show examples/game/xoplay.8o as it is");

// A chord of 440 Hz on the left and 660 Hz on the right, 16-bit stereo at
// 44100 Hz, 0.5 s, faded in and out over 20 ms.
function chord(file) {
    const rate = 44100, count = rate / 2, data = Buffer.alloc(count * 4);
    for (let i = 0; i < count; i++) {
        const fade = Math.min(1, i / 882, (count - i) / 882);
        data.writeInt16LE(Math.round(12000 * fade * Math.sin(2 * Math.PI * 440 * i / rate)), 4 * i);
        data.writeInt16LE(Math.round(12000 * fade * Math.sin(2 * Math.PI * 660 * i / rate)), 4 * i + 2);
    }
    const head = Buffer.alloc(44);
    head.write("RIFF", 0); head.writeUInt32LE(36 + data.length, 4); head.write("WAVEfmt ", 8);
    head.writeUInt32LE(16, 16); head.writeUInt16LE(1, 20); head.writeUInt16LE(2, 22);
    head.writeUInt32LE(rate, 24); head.writeUInt32LE(rate * 4, 28); head.writeUInt16LE(4, 32);
    head.writeUInt16LE(16, 34); head.write("data", 36); head.writeUInt32LE(data.length, 40);
    fs.writeFileSync(file, Buffer.concat([head, data]));
}

// Octo's compiler, emulator and audio code in one context, with the few
// browser objects they touch: an audio context of 48000 Hz that plays
// nothing, and no stored preferences.
function octo() {
    const context = vm.createContext({
        console, Math, Date, JSON,
        localStorage: { getItem: () => null, setItem: () => {} },
        AudioContext: function () {
            this.sampleRate = 48000;
            this.state = "running";
            this.destination = {};
            this.createGain = () => ({ gain: { value: 1 }, connect() {} });
            this.createScriptProcessor = (size) => ({ bufferSize: size, connect() {} });
        },
    });
    for (const file of ["compiler.js", "emulator.js", "shared.js"])
        vm.runInContext(fs.readFileSync(path.join(octojs, file), "utf8"), context, { filename: file });
    return context;
}

// Runs the program and returns Octo's rendering of each frame, and the
// frame in which the buzzer was first started.
function render(source, frames) {
    const o = octo();
    vm.runInContext("var compiled = new Compiler(source); compiled.go();", Object.assign(o, { source }));
    vm.runInContext(`
        var emulator = new Emulator();
        emulator.init({ rom: compiled.rom });
        audioSetup(emulator);
        var started = -1, frame = 0, rendered = [];
        var setTimer = emulator.buzzTimer;
        emulator.buzzTimer = t => { if (t && started < 0) started = frame; setTimer(t); };
        // As Octo's page runs a frame: the instructions, the timers, the sound.
        for (; frame < ${frames}; frame++) {
            for (var z = 0; z < emulator.tickrate && !emulator.waiting; z++) emulator.tick();
            if (emulator.dt > 0) emulator.dt--;
            if (emulator.st > 0) emulator.st--;
            XOAudio.refresh(1000 / 60 / 1000);
            var made = audioData[audioData.length - 1];
            rendered.push(Array.from(made.buffer.subarray(0, made.duration)));
        }`, o);
    if (o.emulator.halted) fail("Octo's emulator halted");
    return { frames: o.rendered, started: o.started };
}

const wav = path.join(work, "chord.wav");
chord(wav);
for (const settings of [[], ["--pitch", "20", "--frames-per-buffer", "3", "--quantize", "ds1"]]) {
    const name = settings.length ? settings.join(" ") : "the defaults";
    const inc = path.join(work, "chord.inc"), preview = path.join(work, "chord-preview.wav");
    execFileSync(sndtrell, ["-bq", "--xo", "--xo-header", "--syntax", "octo", "-l", "chord", "-o", inc,
                            "--preview-wav", preview, ...settings, wav]);
    const program = ": main\n\ti := chord\n\txo-play\n\tloop again\n" + player + fs.readFileSync(inc, "utf8");
    const header = fs.readFileSync(inc, "utf8").split("\n")[2].split(" ").map(Number);
    const played = (header[2] * 256 + header[3]) * header[1];
    const octo = render(program, played + 20);

    const bytes = fs.readFileSync(preview);
    const samples = (bytes.length - 44) / 2;
    if (octo.started < 0 || samples != played * 800) {
        fail(`${name}: ${samples} preview samples for ${played} frames, buzzer started in frame ${octo.started}`);
        continue;
    }
    const loudest = Math.max(...octo.frames.slice(octo.started, octo.started + played).flat());
    if (loudest < 0.5)
        fail(`${name}: Octo's rendering is silent`);
    let worst = 0, at = 0;
    for (let f = 0; f < played; f++)
        octo.frames[octo.started + f].forEach((level, i) => {
            const n = f * 800 + i, off = Math.abs(bytes.readInt16LE(44 + 2 * n) / 32767 - level);
            if (off > worst) worst = off, at = n;
        });
    // The preview rounds each level to 16 bits.
    if (worst > 1 / 32767)
        fail(`${name}: the preview differs from Octo's rendering by ${worst.toFixed(5)} at sample ${at}`);
    const after = octo.frames[octo.started + played];
    if (Math.max(...after.slice(100).map(Math.abs)) > 1e-3)
        fail(`${name}: the frame after the last buffer is not silent`);
    console.log(`${name}: ${played} frames, the preview within ${worst.toExponential(2)} of Octo's rendering`);
}
if (!failed) console.log("ok: Octo plays the buffers as the preview has them");
process.exit(failed);

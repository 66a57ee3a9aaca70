// sndtrell --xo heard through Octo: sounds converted with --xo-header,
// put behind a program that plays them with the players installed with
// the programs (octo/), assembled by Octo's compiler and run in Octo's
// emulator frame by frame as Octo's page runs it, each frame rendered by
// Octo's own audio code (shared.js) at 48000 Hz.
// - The blocking player (octo/xo-play.8o), a chord at the defaults (the search) and with ds1 at another
//   pitch: the preview WAV of the same conversion must match the rendering
//   sample for sample, from the frame the player starts the buzzer for as
//   many frames as the buffers play, and the frame after must be silent.
// - The player called once a frame (octo/xo-play-frame.8o): the chord
//   played over and over, replaced in its second pass by a tone of one
//   buffer a frame (pitch 109), played once. Each frame must play the
//   buffer the packing meant for it, the rendering match each preview (the
//   first 20 samples of a pass left out, where Octo's output filter still
//   holds the frame before), and once the tone is over the buzzer be off
//   and v0 0. The README's program with xo-frame must play the chord once
//   likewise.
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

const players = {};
for (const name of ["xo-play", "xo-play-frame"])
    players[name] = fs.readFileSync(path.join(root, "octo", name + ".8o"), "utf8");
// The README's uses of the players: xo-play's lines, and the game's loop
// around xo-frame, which is run below as it is.
const readme = fs.readFileSync(path.join(root, "README.md"), "utf8");
if (!readme.includes("    i := chord\n    xo-play\n"))
    fail("README.md does not play the chord with xo-play");
const loop = (readme.match(/\n((    .*\n)*    \t\txo-frame\n(    .*\n)*)/) || ["", ""])[1].replace(/^    /gm, "");
if (!loop.startsWith(": main\n"))
    fail("README.md shows no program with xo-frame");

// A WAV of 16-bit stereo at 44100 Hz, 0.5 s, faded in and out over 20 ms,
// each channel a tone: 440 Hz on the left and 660 Hz on the right for the
// chord.
function write(file, left, right) {
    const rate = 44100, count = rate / 2, data = Buffer.alloc(count * 4);
    for (let i = 0; i < count; i++) {
        const fade = Math.min(1, i / 882, (count - i) / 882);
        data.writeInt16LE(Math.round(12000 * fade * Math.sin(2 * Math.PI * left * i / rate)), 4 * i);
        data.writeInt16LE(Math.round(12000 * fade * Math.sin(2 * Math.PI * right * i / rate)), 4 * i + 2);
    }
    const head = Buffer.alloc(44);
    head.write("RIFF", 0); head.writeUInt32LE(36 + data.length, 4); head.write("WAVEfmt ", 8);
    head.writeUInt32LE(16, 16); head.writeUInt16LE(1, 20); head.writeUInt16LE(2, 22);
    head.writeUInt32LE(rate, 24); head.writeUInt32LE(rate * 4, 28); head.writeUInt16LE(4, 32);
    head.writeUInt16LE(16, 34); head.write("data", 36); head.writeUInt32LE(data.length, 40);
    fs.writeFileSync(file, Buffer.concat([head, data]));
}

// A sound converted for Octo with its preview: its text, header, buffers,
// the frames they play, and the preview's levels.
function convert(label, wav, settings) {
    const inc = path.join(work, label + ".inc"), preview = path.join(work, label + "-preview.wav");
    execFileSync(sndtrell, ["-bq", "--xo", "--xo-header", "--syntax", "octo", "-l", label, "-o", inc,
                            "--preview-wav", preview, ...settings, wav]);
    const text = fs.readFileSync(inc, "utf8");
    const lines = text.split("\n").slice(2).filter((line) => line).map((line) => line.split(" ").map(Number));
    const header = lines[0], bytes = fs.readFileSync(preview);
    const levels = [];
    for (let n = 44; n < bytes.length; n += 2)
        levels.push(bytes.readInt16LE(n) / 32767);
    return { text, frames: header[1], buffers: lines.slice(1), played: (header[2] * 256 + header[3]) * header[1], levels };
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

// Runs the program at tickrate instructions a frame and returns Octo's
// rendering of each frame, the buffer and buzzer timer it played, v0 at
// the frame's end, and the frame in which the buzzer was first started.
function render(source, frames, tickrate) {
    const o = octo();
    vm.runInContext("var compiled = new Compiler(source); compiled.go();", Object.assign(o, { source }));
    vm.runInContext(`
        var emulator = new Emulator();
        emulator.init({ rom: compiled.rom });
        emulator.tickrate = ${tickrate};
        audioSetup(emulator);
        var started = -1, frame = 0, rendered = [], buffers = [], timers = [], v0 = [];
        var setTimer = emulator.buzzTimer;
        emulator.buzzTimer = t => { if (t && started < 0) started = frame; setTimer(t); };
        // As Octo's page runs a frame: the instructions, the timers, the sound.
        for (; frame < ${frames}; frame++) {
            for (var z = 0; z < emulator.tickrate && !emulator.waiting; z++) emulator.tick();
            if (emulator.dt > 0) emulator.dt--;
            if (emulator.st > 0) emulator.st--;
            buffers.push(Array.from(XOAudio.buffer));
            timers.push(XOAudio.timer);
            v0.push(emulator.v[0]);
            XOAudio.refresh(1000 / 60 / 1000);
            var made = audioData[audioData.length - 1];
            rendered.push(Array.from(made.buffer.subarray(0, made.duration)));
        }`, o);
    if (o.emulator.halted) fail("Octo's emulator halted");
    return o;
}

// How far Octo's rendering of frames from..from+count-1 is from the
// preview's, those of its frames from at on; the first skip samples left
// out. The preview rounds each level to 16 bits.
function compare(name, octo, from, count, sound, at, skip) {
    let worst = 0, where = 0;
    for (let f = 0; f < count; f++)
        octo.rendered[from + f].forEach((level, i) => {
            const n = (at + f) * 800 + i, off = Math.abs(sound.levels[n] - level);
            if (f * 800 + i >= skip && off > worst) worst = off, where = n;
        });
    if (worst > 1 / 32767)
        fail(`${name}: the preview differs from Octo's rendering by ${worst.toFixed(5)} at sample ${where}`);
    return worst;
}

// The blocking player, as the README shows it.
const chordwav = path.join(work, "chord.wav");
write(chordwav, 440, 660);
for (const settings of [[], ["--pitch", "20", "--frames-per-buffer", "3", "--quantize", "ds1"]]) {
    const name = settings.length ? settings.join(" ") : "the defaults";
    const sound = convert("chord", chordwav, settings);
    const octo = render(": main\n\ti := chord\n\txo-play\n\tloop again\n" + players["xo-play"] + sound.text,
                        sound.played + 20, 20);
    if (octo.started < 0 || sound.levels.length != sound.played * 800) {
        fail(`${name}: ${sound.levels.length} preview samples for ${sound.played} frames, buzzer started in frame ` +
             octo.started);
        continue;
    }
    const loudest = Math.max(...octo.rendered.slice(octo.started, octo.started + sound.played).flat());
    if (loudest < 0.5)
        fail(`${name}: Octo's rendering is silent`);
    const worst = compare(name, octo, octo.started, sound.played, sound, 0, 0);
    const after = octo.rendered[octo.started + sound.played];
    if (Math.max(...after.slice(100).map(Math.abs)) > 1e-3)
        fail(`${name}: the frame after the last buffer is not silent`);
    console.log(`xo-play, ${name}: ${sound.played} frames, the preview within ${worst.toExponential(2)} of Octo's ` +
                "rendering");
}

// The player called once a frame: the chord over and over, from frame 0,
// and from frame 45 a tone once, at 100 instructions a frame.
const tonewav = path.join(work, "tone.wav");
write(tonewav, 330, 330);
const chord = convert("chord", chordwav, []), tone = convert("tone", tonewav, ["--frames-per-buffer", "1"]);
const SWITCH = 45, tail = 10;
const program = `: main
	:unpack long chord
	v2 := 1
	xo-start
	v7 := 0
	loop
		if v7 == ${SWITCH} begin
			:unpack long tone
			v2 := 0
			xo-start
		end
		v7 += 1
		xo-frame
		vf := 1
		delay := vf
		loop
			vf := delay
			while vf != 0
		again
	again
` + players["xo-play-frame"] + chord.text + tone.text;
const run = render(program, SWITCH + tone.played + tail, 100);
// What each frame should play: [sound, its frame, the frame of the pass] from frame 0 on.
const plan = [];
for (let f = 0; f < SWITCH; f++)
    plan.push([chord, f % chord.played]);
for (let f = 0; f < tone.played; f++)
    plan.push([tone, f]);
if (run.started != 0)
    fail(`xo-frame: the buzzer started in frame ${run.started}, not 0`);
let late = 0;
plan.forEach(([sound, f], frame) => {
    const expected = sound.buffers[Math.floor(f / sound.frames)];
    if (JSON.stringify(run.buffers[frame]) != JSON.stringify(expected) || run.timers[frame] == 0 || !run.v0[frame])
        late++;
});
if (late)
    fail(`xo-frame: ${late} of ${plan.length} frames play another buffer than the packing meant, or none`);
for (let frame = plan.length; frame < plan.length + tail; frame++)
    if (run.timers[frame] != 0 || run.v0[frame] != 0)
        fail(`xo-frame: frame ${frame}, after the tone, has the buzzer at ${run.timers[frame]} and v0 ${run.v0[frame]}`);
const worst = Math.max(compare("xo-frame, the chord", run, 0, chord.played, chord, 0, 0),
                       compare("xo-frame, the chord again", run, chord.played, SWITCH - chord.played, chord, 0, 20),
                       compare("xo-frame, the tone", run, SWITCH, tone.played, tone, 0, 20));
console.log(`xo-frame: the chord (${chord.played} frames) and again, the tone (${tone.played} frames) from frame ` +
            `${SWITCH}, each frame its buffer, the previews within ${worst.toExponential(2)} of Octo's rendering`);
// The README's game loop: the chord once, each frame its buffer, then
// nothing.
const game = render(loop + players["xo-play-frame"] + chord.text, chord.played + tail, 100);
const missed = chord.buffers.filter((buffer, b) => JSON.stringify(game.buffers[b * chord.frames]) != JSON.stringify(buffer));
if (game.started != 0 || missed.length || game.timers[chord.played] || game.v0[chord.played])
    fail(`the README's loop: ${missed.length} buffers amiss, the buzzer started in frame ${game.started}, ` +
         `at ${game.timers[chord.played]} after the chord`);
if (!failed) console.log("ok: Octo plays the buffers as the preview has them");
process.exit(failed);

// Times the page in headless Chromium against the command line: the page's
// size, a 128 x 64 PNG, a 4096 x 4096 picture in each mode (24-bit BMP)
// and as an RGB PNG, and a minute of sound with --xo, with and without
// its preview. Each input is made here, the same bytes in the page and on
// disk; each time is the median of RUNS runs of trell.run (files in and
// out included) and of the program started from a shell (its start and
// its files written included), and the page's files must be the program's
// byte for byte.
//
// usage: node web/bench.js [RUNS]   (default 5)
// Needs build-web/trell.html (web/build), puppeteer-core in build-web/node,
// Chromium, and the programs built in build/ (the README's build).
"use strict";
const fs = require("fs");
const os = require("os");
const path = require("path");
const zlib = require("zlib");
const { spawnSync } = require("child_process");

const root = path.join(__dirname, "..");
const RUNS = Number(process.argv[2] || 5);
const pagefile = path.join(root, "build-web/trell.html");
const puppeteer = require(path.join(root, "build-web/node/node_modules/puppeteer-core"));
const program = (name) => path.join(root, "build", name, name);

function le(bytes, ...fields) {
    const b = Buffer.alloc(fields.reduce((n, [size]) => n + size, 0));
    let at = 0;
    for (const [size, value] of fields) {
        b.writeUIntLE(value, at, size);
        at += size;
    }
    return b;
}

// A bottom-up 24-bit BMP of a pattern of blue that changes along each row.
function bmp(width, height) {
    const stride = (width * 3 + 3) & ~3, data = Buffer.alloc(stride * height);
    for (let y = 0; y < height; y++)
        for (let x = 0; x < width; x++) {
            const at = y * stride + 3 * x, v = (x * 7 + y * 13 + ((x ^ y) & 64)) & 255;
            data[at] = v, data[at + 1] = (v * 3) & 255, data[at + 2] = 255 - v;
        }
    const head = Buffer.concat([Buffer.from("BM"), le(0, [4, 54 + data.length], [4, 0], [4, 54]),
        le(0, [4, 40], [4, width], [4, height], [2, 1], [2, 24], [4, 0], [4, data.length], [4, 2835], [4, 2835],
           [4, 0], [4, 0])]);
    return Buffer.concat([head, data]);
}

const CRC = Array.from({ length: 256 }, (_, n) => {
    for (let k = 0; k < 8; k++)
        n = n & 1 ? 0xEDB88320 ^ (n >>> 1) : n >>> 1;
    return n >>> 0;
});
function crc32(bytes) {
    let c = 0xFFFFFFFF;
    for (const b of bytes)
        c = CRC[(c ^ b) & 255] ^ (c >>> 8);
    return (c ^ 0xFFFFFFFF) >>> 0;
}
function chunk(type, data) {
    const body = Buffer.concat([Buffer.from(type), data]), size = Buffer.alloc(4), crc = Buffer.alloc(4);
    size.writeUInt32BE(data.length);
    crc.writeUInt32BE(crc32(body));
    return Buffer.concat([size, body, crc]);
}
// An 8-bit RGB PNG of the BMP's pattern, each row filtered with Sub.
function png(width, height) {
    const raw = Buffer.alloc((3 * width + 1) * height);
    for (let y = 0; y < height; y++) {
        const row = y * (3 * width + 1);
        raw[row] = 1;
        let before = [0, 0, 0];
        for (let x = 0; x < width; x++) {
            const v = (x * 7 + y * 13 + ((x ^ y) & 64)) & 255, pixel = [255 - v, (v * 3) & 255, v];
            for (let i = 0; i < 3; i++)
                raw[row + 1 + 3 * x + i] = (pixel[i] - before[i]) & 255;
            before = pixel;
        }
    }
    const ihdr = Buffer.alloc(13);
    ihdr.writeUInt32BE(width, 0), ihdr.writeUInt32BE(height, 4), ihdr[8] = 8, ihdr[9] = 2;
    return Buffer.concat([Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]), chunk("IHDR", ihdr),
                          chunk("IDAT", zlib.deflateSync(raw, { level: 6 })), chunk("IEND", Buffer.alloc(0))]);
}

// seconds of a 440 + 660 Hz chord, 16-bit stereo at 44100 Hz.
function wav(seconds) {
    const rate = 44100, count = rate * seconds, data = Buffer.alloc(count * 4);
    for (let i = 0; i < count; i++) {
        data.writeInt16LE(Math.round(12000 * Math.sin(2 * Math.PI * 440 * i / rate)), 4 * i);
        data.writeInt16LE(Math.round(12000 * Math.sin(2 * Math.PI * 660 * i / rate)), 4 * i + 2);
    }
    return Buffer.concat([Buffer.from("RIFF"), le(0, [4, 36 + data.length]), Buffer.from("WAVEfmt "),
        le(0, [4, 16], [2, 1], [2, 2], [4, rate], [4, rate * 4], [2, 4], [2, 16]), Buffer.from("data"),
        le(0, [4, data.length]), data]);
}

const median = (times) => [...times].sort((a, b) => a - b)[times.length >> 1];

// The program from a shell, in a folder of its own holding the input
// alone, as the page's does: milliseconds.
function native(name, args, dir, file) {
    for (const f of fs.readdirSync(dir))
        if (f !== file)
            fs.rmSync(path.join(dir, f));
    const start = process.hrtime.bigint();
    const run = spawnSync(program(name), args, { cwd: dir, stdio: "ignore" });
    if (run.status !== 0)
        throw new Error(`${name} ${args.join(" ")}: status ${run.status}`);
    return Number(process.hrtime.bigint() - start) / 1e6;
}

// The same run through trell.run, on the input the page was given once:
// milliseconds, and a digest of each file.
function inPage(page, name, args) {
    return page.evaluate(async (name, args) => {
        const start = performance.now();
        const result = await window.trell.run(name, args, window.benchInput);
        const time = performance.now() - start;
        if (result.status !== 0)
            throw new Error(`${name} ${args.join(" ")}: status ${result.status}: ${result.stdout}${result.stderr}`);
        const sums = {};
        for (const [f, u8] of Object.entries(result.files)) {
            const digest = await crypto.subtle.digest("SHA-256", u8);
            sums[f] = Array.from(new Uint8Array(digest), (b) => b.toString(16).padStart(2, "0")).join("");
        }
        return { time, sums };
    }, name, args);
}

const sha256 = (bytes) => require("crypto").createHash("sha256").update(bytes).digest("hex");

// Each run of the program is followed by one in the page, so that a change
// in the machine's load falls on both.
async function timeCase(page, name, args, file, bytes) {
    await page.evaluate((b64, file) => {
        window.benchInput = { [file]: Uint8Array.from(atob(b64), (c) => c.charCodeAt(0)) };
    }, bytes.toString("base64"), file);
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), "trell-bench."));
    fs.writeFileSync(path.join(dir, file), bytes);
    const cli = [], web = [];
    let sums;
    for (let i = 0; i < RUNS; i++) {
        cli.push(native(name, args, dir, file));
        const run = await inPage(page, name, args);
        web.push(run.time);
        sums = run.sums;
    }
    const files = fs.readdirSync(dir);
    const same = files.length === Object.keys(sums).length &&
                 files.every((f) => sums[f] === sha256(fs.readFileSync(path.join(dir, f))));
    fs.rmSync(dir, { recursive: true });
    return { cli: median(cli), web: median(web), same };
}

async function main() {
    const browser = await puppeteer.launch({
        executablePath: "/usr/bin/chromium", headless: true,
        args: ["--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
               "--disable-component-update", "--disable-sync"],
    });
    const page = await browser.newPage();
    await page.goto("file://" + pagefile);
    console.log(`page: ${fs.statSync(pagefile).size} bytes`);
    // The first run, as the page opens: its modules are still starting.
    await page.evaluate((b64) => {
        window.benchInput = { "p.png": Uint8Array.from(atob(b64), (c) => c.charCodeAt(0)) };
    }, png(128, 64).toString("base64"));
    const first = await inPage(page, "imgtrell", ["-bq", "p.png", "1"]);
    console.log(`the first run, as the page opens: ${first.time.toFixed(1)} ms`);
    const cases = [
        ["imgtrell", "128 x 64 RGB PNG, mode 1", ["-bq", "-o", "p.inc", "p.png", "1"], "p.png", () => png(128, 64)],
        ["imgtrell", "4096 x 4096 24-bit BMP, mode 0", ["-bq", "-o", "p.inc", "p.bmp", "0"], "p.bmp", () => bmp(4096, 4096)],
        ["imgtrell", "4096 x 4096 24-bit BMP, mode 1", ["-bq", "-o", "p.inc", "p.bmp", "1"], "p.bmp", () => bmp(4096, 4096)],
        ["imgtrell", "4096 x 4096 24-bit BMP, mode 2", ["-bq", "-o", "p.inc", "p.bmp", "2"], "p.bmp", () => bmp(4096, 4096)],
        ["imgtrell", "4096 x 4096 RGB PNG, mode 1", ["-bq", "-o", "p.inc", "p.png", "1"], "p.png", () => png(4096, 4096)],
        ["sndtrell", "60 s 16-bit stereo WAV, --xo", ["-bq", "--xo", "-o", "s.inc", "s.wav"], "s.wav", () => wav(60)],
        ["sndtrell", "60 s WAV, --xo --preview-wav", ["-bq", "--xo", "--preview-wav", "p.wav", "-o", "s.inc", "s.wav"],
         "s.wav", () => wav(60)],
    ];
    console.log("| case | page (ms) | command line (ms) | ratio | same files |\n|---|---:|---:|---:|---|");
    for (const [name, what, args, file, make] of cases) {
        const { cli, web, same } = await timeCase(page, name, args, file, make());
        console.log(`| ${what} | ${web.toFixed(1)} | ${cli.toFixed(1)} | ${(web / cli).toFixed(2)} | ${same ? "yes" : "NO"} |`);
    }
    await browser.close();
}

main().catch((e) => {
    console.log(e.stack || String(e));
    process.exit(1);
});

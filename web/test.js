// The page in a real browser: Debian's Chromium, headless, driven by
// puppeteer-core. Every golden case a folder can hold runs through
// trell.run, one after another in one page and then again in the reverse
// order, each giving the case's status, console and files byte for byte;
// then the page itself: the preview of a 4-colour tiled picture read back
// pixel by pixel, and a broken picture's refusal followed by a conversion.
//
// usage: node web/test.js
// Skipped (77) without build-web/trell.html (web/build), puppeteer-core in
// build-web/node (.ci/run installs it) or /usr/bin/chromium.
"use strict";
const fs = require("fs");
const os = require("os");
const path = require("path");

const root = path.join(__dirname, "..");
const pagefile = path.join(root, "build-web/trell.html");
const chromium = "/usr/bin/chromium";
const puppeteerdir = path.join(root, "build-web/node/node_modules/puppeteer-core");
for (const [need, what] of [[pagefile, "web/build"], [puppeteerdir, "npm install --prefix build-web/node puppeteer-core"],
                            [chromium, "apt-get install chromium"]])
    if (!fs.existsSync(need)) {
        console.log(`skipped: no ${need} (${what})`);
        process.exit(77);
    }
const puppeteer = require(puppeteerdir);

let failed = 0;
const fail = (text) => { console.log("FAIL: " + text); failed++; };

// ---- Golden cases

// A case needs what a folder of the browser's memory does not have when it
// makes links, runs a setup, takes permissions, or is a POSIX system's own
// (devices, FIFOs); or when its arguments name a path outside its folder.
const MARKERS = ["links", "setup", "readonly", "unprivileged", "posix-only"];
// The page writes the files a conversion kept once it is over; the command
// line begins each file as the conversion makes it, so a file it cannot
// begin is refused before the lines said while the later ones are made
// (the palette's colours). The refusal, status and files are the same;
// the order of the console's lines is not.
const WRITTEN_AFTER = ["imgtrell/output/palette_no_folder"];
function skipReason(dir, args) {
    const marker = MARKERS.find((m) => fs.existsSync(path.join(dir, m)));
    if (marker)
        return marker;
    if (WRITTEN_AFTER.includes(path.relative(path.join(root, "tests/golden"), dir)))
        return "a file not begun, refused in the command line before later lines";
    if (args.some((a) => a.startsWith("/") || /(^|\/)\.\.(\/|$)/.test(a)))
        return "a path outside the folder";
    return null;
}

// The lines of a file as run_case reads them: a last line end adds no line.
function lines(file) {
    if (!fs.existsSync(file))
        return [];
    const text = fs.readFileSync(file, "utf8");
    if (text === "")
        return [];
    const all = text.split("\n");
    if (text.endsWith("\n"))
        all.pop();
    return all;
}

function filesUnder(dir, prefix = "", files = {}) {
    if (!fs.existsSync(dir))
        return files;
    for (const entry of fs.readdirSync(dir, { withFileTypes: true })) {
        const file = path.join(dir, entry.name);
        if (entry.isDirectory())
            filesUnder(file, prefix + entry.name + "/", files);
        else
            files[prefix + entry.name] = fs.readFileSync(file);
    }
    return files;
}

// The case: its program, arguments, input files (renames applied) and what
// the folder holds afterwards: the input files, those of out/ over them.
function readCase(program, dir) {
    const renames = Object.fromEntries(lines(path.join(dir, "renames")).map((l) => l.trim().split(/\s+/)));
    const named = (files) => Object.fromEntries(Object.entries(files).map(([n, b]) => [renames[n] || n, b]));
    const input = named(filesUnder(path.join(dir, "in")));
    const read = (name) => fs.existsSync(path.join(dir, name)) ? fs.readFileSync(path.join(dir, name)) : Buffer.alloc(0);
    return {
        name: path.relative(path.join(root, "tests/golden"), dir), program, dir,
        args: lines(path.join(dir, "args")), input,
        status: Number(read("status").toString()), stdout: read("stdout"), stderr: read("stderr"),
        files: { ...input, ...named(filesUnder(path.join(dir, "out"))) },
    };
}

function goldenCases() {
    const cases = [], skipped = {};
    for (const program of ["imgtrell", "sndtrell"]) {
        const top = path.join(root, "tests/golden", program);
        for (const subject of fs.readdirSync(top).sort())
            for (const name of fs.readdirSync(path.join(top, subject)).sort()) {
                const dir = path.join(top, subject, name);
                const reason = skipReason(dir, lines(path.join(dir, "args")));
                if (reason)
                    skipped[reason] = (skipped[reason] || 0) + 1;
                else
                    cases.push(readCase(program, dir));
            }
    }
    return { cases, skipped };
}

// What differs between a run and its case; empty when nothing does.
function differences(c, got) {
    const wrong = [];
    if (got.status !== c.status)
        wrong.push(`status ${got.status}, expected ${c.status}`);
    for (const stream of ["stdout", "stderr"])
        if (!Buffer.from(got[stream], "utf8").equals(c[stream]))
            wrong.push(`${stream}:\n${got[stream]}\nexpected:\n${c[stream]}`);
    const names = new Set([...Object.keys(c.files), ...Object.keys(got.files)]);
    for (const name of [...names].sort()) {
        if (!(name in got.files))
            wrong.push(`missing: ${name}`);
        else if (!(name in c.files))
            wrong.push(`not expected: ${name}`);
        else if (!Buffer.from(got.files[name], "base64").equals(c.files[name]))
            wrong.push(`${name} differs`);
    }
    return wrong;
}

// Runs the case in the page: its files go in and come back as base64.
function runCase(page, c) {
    const files = Object.fromEntries(Object.entries(c.input).map(([n, b]) => [n, b.toString("base64")]));
    return page.evaluate(async (program, args, files) => {
        const bytes = (b64) => Uint8Array.from(atob(b64), (ch) => ch.charCodeAt(0));
        const base64 = (u8) => {
            let text = "";
            for (let i = 0; i < u8.length; i += 0x8000)
                text += String.fromCharCode.apply(null, u8.subarray(i, i + 0x8000));
            return btoa(text);
        };
        const input = Object.fromEntries(Object.entries(files).map(([n, b]) => [n, bytes(b)]));
        const r = await window.trell.run(program, args, input);
        return { ...r, files: Object.fromEntries(Object.entries(r.files).map(([n, u8]) => [n, base64(u8)])) };
    }, c.program, c.args, files);
}

async function golden(page) {
    const { cases, skipped } = goldenCases();
    const counts = {};
    for (const c of cases) {
        const key = c.name.split("/").slice(0, 2).join("/");
        counts[key] = (counts[key] || 0) + 1;
    }
    const start = Date.now();
    let runs = 0;
    for (const [pass, order] of [[1, cases], [2, [...cases].reverse()]])
        for (const c of order) {
            let got;
            try {
                got = await runCase(page, c);
            } catch (e) {
                fail(`${c.name} (pass ${pass}): ${String(e.message).split("\n")[0]}`);
                continue;
            }
            const wrong = differences(c, got);
            runs++;
            if (wrong.length)
                fail(`${c.name} (pass ${pass}):\n  ${wrong.join("\n  ")}`);
        }
    console.log(`golden cases: ${cases.length} run twice, forwards then backwards (${runs} runs, ${Date.now() - start} ms); ` +
                `by subject: ${Object.entries(counts).map(([k, n]) => `${k} ${n}`).join(", ")}`);
    console.log(`golden cases skipped: ${Object.entries(skipped).map(([k, n]) => `${n} (${k})`).join(", ")}`);
}

// ---- The page

// Octo's colours of indices 0 to 3, as the page draws a picture of two
// planes without --colors.
const OCTO = [[0x99, 0x66, 0x00], [0xff, 0xcc, 0x00], [0xff, 0x66, 0x00], [0x66, 0x22, 0x00]];
const INDEX = (x, y) => ((x >> 2) + (y >> 2) + (x >> 3)) & 3;

// A 16 x 16 BMP of 8 bits a pixel and four palette colours, each pixel's
// index INDEX: squares of 4 that run across the tiles of 8.
function fourColours() {
    const head = Buffer.alloc(54 + 16), data = Buffer.alloc(16 * 16);
    head.write("BM", 0);
    head.writeUInt32LE(head.length + data.length, 2);
    head.writeUInt32LE(head.length, 10);
    head.writeUInt32LE(40, 14), head.writeInt32LE(16, 18), head.writeInt32LE(16, 22);
    head.writeUInt16LE(1, 26), head.writeUInt16LE(8, 28), head.writeUInt32LE(data.length, 34);
    head.writeUInt32LE(4, 46);
    [[0, 0, 255], [0, 255, 0], [255, 0, 0], [255, 255, 255]].forEach((bgr, i) => Buffer.from(bgr).copy(head, 54 + 4 * i));
    for (let y = 0; y < 16; y++)
        for (let x = 0; x < 16; x++)
            data[(15 - y) * 16 + x] = INDEX(x, y);  // rows bottom-up
    return Buffer.concat([head, data]);
}

// Gives the page a file as the file chooser does, and waits for the
// conversion of the command line shown.
async function choose(page, file, command) {
    await (await page.$("#file")).uploadFile(file);
    await converted(page, command);
}
async function converted(page, command) {
    await page.waitForFunction((command) => document.body.dataset.state === "done" &&
                               document.getElementById("command").textContent === command, { timeout: 10000 }, command);
}
const textOf = (page, id) => page.$eval("#" + id, (e) => e.textContent);

// The preview canvas read back: each pixel the colour of its picture
// pixel's index, zoomed by the canvas's zoom, a black line between tiles.
async function checkPreview(page) {
    const canvas = await page.$eval("#preview", (c) => ({
        width: c.width, height: c.height, zoom: Number(c.dataset.zoom), gap: Number(c.dataset.gap),
        pixels: Array.from(c.getContext("2d").getImageData(0, 0, c.width, c.height).data),
    }));
    const { zoom, gap } = canvas, span = 8 * zoom + gap;
    if (gap !== 1 || canvas.width !== 16 * zoom + gap || canvas.height !== 16 * zoom + gap)
        return fail(`preview: a canvas of ${canvas.width} x ${canvas.height} at zoom ${zoom}, gap ${gap}`);
    let wrong = 0;
    for (let cy = 0; cy < canvas.height; cy++)
        for (let cx = 0; cx < canvas.width; cx++) {
            const rx = cx % span, ry = cy % span, between = rx >= 8 * zoom || ry >= 8 * zoom;
            const x = Math.floor(cx / span) * 8 + Math.floor(rx / zoom), y = Math.floor(cy / span) * 8 + Math.floor(ry / zoom);
            const want = between ? [0, 0, 0] : OCTO[INDEX(x, y)];
            const at = 4 * (cy * canvas.width + cx), got = canvas.pixels.slice(at, at + 4);
            if (got[0] !== want[0] || got[1] !== want[1] || got[2] !== want[2] || got[3] !== 255)
                if (wrong++ < 5)
                    fail(`preview: canvas pixel ${cx}, ${cy} is ${got}, expected ${want},255`);
        }
    console.log(`preview: ${canvas.width} x ${canvas.height} pixels read back at zoom ${zoom}, ${wrong} wrong`);
}

async function pageItself(page, work) {
    const picture = path.join(work, "four.bmp");
    fs.writeFileSync(picture, fourColours());
    await choose(page, picture, "imgtrell --batch four.bmp");
    await page.select("#planes", "2");
    await page.type("#tile", "8x8");
    await converted(page, "imgtrell --batch --tile 8x8 --planes 2 four.bmp");
    if (await textOf(page, "status") !== "Converted.")
        fail("four.bmp: " + await textOf(page, "status") + "\n" + await textOf(page, "console"));
    if (!(await textOf(page, "text")).includes("tiles: 2 x 2 of 8x8, 16 bytes each (planes 1 and 2)"))
        fail("four.bmp: the include text shown is not its tiles':\n" + await textOf(page, "text"));
    await checkPreview(page);

    // A PNG cut short, refused in the command line's words (its golden
    // case's line), and the next picture converted all the same.
    const broken = path.join(root, "tests/golden/imgtrell/png/png_cut_short");
    const refusal = fs.readFileSync(path.join(broken, "stdout"), "utf8").split("\n").find((l) => l.startsWith("Error: "));
    await choose(page, path.join(broken, "in/png_cut_short.png"), "imgtrell --batch --tile 8x8 --planes 2 png_cut_short.png");
    if (!(await textOf(page, "console")).split("\n").includes(refusal) || !(await textOf(page, "status")).includes("status 2"))
        fail(`png_cut_short.png: no "${refusal}" in the console, status 2:\n` + await textOf(page, "console"));
    await choose(page, picture, "imgtrell --batch --tile 8x8 --planes 2 four.bmp");
    if (await textOf(page, "status") !== "Converted." || (await textOf(page, "console")).includes("Error"))
        fail("four.bmp after the refusal: " + await textOf(page, "status") + "\n" + await textOf(page, "console"));
    await checkPreview(page);
    console.log(`the page: a 4-colour tiled picture previewed, "${refusal}", then converted again`);
}

async function main() {
    const browser = await puppeteer.launch({
        executablePath: chromium, headless: true,
        args: ["--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
               "--disable-component-update", "--disable-sync"],
    });
    try {
        const page = await browser.newPage();
        page.on("pageerror", (e) => fail("the page threw: " + e.message));
        await page.goto("file://" + pagefile);
        await golden(page);
        const work = fs.mkdtempSync(path.join(os.tmpdir(), "trell-page."));
        try {
            await pageItself(await browser.newPage().then(async (p) => {
                p.on("pageerror", (e) => fail("the page threw: " + e.message));
                await p.setViewport({ width: 390, height: 844 });  // a phone's width
                await p.goto("file://" + pagefile);
                return p;
            }), work);
        } finally {
            fs.rmSync(work, { recursive: true, force: true });
        }
    } finally {
        await browser.close();
    }
    console.log(failed ? `${failed} failed` : "all passed");
    process.exit(failed ? 1 : 0);
}

main().catch((e) => {
    console.log(e.stack || String(e));
    process.exit(1);
});

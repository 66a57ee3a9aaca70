// Makes the page one file that needs nothing else: each stylesheet link
// and each script of the page replaced by the file's text, looked for in
// the folders given, in turn.
//
// usage: node assemble.js OUT PAGE FOLDER...
"use strict";
const fs = require("fs");
const path = require("path");

const [out, page, ...folders] = process.argv.slice(2);

function text(name) {
    for (const folder of folders) {
        const file = path.join(folder, name);
        if (fs.existsSync(file))
            return fs.readFileSync(file, "utf8");
    }
    throw new Error(`assemble.js: ${name} is in none of ${folders.join(", ")}`);
}

// A script's text ends at the first "</script" whatever the JavaScript
// around it, and "<!--" in it changes how the rest is read.
function script(name) {
    const body = text(name);
    if (/<\/script|<!--/i.test(body))
        throw new Error(`assemble.js: ${name} holds "</script" or "<!--" and cannot be inlined`);
    return `<script>\n${body}\n</script>`;
}

let html = fs.readFileSync(page, "utf8")
    .replace(/<link rel="stylesheet" href="([^"]+)">/g, (_, name) => `<style>\n${text(name)}</style>`)
    .replace(/<script src="([^"]+)"><\/script>/g, (_, name) => script(name));
if (/\s(src|href)="(?!#|data:|blob:)/.test(html.replace(/<script>[\s\S]*?<\/script>/g, "")))
    throw new Error("assemble.js: the page still names a file it would fetch");
fs.writeFileSync(out + ".tmp", html);
fs.renameSync(out + ".tmp", out);

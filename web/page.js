// The page: a file chosen or dropped, the common options as controls and a
// field for any other arguments, each change converted again at once
// through trell.run; the picture as the screen draws it, the sound's
// preview, the console, the files and the include text shown.
(function () {
    "use strict";
    const $ = (id) => document.getElementById(id);
    const TEXT_SHOWN = 1 << 20;  // the most of an include file shown; the rest is downloaded
    let input = null;  // {name, path, bytes, program}
    let shown = null;  // the last result: {result, texts, urls}
    let asked = 0;  // conversions asked for; a result not of the last is dropped
    const more = { imgtrell: "", sndtrell: "" };  // the other arguments of each program
    let timer = 0;

    // imgtrell or sndtrell, by the file's name, else by its first bytes.
    function programOf(name, bytes) {
        const riff = bytes.length >= 4 && bytes[0] === 0x52 && bytes[1] === 0x49 && bytes[2] === 0x46 && bytes[3] === 0x46;
        return /\.wav$/i.test(name) || riff ? "sndtrell" : "imgtrell";
    }

    // The words of a command line as a shell splits them: blanks between,
    // '...' taken as it is, "..." and \ as a shell reads them.
    function words(text) {
        const all = [];
        let word = null;
        for (let i = 0; i < text.length; i++) {
            const c = text[i];
            if (/\s/.test(c)) {
                if (word !== null)
                    all.push(word);
                word = null;
            } else if (c === "'") {
                const end = text.indexOf("'", i + 1);
                if (end < 0)
                    throw new Error("a ' is not closed");
                word = (word || "") + text.slice(i + 1, end);
                i = end;
            } else if (c === '"') {
                word = word || "";
                for (i++; i < text.length && text[i] !== '"'; i++)
                    word += text[i] === "\\" && /["\\$`]/.test(text[i + 1] || "") ? text[++i] : text[i];
                if (i >= text.length)
                    throw new Error('a " is not closed');
            } else {
                word = (word || "") + (c === "\\" && i + 1 < text.length ? text[++i] : c);
            }
        }
        if (word !== null)
            all.push(word);
        return all;
    }

    // A word as a shell would need it written.
    function quoted(word) {
        return /^[\w@%+=:,./-]+$/.test(word) ? word : "'" + word.replace(/'/g, "'\\''") + "'";
    }

    const previewName = () => input.name.replace(/\.wav$/i, "") + ".preview.wav";

    // The arguments the controls give, as the command line takes them:
    // --batch, the options, the other arguments, the file (and the mode).
    function argumentsOf() {
        const args = ["--batch"];
        const value = (option, id) => {
            const v = $(id).value.trim();
            if (v !== "")
                args.push(option, v);
        };
        const flag = (option, id) => {
            if ($(id).checked)
                args.push(option);
        };
        if (input.program === "imgtrell") {
            value("--tile", "tile"), value("--order", "order"), value("--frame", "frame"), flag("--pad", "pad");
            value("--rule", "rule"), value("--threshold", "threshold"), flag("--invert", "invert");
            flag("--alpha", "alpha"), value("--planes", "planes"), value("--colors", "colors");
            value("--dither", "dither"), value("--fit", "fit");
        } else if ($("xo").value) {
            args.push("--xo");
            value("--pitch", "pitch"), value("--frames-per-buffer", "frames");
            args.push("--preview-wav", previewName());
        }
        value("--syntax", "syntax"), value("-l", "label");
        args.push(...words($("more").value), input.path);
        if (input.program === "imgtrell" && $("mode").value)
            args.push($("mode").value);
        return args;
    }

    function schedule() {
        clearTimeout(timer);
        timer = setTimeout(convert, 60);
    }

    function setStatus(text, refused) {
        $("status").textContent = text;
        $("status").classList.toggle("refused", !!refused);
    }

    async function convert() {
        if (!input)
            return;
        let args;
        try {
            args = argumentsOf();
        } catch (e) {
            setStatus("Other arguments: " + e.message + ".", true);
            return;
        }
        $("command").textContent = [input.program, ...args].map(quoted).join(" ");
        const mine = ++asked;
        document.body.dataset.state = "converting";
        let result;
        try {
            result = await window.trell.run(input.program, args, { [input.name]: input.bytes }, { picture: true });
        } catch (e) {
            if (mine === asked) {
                setStatus("The converter stopped (out of memory, most likely): " + e.message, true);
                document.body.dataset.state = "done";
            }
            return;
        }
        if (mine !== asked)
            return;
        show(result);
        document.body.dataset.state = "done";
        document.body.dataset.converted = String(mine);
    }

    // ---- What a conversion gives

    // A file given comes back as the bytes given where the run left it.
    function sameBytes(a, b) {
        return a.length === b.length &&
               ((a.buffer === b.buffer && a.byteOffset === b.byteOffset) || a.every((v, i) => v === b[i]));
    }

    function show(result) {
        if (shown)
            shown.urls.forEach((url) => URL.revokeObjectURL(url));
        // The files made, the include text first.
        const made = Object.entries(result.files).filter(([name, bytes]) => name !== input.name || !sameBytes(bytes, input.bytes))
            .sort(([, a], [, b]) => Number(a.includes(0)) - Number(b.includes(0)));
        shown = { result, urls: [], texts: made.filter(([, bytes]) => !bytes.includes(0)) };
        const urlOf = (bytes, type) => {
            const url = URL.createObjectURL(new Blob([bytes], { type }));
            shown.urls.push(url);
            return url;
        };

        if (result.status === 0)
            setStatus(result.stderr ? "Converted, with warnings (see the console)." : "Converted.");
        else
            setStatus(`Not converted (status ${result.status}): the console says why.`, true);

        $("console").textContent = result.stdout;
        if (result.stderr) {
            const err = document.createElement("span");
            err.className = "err";
            err.textContent = result.stderr;
            $("console").append(err);
        }

        const list = $("files");
        list.textContent = "";
        for (const [name, bytes] of made) {
            const item = document.createElement("li"), link = document.createElement("a");
            link.href = urlOf(bytes, bytes.includes(0) ? "application/octet-stream" : "text/plain");
            link.download = name.split("/").pop();
            link.textContent = `${name} (${bytes.length} bytes)`;
            item.append(link);
            list.append(item);
        }
        if (made.length === 0)
            list.innerHTML = "<li>none</li>";

        const select = $("shown"), before = select.value;
        select.textContent = "";
        for (const [name] of shown.texts)
            select.append(new Option(name, name));
        if (shown.texts.some(([name]) => name === before))
            select.value = before;
        $("text-bar").hidden = $("text").hidden = shown.texts.length === 0;
        showText();

        $("screen").hidden = !result.picture;
        if (result.picture)
            drawPicture(result.picture);
        const wav = input.program === "sndtrell" && result.status === 0 &&
                    (result.files[previewName()] || ($("xo").value ? null : input.bytes));
        $("sound").hidden = !wav;
        if (wav)
            $("sound").src = urlOf(wav, "audio/wav");
        else
            $("sound").removeAttribute("src");
    }

    function textOf(name) {
        const entry = shown && shown.texts.find(([n]) => n === name);
        return entry ? entry[1] : null;
    }

    function showText() {
        const bytes = textOf($("shown").value);
        if (!bytes)
            return;
        const text = new TextDecoder().decode(bytes.subarray(0, TEXT_SHOWN));
        $("text").textContent = bytes.length > TEXT_SHOWN
            ? text.slice(0, text.lastIndexOf("\n") + 1) + `... (the first ${TEXT_SHOWN} of ${bytes.length} bytes: download the file for all)\n`
            : text;
    }

    async function copyText() {
        const bytes = textOf($("shown").value);
        if (!bytes)
            return;
        const text = new TextDecoder().decode(bytes);
        try {
            await navigator.clipboard.writeText(text);
        } catch (e) {
            const area = document.createElement("textarea");
            area.value = text;
            document.body.append(area);
            area.select();
            document.execCommand("copy");
            area.remove();
        }
        $("copy").textContent = "Copied";
        setTimeout(() => { $("copy").textContent = "Copy"; }, 1500);
    }

    // The picture as the screen draws it, zoomed by a whole number to fit
    // the width there is, a line of the screen's black between tiles.
    function drawPicture(picture) {
        const { width, height, tileWidth, tileHeight, rgba } = picture;
        const gap = tileWidth ? 1 : 0;
        const gapsX = tileWidth ? width / tileWidth - 1 : 0, gapsY = tileHeight ? height / tileHeight - 1 : 0;
        const room = Math.max(64, $("screen").clientWidth - 8);
        const zoom = Math.max(1, Math.min(16, Math.floor((room - gapsX * gap) / width)));
        const canvas = $("preview");
        canvas.width = width * zoom + gapsX * gap;
        canvas.height = height * zoom + gapsY * gap;
        Object.assign(canvas.dataset, { zoom, gap, tileWidth, tileHeight });
        const image = new ImageData(canvas.width, canvas.height);
        const from = new Uint32Array(rgba.buffer, rgba.byteOffset, width * height);
        const to = new Uint32Array(image.data.buffer);
        const black = new Uint32Array(new Uint8Array([0, 0, 0, 255]).buffer)[0];
        const at = (v, tile) => v * zoom + (tile ? Math.floor(v / tile) * gap : 0);
        // Each row zoomed once, then copied to each of its canvas rows.
        const row = new Uint32Array(canvas.width);
        to.fill(black);
        for (let y = 0; y < height; y++) {
            row.fill(black);
            for (let x = 0; x < width; x++)
                row.fill(from[y * width + x], at(x, tileWidth), at(x, tileWidth) + zoom);
            const top = at(y, tileHeight);
            for (let dy = 0; dy < zoom; dy++)
                to.set(row, (top + dy) * canvas.width);
        }
        canvas.getContext("2d").putImageData(image, 0, 0);
        canvas.setAttribute("aria-label", `The picture as the screen draws it: ${width} x ${height}` +
                            (tileWidth ? `, tiles of ${tileWidth} x ${tileHeight}` : ""));
    }

    // ---- The file

    async function load(file) {
        const bytes = new Uint8Array(await file.arrayBuffer()), program = programOf(file.name, bytes);
        more[input ? input.program : program] = $("more").value;
        // A name that begins with "-" would read as an option.
        input = { name: file.name, path: file.name.startsWith("-") ? "./" + file.name : file.name, bytes, program };
        $("picture-options").hidden = input.program !== "imgtrell";
        $("sound-options").hidden = input.program !== "sndtrell";
        $("label").placeholder = input.program === "imgtrell" ? "IMGDATA" : "SOUNDDATA";
        $("more").value = more[input.program];
        convert();
    }

    $("file").addEventListener("change", () => {
        if ($("file").files.length)
            load($("file").files[0]);
    });
    document.addEventListener("dragover", (e) => {
        e.preventDefault();
        document.body.classList.add("dragging");
    });
    document.addEventListener("dragleave", (e) => {
        if (!e.relatedTarget)
            document.body.classList.remove("dragging");
    });
    document.addEventListener("drop", (e) => {
        e.preventDefault();
        document.body.classList.remove("dragging");
        if (e.dataTransfer.files.length)
            load(e.dataTransfer.files[0]);
    });
    $("options").addEventListener("input", schedule);
    $("options").addEventListener("change", schedule);
    $("options").addEventListener("submit", (e) => e.preventDefault());
    $("shown").addEventListener("change", showText);
    $("copy").addEventListener("click", copyText);
    window.trell.start().catch(() => {});  // so that the first file converts at once; a failure shows then
    let width = 0;
    window.addEventListener("resize", () => {
        if (shown && shown.result.picture && $("screen").clientWidth !== width) {
            width = $("screen").clientWidth;
            drawPicture(shown.result.picture);
        }
    });
})();

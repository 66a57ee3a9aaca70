// window.trell: both converters in the page, for the page itself, tests
// and other pages.
//
// trell.run(program, args, files) runs imgtrell or sndtrell as the command
// line runs it, with args (an array of strings, the program's name not
// among them), in an empty folder holding files (an object mapping each
// name, which may hold folders as "art/ship.png", to a Uint8Array); no key
// is waited for, as with --batch or from a build tool. It returns a Promise
// of {status, stdout, stderr, files}: the exit status, the console's two
// texts, and every file of the folder afterwards, by name (a file given
// that the run left as it was comes back as the bytes given, which are
// never changed). Each call is a run of its own, whatever ran before it;
// calls made together run one after another.
//
// trell.start() starts both programs ahead of their first runs.
//
// trell.run(program, args, files, {picture: true}) also gives, after a
// conversion of imgtrell that made files, picture: {width, height,
// tileWidth, tileHeight, rgba}, the picture as the screen draws it (rgba:
// a Uint8ClampedArray of width x height pixels, 4 bytes each; tile sizes
// 0 without tiles); null otherwise.
(function () {
    "use strict";
    // The modules' factories, from each module's script (MODULARIZE).
    const factories = { imgtrell: () => imgtrellModule(), sndtrell: () => sndtrellModule() };
    const modules = {};  // program: Promise of its module, made when first used
    const FOLDER = "/run";
    let queue = Promise.resolve();

    function moduleOf(program) {
        if (!modules[program])
            modules[program] = factories[program]().catch((e) => {
                delete modules[program];  // tried again at the next run
                throw e;
            });
        return modules[program];
    }

    // The parts of a name of files: relative, no "..", "." and empty parts
    // dropped.
    function partsOf(name) {
        name = String(name);
        const parts = name.split("/").filter((part) => part !== "" && part !== ".");
        if (name.startsWith("/") || parts.length === 0 || parts.includes(".."))
            throw new TypeError(`trell.run: "${name}" is not a name inside the folder`);
        return parts;
    }

    function removeAll(FS, path) {
        for (const name of FS.readdir(path)) {
            if (name === "." || name === "..")
                continue;
            const inner = path + "/" + name;
            const node = FS.lstat(inner);
            if (FS.isDir(node.mode))
                removeAll(FS, inner);
            else
                FS.unlink(inner);
        }
        FS.rmdir(path);
    }

    // The files under path, by name. A file's bytes are those the file
    // system holds, not a copy (a large include file would be copied
    // twice), since the folder is removed once they are taken.
    function filesOf(FS, path, prefix, files) {
        for (const name of FS.readdir(path).sort()) {
            if (name === "." || name === "..")
                continue;
            const inner = path + "/" + name, mode = FS.lstat(inner).mode;
            if (FS.isDir(mode)) {
                filesOf(FS, inner, prefix + name + "/", files);
            } else if (FS.isFile(mode)) {
                const node = FS.lookupPath(inner).node;
                files[prefix + name] = node.contents instanceof Uint8Array ? node.contents.subarray(0, node.usedBytes)
                                     : FS.readFile(inner);
            }
        }
        return files;
    }

    // The arguments as C strings in the module's memory, and argv: the
    // blocks to free.
    function argvOf(M, words) {
        const blocks = [];
        const argv = M._malloc(4 * (words.length + 1));
        blocks.push(argv);
        words.forEach((word, i) => {
            const size = M.lengthBytesUTF8(word) + 1, at = M._malloc(size);
            M.stringToUTF8(word, at, size);
            blocks.push(at);
            M.HEAPU32[(argv >> 2) + i] = at;
        });
        M.HEAPU32[(argv >> 2) + words.length] = 0;
        return blocks;
    }

    const decoder = new TextDecoder();
    function textAt(M, at, size) {
        return decoder.decode(M.HEAPU8.subarray(at, at + size));
    }

    function runIn(M, program, args, files, wantPicture) {
        const FS = M.FS;
        try {
            removeAll(FS, FOLDER);
        } catch (e) {
            // none there yet
        }
        FS.mkdir(FOLDER);
        FS.chdir(FOLDER);
        for (const [name, bytes] of Object.entries(files || {})) {
            const parts = partsOf(name);
            try {
                for (let i = 1; i < parts.length; i++) {
                    const folder = FOLDER + "/" + parts.slice(0, i).join("/");
                    if (!FS.analyzePath(folder).exists)
                        FS.mkdir(folder);
                }
                // The file system holds the bytes given, not a copy: a run
                // never writes into a file it was given (a file it makes
                // replaces the old one by a rename).
                FS.writeFile(FOLDER + "/" + parts.join("/"), bytes instanceof Uint8Array ? bytes : new Uint8Array(bytes),
                             { canOwn: true });
            } catch (e) {
                throw new TypeError(`trell.run: "${name}" cannot be a file of the folder beside the others`);
            }
        }
        const blocks = argvOf(M, [program, ...args.map(String)]);
        const run = M._PageStart(args.length + 1, blocks[0], wantPicture ? 1 : 0);
        blocks.forEach((block) => M._free(block));
        const result = {
            status: M._PageStatus(run),
            stdout: textAt(M, M._PageOut(run), M._PageOutSize(run)),
            stderr: textAt(M, M._PageErr(run), M._PageErrSize(run)),
            files: {},
        };
        if (wantPicture) {
            const pixels = M._PagePixels(run), width = M._PagePictureWidth(run), height = M._PagePictureHeight(run);
            result.picture = !pixels ? null : {
                width, height, tileWidth: M._PageTileWidth(run), tileHeight: M._PageTileHeight(run),
                rgba: new Uint8ClampedArray(M.HEAPU8.subarray(pixels, pixels + width * height * 4)),
            };
        }
        M._PageFree(run);
        FS.chdir("/");
        result.files = filesOf(FS, FOLDER, "", {});
        removeAll(FS, FOLDER);
        return result;
    }

    function run(program, args, files, options) {
        if (!(program in factories))
            return Promise.reject(new TypeError(`trell.run: no program "${program}" (imgtrell or sndtrell)`));
        const wantPicture = !!(options && options.picture);
        const next = queue.then(() => moduleOf(program)).then((M) => {
            try {
                return runIn(M, program, args || [], files, wantPicture);
            } catch (e) {
                // A module that stopped (out of memory, say) is made anew
                // for the next run; a wrong name leaves it as it is.
                if (!(e instanceof TypeError))
                    delete modules[program];
                throw e;
            }
        });
        queue = next.catch(() => {});
        return next;
    }

    // Starts both modules ahead of the first run (each starts on its first
    // run otherwise): a Promise that settles once they have.
    function start() {
        return Promise.all(Object.keys(factories).map(moduleOf));
    }

    window.trell = { run, start };
})();

# Where the golden cases live: tests/golden/<program>/<subject>/<case>/. A
# case written by a script holds a file "generated" naming that script,
# which removes and writes its cases anew; the others are written by hand.
# And what the scripts write alike: the lines of --consts.
import glob
import os
import shutil

HERE = os.path.dirname(os.path.abspath(__file__))


# The subject of a generated case, by its name.
def subject(program, name):
    if name.startswith("syntax_"):
        return "syntax"
    if name.startswith("xo_"):
        return "xo"
    if program == "imgtrell":
        for prefixes, folder in [(("rule_", "ink_"), "rules"), (("png_", "pil_", "im_"), "png"), (("rle", "im8_rle"), "rle"),
                                 (("tile_",), "tiles"), (("photo_",), "photos")]:
            if name.startswith(prefixes):
                return folder
        return "bmp"
    return "wav"


# The folder of a generated case, made empty but for its marker.
def generated(program, name, script):
    folder = os.path.join(HERE, program, subject(program, name), name)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "generated"), "w") as f:
        f.write(os.path.basename(script) + "\n")
    return folder


# The folder of a hand-written case, wherever its subject put it.
def hand_written(program, name):
    found = glob.glob(os.path.join(HERE, program, "*", name))
    assert len(found) == 1, "%s: no one hand-written case of that name" % name
    return found[0]


# Removes the cases the script wrote before.
def clear(program, script):
    for marker in glob.glob(os.path.join(HERE, program, "*", "*", "generated")):
        if open(marker).read().strip() == os.path.basename(script):
            shutil.rmtree(os.path.dirname(marker))


# The lines of --consts in the syntax kind: ":const label-suffix n" for Octo, else
# "label_SUFFIX EQU n", for the (suffix, value) pairs in order.
def constants(kind, label, pairs):
    if kind == "octo":
        return "".join(":const %s-%s %d\n" % (label, k, v) for k, v in pairs)
    return "".join("%s_%s EQU %d\n" % (label, k.upper().replace("-", "_"), v) for k, v in pairs)

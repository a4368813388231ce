#!/usr/bin/env python3
"""Writes the hand-made seed inputs of fuzz/corpus/import and fuzz/corpus/export.

One small file per fault class of malformed input, named after the fault. Inputs that the
fuzzers found (crashes, hangs, check failures) are added next to them by hand, named
"found-<target>-<what>", and never regenerated. Run from anywhere; rewrites only seed-*.
"""

import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
IMPORT = os.path.join(HERE, "corpus", "import")
EXPORT = os.path.join(HERE, "corpus", "export")

BASE = (
    "HIERARCHY\n"
    "ROOT Hips\n"
    "{\n"
    "\tOFFSET 1 2 3\n"
    "\tCHANNELS 6 Xposition Yposition Zposition Zrotation Yrotation Xrotation\n"
    "\tJOINT Spine\n"
    "\t{\n"
    "\t\tOFFSET 0 10 0\n"
    "\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n"
    "\t\tEnd Site\n"
    "\t\t{\n"
    "\t\t\tOFFSET 0 5 0\n"
    "\t\t}\n"
    "\t}\n"
    "}\n"
    "MOTION\n"
    "Frames: 3\n"
    "Frame Time: 0.0333333\n"
    "10 20 30 1 2 3 4 5 6\n"
    "11 21 31 179 -2 3 4 5 6\n"
    "12 22 32 -179 2 3 4 5 6\n"
)


def seeds():
    out = {}
    lines = BASE.splitlines(keepends=True)
    # Truncated after every line, and in the middle of the lines that carry values.
    for i in range(1, len(lines)):
        out["trunc-line%02d" % i] = "".join(lines[:i])
    for i, line in enumerate(lines):
        if any(word in line for word in ("OFFSET", "CHANNELS", "ROOT", "Frame", "10 20")):
            out["trunc-mid%02d" % i] = "".join(lines[:i]) + line[: len(line) // 2]
    out["only-hierarchy"] = "HIERARCHY"
    out["only-hierarchy-lf"] = "HIERARCHY\n"
    out["empty"] = ""
    out["braces-extra-close"] = BASE.replace("\t}\n}\n", "\t}\n}\n}\n}\n}\nJOINT Late\n{\nOFFSET 1 1 1\nCHANNELS 1 Xrotation\n}\n")
    out["braces-none"] = "".join(l for l in lines if l.strip() not in ("{", "}"))
    out["braces-open-only"] = BASE.replace("}", "{")
    out["offset-missing"] = BASE.replace("OFFSET 1 2 3", "OFFSET 1").replace("OFFSET 0 5 0", "OFFSET")
    out["offset-extra"] = BASE.replace("OFFSET 1 2 3", "OFFSET 1 2 3 4 5 6")
    out["offset-nonnumeric"] = BASE.replace("OFFSET 1 2 3", "OFFSET a b c").replace("OFFSET 0 10 0", "OFFSET 1x 2y -")
    out["root-no-name"] = BASE.replace("ROOT Hips", "ROOT")
    out["root-extra"] = BASE.replace("ROOT Hips", "ROOT Hips and more words")
    out["joint-no-name"] = BASE.replace("JOINT Spine", "JOINT")
    out["end-no-name"] = BASE.replace("End Site", "End")
    out["numbers-special"] = BASE.replace("10 20 30 1 2 3", "nan inf -inf 1e999 -0 0x1F").replace("OFFSET 1 2 3", "OFFSET nan 1e999 -0")
    out["numbers-hex-float"] = BASE.replace("11 21 31", "0x1.8p3 0X10 -0x.8")
    out["channels-count-low"] = BASE.replace("CHANNELS 6", "CHANNELS 2")
    out["channels-count-high"] = BASE.replace("CHANNELS 3", "CHANNELS 30")
    out["channels-count-nonnumeric"] = BASE.replace("CHANNELS 3", "CHANNELS x")
    out["channels-zero-names"] = BASE.replace("CHANNELS 3 Zrotation Xrotation Yrotation", "CHANNELS 0")
    out["channels-no-count"] = BASE.replace("CHANNELS 3 Zrotation Xrotation Yrotation", "CHANNELS")
    many = " ".join(["Xposition", "Wiggle", "Zrotation"] * 333 + ["Yrotation"])
    out["channels-1000"] = BASE.replace("CHANNELS 3 Zrotation Xrotation Yrotation", "CHANNELS 1000 " + many)
    out["channels-unknown"] = BASE.replace("Zrotation Xrotation Yrotation", "Zrotation Wrotation Yrotation")
    out["channels-repeated-axis"] = BASE.replace("Zrotation Xrotation Yrotation", "Zrotation Zrotation Yrotation")
    out["name-keywords"] = BASE.replace("JOINT Spine", "JOINT LeftFootEnd}OFFSETCHANNELSROOT").replace("ROOT Hips", "ROOT JOINTy")
    out["name-site"] = BASE.replace("JOINT Spine", "JOINT Site")
    out["name-endsite"] = BASE.replace("End Site", "EndSite")
    nested = ["HIERARCHY\nROOT J0\n{\nOFFSET 0 1 0\nCHANNELS 3 Zrotation Xrotation Yrotation\n"]
    for i in range(1, 200):
        nested.append("JOINT J%d\n{\nOFFSET 0 1 0\nCHANNELS 1 Zrotation\n" % i)
    nested.append("}\n" * 200 + "MOTION\nFrames: 1\nFrame Time: 0.04\n" + "1 " * 202 + "\n")
    out["nested-200"] = "".join(nested)
    siblings = ["HIERARCHY\nROOT Hips\n{\nOFFSET 0 0 0\nCHANNELS 1 Xposition\n"]
    siblings += ["End Site\n{\nOFFSET 1 0 0\n}\n"] * 300
    siblings.append("}\nMOTION\nFrame Time: 0.04\n5\n")
    out["siblings-300"] = "".join(siblings)
    out["frames-few"] = BASE.replace("11 21 31 179 -2 3 4 5 6", "11 21 31")
    out["frames-many"] = BASE.replace("11 21 31 179 -2 3 4 5 6", "11 21 31 179 -2 3 4 5 6 7 8 9 10")
    out["frames-nonnumeric"] = BASE.replace("11 21 31", "eleven x21 --31")
    out["frames-none-time"] = BASE.replace("Frame Time: 0.0333333\n", "")
    out["frames-time-zero"] = BASE.replace("0.0333333", "0")
    out["frames-time-negative"] = BASE.replace("0.0333333", "-1e308")
    out["frames-keywords"] = BASE.replace("12 22 32", "Frames: 12 22 32").replace("10 20 30", "Time: 10 20")
    blanks = "".join(l + " \t \n\n\r\n" for l in BASE.splitlines())
    out["blank-lines"] = blanks
    out["whitespace-runs"] = BASE.replace(" ", "   \t ")
    out["nul-bytes"] = BASE.replace("Spine", "Sp\0ine").replace("11 21", "11\0 21")
    out["invalid-utf8"] = BASE.replace("Spine", "Sp\udcff\udcfeine").replace("12 22", "12 \udcc3")
    out["crlf"] = BASE.replace("\n", "\r\n")
    out["cr-only"] = BASE.replace("\n", "\r")
    out["cr-lf-mixed"] = BASE.replace("\n", "\r", 5)
    out["motion-first"] = "MOTION\nFrames: 1\nFrame Time: 0.1\n1 2 3\n" + BASE
    out["two-roots"] = BASE.replace("MOTION\n", "ROOT Second\n{\nOFFSET 5 5 5\nCHANNELS 3 Xposition Yposition Zposition\n}\nMOTION\n").replace("4 5 6\n", "4 5 6 7 8 9\n")
    out["keyword-spacing"] = BASE.replace("HIERARCHY", "HIERARCHY ").replace("MOTION", "MOTION\t")
    out["long-line"] = BASE + "1 " * 20000 + "\n"
    # Option strings: every key with junk values.
    opts = {
        "opts-negative-rate": "inputKeys=0;frameRate=0;frameRateNum=-24;",
        "opts-zero-rate": "inputKeys=0;frameRate=0;frameRateNum=0;notFloatingKey=1;",
        "opts-range-reversed": "importFrameRange=3;startFrame=10;endFrame=2;",
        "opts-range-huge": "importFrameRange=3;startFrame=-2147483648;endFrame=2147483647;startTime=-1e300;",
        "opts-rekey-huge": "inputKeys=0;frameRate=0;frameRateNum=1e9;notFloatingKey=1;",
        "opts-rekey-small": "inputKeys=0;frameRate=1;frameRateUnit=ntsc;notFloatingKey=1;startTime=5;",
        "opts-endtime": "pasteTimeRange=3;endTime=1.5;",
        "opts-endtime-nan": "pasteTimeRange=3;endTime=nan;",
        "opts-junk": "importSkelton=abc;importAnimation=;scale=nan;rotationOrder=xyz;frameRate=1;frameRateUnit=0fps;",
        "opts-auto": "rotationOrder=auto;scale=-0;importSkelton=1;",
        "opts-no-skeleton": "importSkelton=0;",
        "opts-animation-only": "importSkelton=2;",
        "opts-no-animation": "importAnimation=0;",
        "opts-unit-junk": "frameRate=1;frameRateUnit=f;inputKeys=0;",
        "opts-starttime-inf": "startTime=inf;inputKeys=0;frameRate=0;frameRateNum=24;",
    }
    for name, value in opts.items():
        out[name] = "#opts:" + value + "\n" + BASE
    out["unit-hours"] = "#unit:1\n#opts:inputKeys=0;notFloatingKey=1;\n" + BASE
    out["unit-invalid"] = "#unit:99\n" + BASE
    return out


def main():
    os.makedirs(IMPORT, exist_ok=True)
    os.makedirs(EXPORT, exist_ok=True)
    for directory in (IMPORT, EXPORT):
        for name in os.listdir(directory):
            if name.startswith("seed-"):
                os.remove(os.path.join(directory, name))
    for name, text in seeds().items():
        data = text.encode("utf-8", "surrogateescape")
        with open(os.path.join(IMPORT, "seed-" + name + ".bvh"), "wb") as f:
            f.write(data)
    rng = random.Random(6)
    for i in range(16):
        data = bytes(rng.randrange(256) for _ in range(rng.choice((16, 64, 200, 600))))
        with open(os.path.join(EXPORT, "seed-random%02d" % i), "wb") as f:
            f.write(data)
    for name, data in (("zeros", bytes(300)), ("ones", b"\xff" * 300), ("ramp", bytes(range(256)))):
        with open(os.path.join(EXPORT, "seed-" + name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()

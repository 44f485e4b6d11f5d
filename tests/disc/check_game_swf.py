"""Makes the demo disc's Game.swf with velvinor_swfgen and checks it with an
independent SWF reader (Debian's python3-yaswfp): the header, the frame count, and
the getURL("FSCommand:...") actions frame by frame against the movie script.

Usage: check_game_swf.py SWFGEN SCRIPT WORKDIR
"""

import os
import re
import subprocess
import sys

try:
    from yaswfp import swfparser
except ImportError:
    sys.exit("python3-yaswfp is missing: run scripts/install-deps.sh")

# What the family's journey needs the movie to raise (command name in lower case).
JOURNEY = ["setvolume", "plaympg", "execute", "savelevel", "quit"]


def read_script(path):
    """The script's rate, frame count and commands, read without the program's parser."""
    rate, frames, commands, boxes, platform = None, None, [], [], None
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            m = re.fullmatch(r"at frame\s+(\d+)\s*:\s*fscommand\s+(\S+)\s*(.*)", line)
            if m:
                commands.append((int(m.group(1)), m.group(2), m.group(3).strip()))
            elif line.startswith("rate "):
                rate = float(line.split()[1])
            elif line.startswith("frames "):
                frames = int(line.split()[1])
            elif line.startswith("requires "):
                platform = line.split()[1]
            elif line.startswith("box "):
                left, top, width, height, colour = line.split()[1:6]
                boxes.append((int(left), int(top), int(width), int(height), colour.lower()))
    if frames is None:
        frames = max([c[0] for c in commands] or [1])
    commands.sort(key=lambda c: c[0])
    return rate, frames, commands, boxes, platform


def describe(action):
    """An action as the platform check is written down below."""
    if action.name == "ActionPush":
        return "push %r" % (getattr(action, "String", getattr(action, "Integer", None)),)
    if action.name == "ActionIf":
        return "if %d" % action.BranchOffset
    return action.name


def platform_check(platform):
    """A movie made for one platform: unless $version.indexOf(PLATFORM) == 0, its first
    frame stops and jumps over its own commands."""
    return ["push %r" % platform, "push 1", "push '$version'", "ActionGetVariable", "push 'indexOf'",
            "ActionCallMethod", "push 0", "ActionEquals2", "if 6", "ActionStop", "ActionJump"]


def main():
    swfgen, script, workdir = sys.argv[1:4]
    os.makedirs(workdir, exist_ok=True)
    movie = os.path.join(workdir, "Game.swf")
    subprocess.run([swfgen, script, "-o", movie], check=True)

    rate, frames, commands, boxes, platform = read_script(script)
    failures = []

    def expect(ok, what):
        if not ok:
            failures.append(what)

    size = os.path.getsize(movie)
    parsed = swfparser.parsefile(movie)
    h = parsed.header
    expect(h.Signature == "FWS", "signature %r, want FWS (uncompressed)" % h.Signature)
    expect(6 <= h.Version <= 8, "version %d, want 6 to 8" % h.Version)
    expect(h.FileLength == size, "file length %d in the header, the file has %d" % (h.FileLength, size))
    expect(tuple(h.FrameSize) == (0, 1024 * 20, 0, 768 * 20), "frame size %r twips" % (h.FrameSize,))
    expect(h.FrameRate == round(rate * 256), "frame rate %r/256, want %r" % (h.FrameRate, rate))
    expect(h.FrameCount == frames, "frame count %d, want %d" % (h.FrameCount, frames))

    # Walk the tags: count frames and collect each frame's getURL actions.
    frame, seen, shows, shapes, placed = 1, [], 0, {}, []
    names = [t.name for t in parsed.tags]
    expect("SetBackgroundColor" in names, "no background colour")
    expect(not platform or names.count("DoAction") > 0, "no platform check")
    for tag in parsed.tags:
        if tag.name == "ShowFrame":
            shows += 1
            frame += 1
        elif tag.name == "DoAction":
            actions = list(tag.Actions)
            if frame == 1 and platform:
                check = platform_check(platform)
                got = [describe(a) for a in actions[:len(check)]]
                expect(got == check, "the first frame checks %r, want %r" % (got, check))
                actions = actions[len(check):]
            for action in actions:
                expect(action.name == "ActionGetURL", "unexpected action %s" % action.name)
                if action.name == "ActionGetURL":
                    expect(action.UrlString.startswith("FSCommand:"), "URL %r" % action.UrlString)
                    seen.append((frame, action.UrlString[len("FSCommand:"):], action.TargetString))
        elif tag.name == "DefineShape":
            xmin, xmax, ymin, ymax = tag.ShapeBounds  # twips
            fills = tag.Shapes.FillStyles.FillStyles
            expect(len(fills) == 1 and fills[0].FillStyleType == 0, "shape %d: one solid fill" % tag.ShapeId)
            # The outline: a move to the top left corner, then edges that come back to it.
            records = [r for r in tag.Shapes.ShapeRecords if r.name != "EndShapeRecord"]
            move = records[0]
            edges = [(r.DeltaX, r.DeltaY) for r in records[1:]]
            expect((move.MoveDeltaX, move.MoveDeltaY) == (xmin, ymin), "shape %d starts off its corner" % tag.ShapeId)
            expect(sorted(edges) == sorted([(xmax - xmin, 0), (0, ymax - ymin), (xmin - xmax, 0),
                                            (0, ymin - ymax)]), "shape %d: edges %r" % (tag.ShapeId, edges))
            shapes[tag.ShapeId] = (xmin // 20, ymin // 20, (xmax - xmin) // 20, (ymax - ymin) // 20,
                                   "%02x%02x%02x" % tuple(fills[0].Color))
        elif tag.name == "PlaceObject2":
            expect(frame == 1, "an object placed in frame %d" % frame)
            placed.append(shapes.get(tag.CharacterId))
        else:
            expect(tag.name == "SetBackgroundColor", "unexpected tag %s" % tag.name)
    expect(shows == frames, "%d ShowFrame tags for %d frames" % (shows, frames))
    expect(seen == commands, "actions %r, want %r" % (seen, commands))
    expect(placed == boxes, "boxes on the stage %r, want %r" % (placed, boxes))
    raised = [name.lower() for _, name, _ in seen]
    expect(all(c in raised for c in JOURNEY), "the movie raises %r, the journey needs %r" % (raised, JOURNEY))

    if failures:
        print("Game.swf does not hold what the script says:\n  " + "\n  ".join(failures))
        return 1
    print("Game.swf: %d bytes, %d frames at %g fps, FSCommands %r" % (size, frames, rate, seen))
    return 0


if __name__ == "__main__":
    sys.exit(main())

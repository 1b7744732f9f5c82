"""scenarios.py VX470 VX470_SIM GROUP [SCENARIO ...]: black-box scenarios of vx470 against
vx470-sim on a private X display, one line each; exit status 1 when any failed. Those of a group
with a shared set-up run on one program, each from where the one before left it."""
import contextlib
import math
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback
from xml.etree import ElementTree

from harness import Failure, check, desktop, frame, key, program, wait, xdo

SIDES = ("Left", "Right")
SURE = "               Are you sure ? "
START = 45  # frames of the start-up: 29, and 8 for each of the two names of stored presets
OPS = {"Load": ("Load Preset from PC", "Open"), "Save": ("Save Preset to PC", "Save As")}
GROUPS = {}  # name: (simulator options of the one program its scenarios share, or None; them)


def group(name, shared=None):
    GROUPS[name] = (shared, [])
    return lambda fn: GROUPS[name][1].append(fn) or fn


# ---- what the unit sees and what the editor shows -----------------------------------------

def notch(ch, k, f, q, g):
    return frame(7, ch, k, f >> 8, f & 255, q, g)


def stores(slot, image, name):
    writes = lambda at, data: [frame(0x11, (at + i) >> 8, (at + i) & 255, 0, b)
                               for i, b in enumerate(data)]
    return (writes(288 + 160 * slot, image) + writes(3872 + 8 * slot, name) +
            [frame(0x11, 0, 48 + slot, 0, 0x55)])


def row(c, ch, k):
    """Frequency index, Q code and gain code shown in notch row k (from 0) of channel ch."""
    return tuple(int(c[f"{SIDES[ch]} notch {k + 1} {what} bar"].value)
                 for what in ("frequency", "Q", "gain"))


def panel(c, ch):
    """Automatic notches, their Q, attenuation, sensitivity, release and search mode."""
    v = [int(c[f"{SIDES[ch]} {what}"].value) for what in (
        "number of automatic notches", "Q of automatic notches", "attenuation",
        "sensitivity slider", "release", "search mode")]
    return (v[0] + 1, *v[1:])


def copies(c, source):
    """The frames of copying channel `source` onto the other, from what the editor shows."""
    to = 1 - source
    n, q, a, s, r, m = panel(c, source)
    settings = [frame(10, to + 1, n, q, a, s)] * 4 + [frame(0x31, to, 0, 0, r, m)] * 2
    if source == 1:  # sensitivity goes last onto the Left
        settings = settings[:3] + settings[4:] + settings[3:4]
    return [notch(to, k, *row(c, source, k)) for k in range(12)] + settings


def applies(image):
    """The frames of loading a preset file: every notch, then each channel's settings."""
    out = [notch(n // 12, n % 12, image[o + 1] * 256 + image[o + 2], image[o + 3], image[o])
           for n in range(24) for o in [28 + 4 * n + 32 * (n // 12)]]
    for ch, b in enumerate((image[:80], image[80:160])):
        out += [frame(10, ch + 1, *b[76:80])] * 4 + [frame(0x31, ch, 0, 0, b[20], b[21])] * 2
    return out


def shows(p, image):
    """The editor holds the 160-byte image."""
    c, wrong = p.controls(), []
    for ch, b in enumerate((image[:80], image[80:160])):
        for k in range(12):
            g, hi, lo, q = b[28 + 4 * k:32 + 4 * k]
            if row(c, ch, k) != (hi * 256 + lo, q, g):
                wrong.append(f"{SIDES[ch]} notch {k + 1} shows {row(c, ch, k)}")
        if panel(c, ch) != (*b[76:80], b[20], b[21]):
            wrong.append(f"{SIDES[ch]} panel shows {panel(c, ch)}")
    check(not wrong, "the editor does not show the image: " + "; ".join(wrong))


def read_image(p):
    """The image the last command 11 gave, with the automatic Q in the automatic rows."""
    at = [at for f, _, at in p.wire.frames if f.startswith("F0 5B 0B")][-1]
    b = bytearray(p.wire.inbound[at:at + 160])
    for ch, k in [(ch, k) for ch in (0, 1) for k in range(b[80 * ch + 76])]:
        b[80 * ch + 31 + 4 * k] = b[80 * ch + 77]
    return bytes(b)


def takes_input(c):
    return {w for w in c if c[w].has("enabled") and c[w].has("focusable")}


def labels(p):
    return {w.name for w in p.main().all("label")}


def content(path):
    with contextlib.suppress(FileNotFoundError), open(path, "rb") as f:
        return f.read()


def put(path, data):
    with open(path, "wb") as f:
        f.write(data)


def status(p):
    return "".join(w.name for w in p.main().find(None, "status bar").all("label"))


# ---- doing things -------------------------------------------------------------------------

def does(p, action, expected, what):
    """Runs action(); the line then sees exactly the expected frames, and rests."""
    n = len(p.frames)
    action()
    with contextlib.suppress(Failure):  # too few: told below
        p.sent(n, len(expected))
    got = p.frames[n:]
    i = next((i for i, (a, b) in enumerate(zip(got, expected)) if a != b),
             min(len(got), len(expected)))
    check(got == expected, f"{what}: {len(got)} frame(s), not {len(expected)}; from #{i} the line"
                           f" saw {got[i:i + 3]}, not {expected[i:i + 3]}")


def ask(p, title, text, answer=None, by_key=None):
    """Waits for a box, checks its text and answers it by button or key."""
    box = p.box(title)
    check(any(text in line for line in box.message), f'"{title}" says {box.message}, not {text!r}')
    key(by_key) if by_key else box.answer(answer)
    p.gone(title, "alert")


def replace_text(box, text):
    box.click()
    key("ctrl+a")
    xdo("type", "--delay", 80, "--", text)


def toolbar(p, tip, title):
    p.main().find(tip, "push button").click()
    return p.window("dialog", title)


def open_file(p, button, title, path, then=None, field="File name:"):
    """Types the path into the button's file (or folder) dialog and takes it with Enter."""
    replace_text(toolbar(p, button, title).find(field, "text"), path)
    key("Return")
    then and then()
    p.gone(title)


def tidy(p):
    for _ in range(5):  # escape from what is left over the main window
        if len(p.tops()) > 1:
            key("Escape")
            time.sleep(0.5)


def each(p, cases, run):
    """Runs every case of a table, also after one failed, and fails with all that did."""
    problems = []
    for case in cases:
        try:
            run(*case)
        except Failure as e:
            problems.append(str(e))
        tidy(p)
    check(not problems, " | ".join(problems))


def unit(desk, *sim, **kw):
    return program(desk, ["--presets", "5,9", *sim], START, **kw)


def exits(p):
    key("alt+F4")
    ask(p, "Exit", SURE, "Yes")
    check(p.ended() == 0, f"a confirmed exit ended with status {p.proc.returncode}")


def exit_asks(p):
    """The exit question, No its default; Enter keeps the program, Yes ends it with 0."""
    n = len(p.frames)
    key("alt+F4")
    check(p.box("Exit").find("No", "push button").has("is_default"), "No is not Exit's default")
    ask(p, "Exit", SURE, by_key="Return")
    time.sleep(1)
    check(p.proc.poll() is None, "Enter on the exit question ended the program")
    exits(p)
    return p.frames[n:]


# ---- start-up without a unit --------------------------------------------------------------
scenario = group("startup")


@scenario
def without_a_unit(desk):
    """The only port opens but never answers: the probe, the demo question, then no frame."""
    for answer in ("No", "Yes"):
        with program(desk, ["--silent"]) as p:
            ask(p, "Warning", "COM not found, do you want continue in demo mode?", answer)
            if answer == "No":
                check(p.ended() == 0, f"refusing demo mode ended with {p.proc.returncode}")
            else:
                c = p.controls()
                check(p.main().name == "VX-470 - DEMO - Remote Control Software", "caption")
                check(content(p.file("init.cfg")) == b"\x23\x00", "init.cfg is not port 35")
                check(panel(c, 0)[0] == 11 and row(c, 1, 11)[2] == 45, "no demo image")
                c["Left notch 12 gain bar"].click(0.25)
                wait(lambda: c["Left notch 12 gain bar"].value == 44, "the demo gain to step")
                for button, title in [(BACKUP, "Back up unit"), (RESTORE, "Restore"),
                                      ("Compare with preset...", "Compare with preset")]:
                    c[button].click()
                    ask(p, title, "There is no unit in demo mode.", "OK")
                exit_asks(p)
            check(p.frames == [frame(0)], f"{answer} to demo mode, then {p.frames[1:]}")


# ---- editing, on one program: each scenario takes the editor as the last one left it ------
scenario = group("editing", ())


@scenario
def notch_bars_by_arrow_and_key(p, c):
    f, q, g = row(c, 0, 4)
    gain = c["Left notch 5 gain bar"]
    # one click or key, one frame: (action, gain code afterwards)
    for action, code in [(lambda: gain.click(0.25), g - 1), (lambda: key("Right"), g),
                         (lambda: key("Down"), g - 1), (lambda: key("Left"), g - 2),
                         (lambda: key("Up"), g - 1)]:
        does(p, action, [notch(0, 4, f, q, code)], f"gain step to {code}")
        check(gain.value == code and c["Left notch 5 gain"].text == str(code - 45),
              f"the gain shows {gain.value} / {c['Left notch 5 gain'].text}, not {code}")
    does(p, lambda: c["Left notch 5 Q bar"].click(0.75), [notch(0, 4, f, q + 1, g - 1)], "Q")
    check(c["Left notch 5 Q"].text == ["1/70", "1/20", "1/10", "1/5"][q + 1], "Q text")
    does(p, lambda: c["Left notch 5 frequency bar"].click(0.75),
         [notch(0, 4, f + 1, q + 1, g - 1)], "frequency arrow")
    does(p, lambda: c["Left notch 1 gain bar"].click(0.25), [], "an automatic row")


def drag_to_start(bar, arrow, top):
    """Drags a bar's thumb at the fraction `top` of its range to the start, pixel by pixel."""
    x, y, w, h = bar.extents()
    grab = int(x + arrow + (w - 2 * arrow) * top)  # under the thumb, whatever its length
    xdo("mousemove", grab, y + h // 2, "mousedown", 1)
    for px in range(grab - 1, x + arrow - 1, -1):
        xdo("mousemove", px, y + h // 2, "sleep", 0.03)
    xdo("mouseup", 1)


@scenario
def automatic_panel_by_page_thumb_arrow_and_key(p, c):
    n, q, a, s, r, m = panel(c, 0)
    arrow = c["Left notch 1 gain bar"].extents()[2] // 2  # those bars are two arrows
    side = lambda v: 0.05 if v else 0.95  # the arrow that changes a 0..1 bar
    for action, expected in [
            (lambda: c["Left number of automatic notches"].click(0.7),  # page area
             [frame(10, 1, n + 1, q, a, s)]),
            (lambda: drag_to_start(c["Left Q of automatic notches"], arrow, q / 3),
             [frame(10, 1, n + 1, v, a, s) for v in range(q - 1, -1, -1)]),
            (lambda: c["Left attenuation"].click(side(a)), [frame(10, 1, n + 1, 0, 1 - a, s)]),
            (lambda: c["Left release"].click(side(r)), [frame(0x31, 0, 0, 0, 1 - r, m)]),
            (lambda: c["Left search mode"].click(side(m)),
             [frame(0x31, 0, 0, 0, 1 - r, 1 - m)]),
            (lambda: c["Left search mode"].click(side(m)), []),  # now at its end
            (lambda: key("Tab", "End"), [frame(10, 1, n + 1, 0, 1 - a, 15)]),  # the slider
            (lambda: key("Left"), [frame(10, 1, n + 1, 0, 1 - a, 14)])]:
        does(p, action, expected, f"{expected[:1]}")
    check(c["Left sensitivity"].text == "15", "the sensitivity text does not follow")
    check(not c[f"Left notch {n + 1} gain bar"].has("enabled"),
          f"row {n + 1} stays editable with {n + 1} automatic")
    check(c["Left notch 1 Q"].text == "1/70", "automatic rows do not take the automatic Q")


@scenario
def typed_entries(p, c):
    f, q, g = row(c, 0, 5)
    n, qa, a, s = panel(c, 0)[:4]
    for box, typed, shown, sent in [
            ("Left notch 6 frequency", "1000", "1003", notch(0, 5, 413, q, g)),
            ("Left notch 6 gain", "-50", "-45", notch(0, 5, 413, q, 0)),
            ("Left notch 6 gain", "3", "0", notch(0, 5, 413, q, 45)),
            ("Left sensitivity", "20", "16", frame(10, 1, n, qa, a, 15))]:
        does(p, lambda: (replace_text(c[box], typed), key("Return")), [sent], typed)
        check(c[box].text == shown, f"{box} shows {c[box].text!r}, not {shown}")
    check(row(c, 0, 5)[0] == 413 and c["Left sensitivity slider"].value == 15, "bars")
    does(p, lambda: (replace_text(c["Left notch 7 gain"], "a"),
                     ask(p, "Warning", "  Incorrect value", "OK")), [], "a rejected key")
    check("?" in c["Left notch 7 gain"].text, "no ? after a rejected key")


@scenario
def link(p, c):
    time.sleep(3.5)  # the channels differ; the 3-s compare has seen it
    box, expected, (f, q, g) = c["Link channel Left & Right"], copies(c, 0), row(c, 0, 6)
    question = "\r\n".join(["      You requested to Link channel Left & Right  ",
                            "        This will copy channel Left to Right     ",
                            "                     confirm?                    "])
    for answer in ("No", "Yes"):
        does(p, lambda: (box.click(), ask(p, "Link Left & Right", question, answer)),
             expected if answer == "Yes" else [], f"link answered {answer}")
        check(box.has("checked") == (answer == "Yes"), f"the link box after {answer}")
    step = lambda: c["Left notch 7 gain bar"].click(0.25)
    does(p, step, [notch(0, 6, f, q, g - 1), notch(1, 6, f, q, g - 1)], "a linked step")
    check(row(c, 1, 6) == (f, q, g - 1), "the linked row did not follow")
    does(p, box.click, [], "unlinking")
    does(p, step, [notch(0, 6, f, q, g - 2)], "a step after unlinking")


@scenario
def copy_commands(p, c):
    for source, tip in [(0, "Copy Left to Right"), (1, "Copy Right to Left")]:
        f, q, g = row(c, source, 11)  # a step first: the other channel then differs
        does(p, lambda: c[f"{SIDES[source]} notch 12 gain bar"].click(0.25),
             [notch(source, 11, f, q, g - 1)], "a step before the copy")
        for answer, expected in [("No", []), ("Yes", copies(c, source))]:
            does(p, lambda: (c[tip].click(), ask(
                p, tip, f"Copy Channel {tip[5:]}, Are you sure ?", answer)), expected, tip)
        check(all(row(c, 0, k) == row(c, 1, k) for k in range(12)), f"{tip}: rows differ")


@scenario
def resets(p, c):
    for ch, kind, answer in [(0, "Manual", "No"), (0, "Manual", "Yes"), (1, "Automatic", "Yes"),
                             (0, "Automatic", "Yes"), (1, "Manual", "Yes")]:
        autos = panel(c, ch)[0]
        rows = range(autos, 12) if kind == "Manual" else range(autos)
        does(p, lambda: (c[f"{SIDES[ch]} Reset Notch {kind}"].click(),
                         ask(p, "Reset Filter", f"Reset all Notch filter {kind.lower()}, "
                             "Are you sure ?", answer)),
             [notch(ch, k, *row(c, ch, k)[:2], 45) for k in rows if answer == "Yes"],
             f"{SIDES[ch]} reset {kind} {answer}")
    check(all(row(c, ch, k)[2] == 45 for ch in (0, 1) for k in range(12)), "gains left")


# ---- with a unit from start-up to exit, on one program ------------------------------------
scenario = group("search", ("--search-interval", "300"))


@scenario
def start_up_with_a_unit(p, c):
    reads = [*range(0x30, 0x40), *range(0xF20, 0xF28), *range(0xF40, 0xF48), *range(112, 120)]
    check(p.frames == [frame(0)] + [frame(0x10, a >> 8, a & 255) for a in reads] + [
        frame(11, 255)] + [frame(10, t, *panel(c, t // 2)[:4]) for t in (0, 1, 2)],
        f"the start-up sent {p.frames}")
    shows(p, read_image(p))
    # an empty name label is known by its control's name
    check({"Preset loaded from Device", "Label8"} <= labels(p), f"labels {labels(p)}")
    check(content(p.file("init.cfg")) == b"\x01\x00", "init.cfg is not port 1")


@scenario
def the_graph_read_under_the_pointer(p, c):
    """Over the Left curve at its deepest notch the status line tells that frequency, the summed
    response there and that notch; it empties once the pointer leaves the graphs."""
    k = min(range(12), key=lambda k: row(c, 0, k)[2])
    f, gain = float(c[f"Left notch {k + 1} frequency"].text), row(c, 0, k)[2] - 45
    x, y, w, h = c["Left response curve"].extents()
    xdo("mousemove", x + round(math.log10(f / 20) * 575 / 3), y + h // 2)
    text = wait(lambda: f"nearest notch {k + 1} " in status(p) and status(p),
                f"the readout of notch {k + 1}")
    hz, response = text.split(" Hz: ")[0].split()[-1], text.split(": ")[1].split(" dB")[0]
    check(text.startswith("Left ") and abs(math.log10(float(hz) / f)) < 0.01
          and float(response) <= gain + 0.5 and f", {gain} dB, Q " in text, f"readout {text!r}")
    xdo("mousemove", x + w // 2, y - 60)
    wait(lambda: status(p) == "", "the readout to empty off the graphs")


@scenario
def search_with_reports_then_exit(p, c):
    settings, unlocked = panel(c, 0)[:4], takes_input(c)
    start, inbound = len(p.frames), len(p.wire.inbound)
    c["Search Feedback L"].click()
    got = p.sent(start, 4, settle=0)
    check(got[0] == frame(10, 1, *settings, 1) and set(got[1:]) == {frame(0x30)},
          f"the search began with {got[0]}, its reports were answered with {got[1:]}")
    locked = takes_input(c)  # the editor's frame, and the box that stops the search
    check(locked == {"Parameters Control", "Search Feedback L"}, f"enabled in a search: {locked}")
    key("alt+F4")  # refused without a word
    time.sleep(2)
    check(list(p.tops()) == [p.main().name], f"closing during a search shows {list(p.tops())}")
    n = len(p.frames)
    c["Search Feedback L"].click()
    stops = [f for f in p.sent(n, 4) if f != frame(0x30)]
    check(stops == [frame(10, 0, *settings)] * 4, f"the search stopped with {stops}")
    acks, placed = p.frames[start:].count(frame(0x30)), {}
    for i in range(1, acks + 1):  # the reports answered, after the start frame's reply
        r = p.wire.inbound[inbound + 10 * i:inbound + 10 * i + 10]
        at = (int(r[1] > 0), r[2])
        if r[0] == 0xFE or (r[0] == 0xFD and at in placed):
            placed[at] = (r[5] if r[0] == 0xFE else placed[at][0], r[6])
    shown = {at: row(c, *at)[1:] for at in placed}
    check(acks >= 3 and shown == placed, f"after {acks} reports {placed}, rows show {shown}")
    after = takes_input(c)  # and Edit now offers the search's undo
    check(after == unlocked | {"Edit"}, f"after the search {unlocked ^ after} differ")
    offered = p.main().find("Edit", "push button").acc.description
    check(offered.startswith("Undo Feedback search"), f"after the search Edit offers {offered!r}")
    check({BACKUP, RESTORE, "Export curves..."} <= unlocked, "the unit's commands are not there")
    check(exit_asks(p) == [frame(15)], "exit did not send 15 alone")


# ---- device presets, on one program -------------------------------------------------------
scenario = group("presets", ())
READ, STORE = ("Read Preset from device", "Read Preset"), ("Store Preset to device", "Store preset")


@scenario
def read_dialog(p, c):
    dialog = toolbar(p, *READ)  # by keyboard
    key(*["Down"] * 8)
    wait(lambda: dialog.find("Stage 09", "table cell").has("selected"), "row 09 highlighted")
    does(p, lambda: (key("Return"), ask(p, "Read Preset", "Overwrite current editing with "
                                        "the preset 9, are you sure ? ", by_key="Return"),
                     p.gone("Read Preset")), [frame(11, 8)], "Enter on row 09")
    shows(p, read_image(p))
    check({"9: Stage 09", "Preset loaded from Device"} <= labels(p), f"labels {labels(p)}")
    dialog = toolbar(p, *READ)  # by mouse
    does(p, lambda: (dialog.find("06", "table cell").click(count=2),
                     ask(p, "Read Preset", "Preset empty", "OK"),
                     dialog.find("02", "table cell").click(count=2),
                     ask(p, "Read Preset", "with the preset 2, are you sure ? ", "No"),
                     dialog.answer("Read"), ask(p, "Read Preset", "preset 2,", "Yes")),
         [frame(11, 1)], "an empty preset, a No, then Read on row 02")
    shows(p, read_image(p))
    check("2: Preset02" in labels(p), f"labels {labels(p)}")
    does(p, lambda: (toolbar(p, *READ).answer("Cancel"), p.gone("Read Preset")), [], "Cancel")


@scenario
def store_dialog(p, c):
    image = read_image(p)
    dialog = toolbar(p, *STORE)  # by mouse
    dialog.find("09", "table cell").click(count=2)
    wait(lambda: dialog.find("Edit Name", "text").text == "Stage 09", "the name of 09")
    check(dialog.find(None, "combo box").name == "09", "the position is not 09")
    for answer, expected in [("No", []), ("Yes", stores(4, image, b"Stage 09"))]:
        does(p, lambda: (dialog.answer("Store"), ask(p, "Store Preset", SURE, answer)),
             expected, f"Store answered {answer}")
    check("9: Stage 09" in labels(p), f"labels {labels(p)}")

    def enter(down, typed, slot, name):
        """Enter in the list stores to the row it highlights (or takes that row); Enter
        in the name box stores, and the box takes Windows-1252 only."""
        dialog = toolbar(p, *STORE)
        if typed:
            replace_text(dialog.find("Edit Name", "text"), typed)
        if down:
            key("Down")
        time.sleep(0.5)
        shown, n = dialog.find("Edit Name", "text").text, len(p.frames)
        check(shown == shown.encode("cp1252", "replace").decode("cp1252"), f"name {shown!r}")
        key("Return")
        with contextlib.suppress(Failure):
            p.box("Store Preset", 5)
        if not typed and "Store Preset" not in p.tops():
            check(dialog.find(None, "combo box").name == "06", "Enter on row 06 kept 05")
            return dialog.answer("Cancel")
        check("Store Preset" in p.tops(), f"Enter after {typed or 'Down'} asks nothing")
        ask(p, "Store Preset", SURE, by_key="Return")
        name = name or " " * ((9 - len(shown)) // 2) + shown + " " * ((8 - len(shown)) // 2)
        check(p.sent(n, 169) == stores(slot, image, name.encode("cp1252")), f"stored {name}")
    each(p, [(1, "", 1, " Empty  "), (0, "Band", 0, None), (0, "łódź", 0, None)], enter)


# ---- preset files, on one program, which starts without a Preset folder -------------------
scenario = group("files", ())


@scenario
def without_a_preset_folder_no_file_is_called_preset(p, c):
    def offer(op):
        offered = toolbar(p, *OPS[op]).find("File name:", "text").text
        key("Return")  # take what is offered
        time.sleep(1)
        made = os.path.exists(p.file("Preset"))
        if made:
            os.remove(p.file("Preset"))
        check(offered != "Preset" and not made, f'{op} offers "{offered}" as the name'
              + (' and makes a file "Preset"' if made else ""))
    each(p, [("Save",), ("Load",)], offer)


def crafted_image():
    """Every notch, automatic or not, and every setting differs from its neighbours."""
    b = bytearray(161)
    for ch in (0, 1):
        autos = 2 + 3 * ch
        for k in range(12):
            f, o = 60 * k + 7 * ch, 80 * ch + 28 + 4 * k
            b[o:o + 4] = bytes([3 * k + ch, f >> 8, f & 255, 1 + ch if k < autos else k % 4])
        b[80 * ch + 76:80 * ch + 80] = bytes([autos, 1 + ch, ch, 5 + ch])
        b[80 * ch + 20:80 * ch + 22] = bytes([ch, 1 - ch])
    b[160] = 0x5A
    return bytes(b)


@scenario
def preset_files(p, c):
    """Loads and saves, the failing ones and those over special files: the line sees what a
    load applies and nothing else; an error box where the file is refused."""
    image, old, mine = crafted_image(), b"old contents", b"my own notes"
    path = lambda name: p.file("Preset/" + name)
    os.mkdir(p.file("Preset"))
    for name, data in [("crafted.Fbk", image), ("café.Fbk", image), ("short.Fbk", bytes(100)),
                       ("locked.Fbk", image), ("ro.Fbk", old), ("real.Fbk", old),
                       ("mine.Fbk", old), ("mine.Fbk.saving", mine)]:
        put(path(name), data)
    os.chmod(path("locked.Fbk"), 0)
    os.chmod(path("ro.Fbk"), 0o444)
    os.symlink("real.Fbk", path("link.Fbk"))

    def run(op, name, error, then):
        yes = lambda: p.box(OPS[op][1]).answer("Yes")  # the dialog's own question
        there = op == "Save" and os.path.lexists(path(name))
        does(p, lambda: open_file(p, *OPS[op], name, yes if there else None),
             applies(image) if op == "Load" and not error else [], f"{op} {name}")
        if error:
            ask(p, " Error", error, "OK")
        check(not p.tops("alert"), f"{op} {name} shows {list(p.tops('alert'))}")
        for ok, what in then():
            check(ok, f"{op} {name}: {what}")
    editor = lambda: shows(p, image) or []
    each(p, [
        ("Load", "crafted.Fbk", None, lambda: editor() + [
            ({"Preset loaded from PC", "crafted.Fbk"} <= labels(p), f"labels {labels(p)}")]),
        ("Save", "copy.Fbk", None, lambda: [(content(path("copy.Fbk")) == image, "it differs")]),
        ("Load", "café.Fbk", None, lambda: [("café.Fbk" in labels(p), f"labels {labels(p)}")]),
        ("Load", "nothere.Fbk", " File not found. Try again.", editor),
        ("Load", "short.Fbk", "fewer than 161 bytes", editor),
        ("Load", "locked.Fbk", "cannot be read", editor),
        ("Save", "ro.Fbk", "read-only", lambda: [
            (content(path("ro.Fbk")) == old, "the read-only file changed"),
            (os.stat(path("ro.Fbk")).st_mode & 0o222 == 0, "it is writable now")]),
        ("Save", "link.Fbk", None, lambda: [
            (os.path.islink(path("link.Fbk")), "the link is no longer a link"),
            (content(path("real.Fbk")) == image, "its target does not hold the image")]),
        ("Save", "mine.Fbk", None, lambda: [
            (content(path("mine.Fbk")) == image, "mine.Fbk does not hold the image"),
            (content(path("mine.Fbk.saving")) == mine, "the user's mine.Fbk.saving was lost")]),
    ], run)


# ---- backup and restore of the unit, on one program over a line paced at 4800 baud ---------
scenario = group("backup", ("--paced",))
BACKUP, RESTORE = "Back up unit...", "Restore..."


def choose_folder(p, button, title, path):
    open_file(p, button, title, path, field="Directory:")


def backups(p):
    return sorted(os.listdir(p.file("bk")))


def reads(at, n):
    return [frame(16, (at + i) >> 8, (at + i) & 255) for i in range(n)]


@scenario
def backup_then_a_cancel_by_mouse(p, c):
    """A backup reads every stored preset byte by byte and the running one with 11 255, and
    writes nothing; a Cancel clicked while a transaction waits on the line leaves no folder."""
    os.mkdir(p.file("bk"))
    expected = (reads(48, 16) + reads(288, 168 - 8) + reads(3872, 8) + reads(288 + 160 * 4, 160)
                + reads(3872 + 32, 8) + reads(112, 8) + [frame(11, 255)])
    does(p, lambda: (choose_folder(p, BACKUP, "Back up the unit into a new folder in",
                                   p.file("bk")), p.box("Back up unit", 60)), expected, "a backup")
    ask(p, "Back up unit", "Backed up 2 stored presets and the running one", "OK")
    folder = p.file("bk/" + backups(p)[0])
    check(len(backups(p)) == 1 and sorted(os.listdir(folder)) == [
        "05 Vocal.Fbk", "09 Stage 09.Fbk", "backup.json", "current.Fbk"], f"{os.listdir(folder)}")
    check(len(content(folder + "/09 Stage 09.Fbk")) == 161, "09 is not a preset file")

    choose_folder(p, BACKUP, "Back up the unit into a new folder in", p.file("bk"))
    dialog = p.window("dialog", "Back up unit")
    wait(lambda: dialog.find("Reading preset 09", "label", 60), "the backup to reach preset 09")
    dialog.find("Cancel", "push button").click()
    ask(p, "Back up unit", "Backup cancelled: nothing was saved.", "OK")
    check(backups(p) == [os.path.basename(folder)], f"after a Cancel {backups(p)}")


@scenario
def restore_one_preset(p, c):
    """Preset 09 from the backup: unmarked, written as a store writes it, read back, and only
    then marked; nothing else on the line."""
    folder = p.file("bk/" + backups(p)[0])
    image = content(folder + "/09 Stage 09.Fbk")[:160]
    store = stores(4, image, b"Stage 09")
    expected = (reads(48, 16) + [frame(0x11, 0, 52, 0, 0xFF)] + store[:-1] +
                reads(288 + 160 * 4, 160) + reads(3872 + 32, 8) + store[-1:])
    choose_folder(p, RESTORE, "Restore the unit from the backup folder", folder)
    dialog = p.window("dialog", "Restore")
    dialog.find("09", "table cell").click()

    def restore():
        dialog.answer("Restore")
        ask(p, "Restore", "Restore preset 09 from the backup, are you sure ? ", "Yes")
        p.box("Restore", 60)
    does(p, restore, expected, "restoring preset 09")
    ask(p, "Restore", "Restored 1 preset(s); each read back as written.", "OK")


# ---- line faults --------------------------------------------------------------------------
scenario = group("timeout")


def times_out(desk, fault, hold):
    """One real click (or a held button) on a gain arrow of a line that stopped answering:
    six identical frames 4 s apart, then "Time out" with the program idle; OK ends it."""
    with unit(desk, fault, START) as p:
        c = p.controls()
        bar, (f, q, g) = c["Left notch 5 gain bar"], row(c, 0, 4)
        if fault == "--hangup-after":
            wait(lambda: p.wire.closed, "the unit to hang up")
        bar.press(0.25, 0.5, "mousedown", 1, *([] if hold else ["mouseup", 1]))
        clicked, cpu = time.monotonic(), p.cpu()
        try:
            box = p.box("VX-470 Remote", timeout=45)
            waited = time.monotonic() - clicked
            share = (p.cpu() - cpu) / waited
            check(box.message == ["Time out"], f"the box says {box.message}")
            check(15 < waited and share < 0.1,
                  f"Time out after {waited:.0f} s, {share:.0%} of a core meanwhile")
            cpu = p.cpu()
            time.sleep(3)  # with the button still held
            check(p.cpu() - cpu < 0.3, f"{p.cpu() - cpu:.1f} s of a core while Time out shows")
            check(g - bar.value <= 1, f"the gain moved from {g} to {bar.value}")
        finally:
            xdo("mouseup", 1)
        wire = p.frames[START:]
        check(wire == [notch(0, 4, f, q, g - 1)] * 6 or fault == "--hangup-after" and not wire,
              f"the line saw {wire}")
        gaps = [round(b[1] - a[1], 1) for a, b in zip(p.wire.frames[START:],
                                                       p.wire.frames[START + 1:])]
        check(all(3 <= s <= 5.5 for s in gaps), f"resends {gaps} s apart")
        box.answer("OK")
        p.ended()
        check(p.frames[START:] == wire, f"frames after the Time out: {p.frames[START + 6:]}")


@scenario
def a_line_that_dies_with_the_button_held(desk):
    times_out(desk, "--die-after", hold=True)


@scenario
def a_line_that_hangs_up(desk):
    times_out(desk, "--hangup-after", hold=False)


# ---- the serial log -----------------------------------------------------------------------
scenario = group("log")
# A user's log of a store that the unit stopped answering half-way (tests/e2e/logs); run as
# nobody, the suite finds its copy beside this file.
CUT_OFF = next(path for path in (
    os.path.join(os.path.dirname(os.path.abspath(__file__)), name, "store_cut_off.log")
    for name in (".", "../e2e/logs")) if os.path.exists(path))


def entries(path, plain=True):
    """A serial log's lines, without its comments; `plain`, without the times, without the
    ports opened (the port search's, not the unit's doing), and with each time-out without the
    count of bytes that waited (a replay sends a short reply late)."""
    with open(path, encoding="utf-8") as f:
        lines = [line.rstrip("\n") for line in f if not line.startswith("#")]
    if plain:
        lines = [line for line in lines if not ("  -  " in line and " port " in line)]
        lines = [line[10:] for line in lines]
        lines = ["  -  time out" if line.startswith("  -  time out:") else line for line in lines]
    return lines


@scenario
def a_users_log_replays_to_its_end_in_the_serial_log_window(desk):
    """vx470 --log against vx470-sim --replay of a user's log: the Serial log window follows the
    line, filters it, copies a line and saves the log; storing as the user did then ends as it
    did, in "Time out", and the log written is the user's log again."""
    with program(desk, ["--replay", CUT_OFF], START, args=["--log", "traffic.log"]) as p:
        p.main().find("Serial log").click()
        window = p.window(None, "Serial log")
        view, bar = window.find("Serial log", "text"), window.find("Filter", "text")
        shown = lambda: view.text.split("\n")
        wait(lambda: shown() == entries(p.file("traffic.log"), plain=False), "the log window")
        replace_text(bar, "RUNNING image")
        wanted = [line for line in entries(p.file("traffic.log"), plain=False)
                  if "running image" in line]
        wait(lambda: shown() == wanted and len(wanted) == 2, "the filter")
        view.press(0.3, 0.02, "click", "--repeat", 3, "--delay", 80, 1)  # the first line
        window.answer("Copy")
        bar.click()
        key("ctrl+a", "BackSpace")
        wait(lambda: len(shown()) == len(entries(p.file("traffic.log"), plain=False)),
             "every line again")
        key("ctrl+v")
        wait(lambda: shown() == wanted[:1], f"the copied line {wanted[0]!r} as the filter")
        key("ctrl+a", "BackSpace")
        window.answer("Save log...")
        replace_text(p.window("dialog", "Save As").find("File name:", "text"), "saved.log")
        key("Return")
        p.gone("Save As")
        check(entries(p.file("saved.log"), plain=False) == entries(p.file("traffic.log"),
              plain=False), "the saved log is not the log")
        check(content(p.file("saved.log")).startswith(b"# VX-470 Remote "), "no header")

        xdo("search", "--name", "^Serial log$", "windowmove", "%@", 370, 530)  # off the toolbar
        dialog = toolbar(p, *STORE)
        dialog.answer("Store")
        ask(p, "Store Preset", SURE, "Yes")
        box = p.box("VX-470 Remote", timeout=60)
        check(box.message == ["Time out"], f"the box says {box.message}")
        tail = [line[10:] for line in shown()[-3:]]
        check(tail == ["  -  time out: 0 of 10 bytes", "  -  no answer after 6 writes",
                       '  -  the program ends with "Time out"'], f"the window ends {tail}")
        box.answer("OK")
        check(p.ended() == 1, f"the Time out ended with {p.proc.returncode}")
        got, want = entries(p.file("traffic.log")), entries(CUT_OFF)
        i = next((i for i, (a, b) in enumerate(zip(got, want)) if a != b), min(len(got), len(want)))
        check(got == want, f"from entry {i} the log has {got[i:i + 2]}, the user's {want[i:i + 2]}")


# ---- as installed -------------------------------------------------------------------------
scenario = group("installed")


@scenario
def started_from_the_menu_the_files_are_the_users_own(desk):
    """Started in an empty home directory: the port and the presets go to the user's folders."""
    with unit(desk, at_home=True) as p:
        toolbar(p, *OPS["Load"])
        key("Escape")
        exits(p)
        home = lambda *path: os.path.join(p.home, *path)
        check(content(home(".config", "vx470-remote", "init.cfg")) == b"\x01\x00",
              "init.cfg is not port 1 in ~/.config/vx470-remote")
        check(os.path.isdir(home(".local", "share", "vx470-remote", "Preset")),
              "the Load dialog made no ~/.local/share/vx470-remote/Preset")
        left = [n for n in os.listdir(home()) if not n.startswith(".")]
        check(not left, f"the home directory holds {left}")


@scenario
def a_port_named_on_the_command_line_is_used_and_not_remembered(desk):
    with unit(desk, named=True) as p:
        check(p.frames[0] == frame(0), f"the first frame is {p.frames[0]}")
        exits(p)
        check(content(p.file("init.cfg")) == b"", "init.cfg changed")


# ---- the curves while a preset goes out, and compared, over a line paced at 4800 baud ------
scenario = group("compare", ("--paced",))
COMPARED = (230, 120, 0), (0, 150, 60)  # each channel's second colour
SCREEN_WIDTH = 1280


def places(c):
    """Where the graphs are on the screen, found before the program gets busy (a program that
    waits on the line answers no one on the accessibility bus)."""
    return [c[f"{side} response curve"].extents() for side in SIDES]


def graphs(where):
    """The screen's pixels over each graph, from one screenshot, as bytes of RGB rows."""
    shot = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                          check=True, capture_output=True).stdout
    return [b"".join(shot[3 * (SCREEN_WIDTH * r + x):3 * (SCREEN_WIDTH * r + x + w)]
                     for r in range(y, y + h)) for x, y, w, h in where]


def compared_pixels(c):
    """How many pixels of each graph show in its channel's second colour."""
    crops = graphs(places(c))
    return [sum(crops[ch][i:i + 3] == bytes(COMPARED[ch]) for i in range(0, len(crops[ch]), 3))
            for ch in (0, 1)]


@scenario
def the_curves_follow_a_load_frame_by_frame(p, c):
    """Screenshots taken while a preset file's frames go out show each graph between the curve it
    had and the one it ends with, in at least two states of its own."""
    image, path = crafted_image(), p.file("crafted.Fbk")
    put(path, image)
    where, n, shots = places(c), len(p.frames), []
    before = graphs(where)

    def shoot():
        while len(p.frames) - n < len(applies(image)):
            shots.append(graphs(where))
    open_file(p, *OPS["Load"], path, shoot)
    check(p.sent(n, len(applies(image))) == applies(image), "the load sent other frames")
    after = graphs(where)
    between = [{s[ch] for s in shots} - {before[ch], after[ch]} for ch in (0, 1)]
    check(all(len(b) >= 2 for b in between), f"{len(shots)} screenshots while the frames went out"
          f" show {[len(b) for b in between]} states between the curves before and after")


@scenario
def a_file_compared_shows_under_the_curves_and_nothing_is_sent(p, c):
    image = bytearray(crafted_image())
    for o in (28 + 44, 80 + 28 + 44):  # notch 12 of each channel: -45 dB at 2 kHz
        image[o:o + 3] = bytes([0, 486 >> 8, 486 & 255])
    put(p.file("other.Fbk"), image)
    does(p, lambda: open_file(p, "Compare with file...", "Open", p.file("other.Fbk")), [],
         "comparing with a file")
    wait(lambda: status(p) == "Compared with: other.Fbk", "the name of the comparison")
    shown = wait(lambda: all(compared_pixels(c)) and compared_pixels(c), "the compared curves")
    check(min(shown) > 50, f"the compared curves show {shown} pixels")
    does(p, lambda: p.main().find("Clear comparison", "push button").click(), [], "clearing")
    wait(lambda: compared_pixels(c) == [0, 0] and status(p) == "",
         f"the comparison to go: {compared_pixels(c)} {status(p)!r}")


@scenario
def a_stored_preset_compared_is_read_byte_by_byte(p, c):
    def compare():
        dialog = toolbar(p, "Compare with preset...", "Compare with preset")
        dialog.find("09", "table cell").click()
        dialog.answer("Compare")
        p.gone("Compare with preset")
    does(p, compare, reads(52, 1) + reads(288 + 160 * 4, 160), "comparing with preset 09")
    wait(lambda: status(p) == "Compared with: 09 Stage 09", "the name of the comparison")
    wait(lambda: any(compared_pixels(c)), "the compared curves")
# ---- the graph on a scaled screen, its export and its idle cost ---------------------------
scenario = group("crisp")


@scenario
def at_twice_the_scale_the_curve_is_drawn_at_the_screens_resolution(desk):
    """At QT_SCALE_FACTOR=2 the Left curve is on the screen, twice its size, and drawn there:
    however the screen's pixels are paired, some pair of the curve's differs, which a canvas
    enlarged twice could not give."""
    with program(desk, ["--presets", "5,9"], env={"QT_SCALE_FACTOR": "2"}) as p:
        ask(p, "Warning", "Minimum display resolution is 800x600", by_key="Return")  # 640 x 512
        p.main()
        p.sent(count=START)
        # The accessibility bus tells positions in the scaled pixels: twice as many on screen.
        x, y, w, h = (2 * v for v in p.controls()["Left response curve"].extents())
        check((w, h) == (1152, 384), f"the Left graph is {w} x {h} pixels on the screen")
        time.sleep(1)
        shot = graphs([(x, y, w, h)])[0]
        px = lambda i, j: shot[3 * (w * j + i):3 * (w * j + i) + 3]
        curve = [(i, j) for j in range(h - 1) for i in range(w - 1)
                 if px(i, j)[0] > max(px(i, j)[1:]) + 60]  # red
        check(len(curve) > w, f"{len(curve)} red pixels in the Left graph")
        uniform = lambda i, j: len({px(i, j), px(i + 1, j), px(i, j + 1), px(i + 1, j + 1)}) == 1
        for ox, oy in ((0, 0), (0, 1), (1, 0), (1, 1)):
            check(any(not uniform(i, j) for i, j in curve if (i - ox) % 2 == (j - oy) % 2 == 0),
                  f"the curve is in 2 x 2 blocks from ({ox}, {oy}): an enlarged bitmap")


@scenario
def export_curves_by_the_button_and_the_file_dialog(desk):
    """After a preset file loads, "Export curves..." writes a PNG, an SVG and a PDF by the names
    typed in the dialog, sends nothing, and each reads back holding the preset's name (and the
    SVG a notch's values)."""
    with unit(desk) as p:
        image = crafted_image()
        os.mkdir(p.file("Preset"))
        put(p.file("Preset/crafted.Fbk"), image)
        does(p, lambda: open_file(p, *OPS["Load"], "crafted.Fbk"), applies(image), "the load")
        c = p.controls()
        freq, gain = c["Left notch 5 frequency"].text, row(c, 0, 4)[2] - 45

        def run(name, signature):
            path = p.file("Preset/" + name)
            does(p, lambda: open_file(p, "Export curves...", "Save As", path), [],
                 f"exporting {name}")
            check(not p.tops("alert"), f"{name}: {list(p.tops('alert'))}")
            data = content(path) or b""
            check(data.startswith(signature), f"{name} begins {data[:16]!r}")
            if name.endswith(".png"):  # read whole by ImageMagick
                size = subprocess.run(["identify", "-format", "%wx%h", path], text=True,
                                      capture_output=True).stdout
                check(size == "1440x2120", f"{name} reads as {size!r}")
            if name.endswith(".svg"):  # well-formed, with the texts as text
                texts = {t.text for t in ElementTree.fromstring(data).iter(
                    "{http://www.w3.org/2000/svg}text")}
                want = {"Preset: crafted.Fbk", freq, str(gain)}
                check(want <= texts, f"{name} lacks {want - texts}")
            if name.endswith(".pdf"):  # its page's text is compressed glyphs; its title is not
                check("crafted.Fbk".encode("utf-16-be") in data, f"{name} has no preset name")
        each(p, [("sheet.png", b"\x89PNG\r\n"), ("sheet.svg", b"<?xml"),
                 ("sheet.pdf", b"%PDF-")], run)


@scenario
def a_still_pointer_over_a_graph_costs_no_processor(desk):
    """With the pointer resting over a graph (the readout showing), 5 s cost under 0.05 s."""
    with unit(desk) as p:
        x, y, w, h = p.controls()["Left response curve"].extents()
        xdo("mousemove", x + w // 3, y + h // 2)
        wait(lambda: "nearest notch" in status(p), "the readout")
        time.sleep(1)
        before = p.cpu()
        time.sleep(5)
        used = p.cpu() - before
        print(f"  processor over a graph, pointer still: {used:.2f} s in 5 s", flush=True)
        check(used < 0.05, f"the program used {used:.2f} s of processor in 5 s")


# ---- running ------------------------------------------------------------------------------

def for_anyone(path):
    """Whether any user may run the file: it and every folder above it are open to others."""
    path = os.path.abspath(path)
    while os.stat(path).st_mode & 0o001:
        if path == "/":
            return True
        path = os.path.dirname(path)
    return False


def as_ordinary_user(argv):
    """Runs the suite again as nobody: as root a mode-000 file can still be read and a
    read-only one written, and those cases could not fail. Programs nobody could not run
    from where they are, such as a build in root's home, are copied for it."""
    stage, here = tempfile.mkdtemp(prefix="vx470-blackbox-"), os.path.abspath(__file__)
    try:
        os.chmod(stage, 0o755)
        scripts = (os.path.join(os.path.dirname(here), "harness.py"), here, CUT_OFF)
        staged = [os.path.abspath(f) if for_anyone(f) else shutil.copy(f, stage)
                  for f in argv[1:3]] + [
            shutil.copy(f, stage) for f in scripts]
        home = os.path.join(stage, "home")
        os.mkdir(home, 0o700)
        os.chown(home, 65534, 65534)
        return subprocess.call(
            ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--pdeathsig",
             "TERM", sys.executable, "-B", staged[3], *staged[:2], *argv[3:]],
            env=dict(os.environ, HOME=home, XDG_RUNTIME_DIR=home))
    finally:
        shutil.rmtree(stage, ignore_errors=True)


# ---- the curve as an instrument, on one program over a line paced at 4800 baud ------------
scenario = group("curve", ("--paced",))


def handle(c, ch, k):
    """Where notch k's handle is on the screen: its frequency across, its gain down the graph."""
    x, y, w, h = c[f"{SIDES[ch]} response curve"].extents()
    f, g = float(c[f"{SIDES[ch]} notch {k + 1} frequency"].text), row(c, ch, k)[2] - 45
    return x + math.log10(f / 20) * 575 / 3, y + 31.826667 - 3.183333 * g


def lone_manual_notch(c, ch):
    """The deepest manual notch of the channel that no other notch covers."""
    rows = [row(c, ch, k) for k in range(12)]
    alone = [k for k in range(panel(c, ch)[0], 12)
             if [(f, g) for f, _, g in rows].count(rows[k][::2]) == 1]
    return min(alone, key=lambda k: rows[k][2])


@scenario
def a_notch_dragged_by_its_handle_ends_where_the_mouse_let_go(p, c):
    """Thirty quick moves of a Left handle send far fewer frames, each one notch frame, the
    last one the place the button was let go; the status line shows what goes out; the wheel
    steps the Q; Ctrl+Z sends the frame that puts the notch back."""
    k = lone_manual_notch(c, 0)
    first, (hx, hy) = row(c, 0, k), handle(c, 0, k)
    x, y = c["Left response curve"].extents()[:2]
    n = len(p.frames)
    xdo("mousemove", round(hx), round(hy), "mousedown", "1")
    for i in range(1, 31):
        xdo("mousemove", round(hx) + 3 * i, round(hy + i * 25 / 30))
    wait(lambda: status(p).startswith(f"Left notch {k + 1}: "), "the status line to show the drag")
    xdo("mouseup", "1")
    got = p.sent(n, 1)
    f, q, g = row(c, 0, k)
    released = 20 * 10 ** ((hx + 90 - x) * 3 / 575)
    check(abs(math.log10(float(c[f"Left notch {k + 1} frequency"].text) / released)) < 0.006
          and g == first[2] - 8 and q == first[1], f"released at {released:.0f} Hz, "
          f"{first[2] - 53} dB; the row shows {row(c, 0, k)}")
    # every frame is the notch's own (command, channel, filter and Q as released)
    own = lambda sent: sent.split()[2:5] + sent.split()[7:8]
    check(all(own(x) == own(notch(0, k, f, q, g)) for x in got)
          and got[-1] == notch(0, k, f, q, g) and 1 < len(got) < 20,
          f"{len(got)} frames for 30 moves, the last {got[-1]}, not {notch(0, k, f, q, g)}")
    hx, hy = handle(c, 0, k)
    up = 1 if q < 3 else -1
    does(p, lambda: xdo("mousemove", round(hx), round(hy), "click", "4" if up > 0 else "5"),
         [notch(0, k, f, q + up, g)], "the wheel over the handle")
    does(p, lambda: key("ctrl+z"), [notch(0, k, f, q, g)], "Ctrl+Z after the wheel")
    does(p, lambda: key("ctrl+z"), [notch(0, k, *first)], "Ctrl+Z after the drag")


def shown_applies(c):
    """The frames of loading what the editor shows, as a file load sends them."""
    out = [notch(ch, k, *row(c, ch, k)) for ch in (0, 1) for k in range(12)]
    for ch in (0, 1):
        n, q, a, s, r, m = panel(c, ch)
        out += [frame(10, ch + 1, n, q, a, s)] * 4 + [frame(0x31, ch, 0, 0, r, m)] * 2
    return out


def edit_menu(p, entry):
    """Checks that the Edit menu offers `entry` first, then chooses it by mouse and key."""
    button = p.main().find("Edit", "push button")
    offered = button.acc.description
    check(offered.startswith(entry), f"the Edit menu offers {offered!r}, not {entry!r}")
    button.click()
    time.sleep(0.5)
    key("Down", "Return")


@scenario
def undo_and_redo_name_the_edit_and_send_what_restores_the_unit(p, c):
    """A gain step is undone from the Edit menu that names it, redone and undone by key, each
    with the one frame that restores the unit; a file load is undone the way a file loads."""
    k = lone_manual_notch(c, 1)
    f, q, g = row(c, 1, k)
    does(p, lambda: c[f"Right notch {k + 1} gain bar"].click(0.25), [notch(1, k, f, q, g - 1)],
         "a gain step")
    does(p, lambda: edit_menu(p, f"Undo Right notch {k + 1} gain"), [notch(1, k, f, q, g)],
         "Undo from the menu")
    does(p, lambda: key("ctrl+shift+z"), [notch(1, k, f, q, g - 1)], "Ctrl+Shift+Z")
    does(p, lambda: key("ctrl+z"), [notch(1, k, f, q, g)], "Ctrl+Z")
    before, image = shown_applies(c), crafted_image()
    put(p.file("undo.Fbk"), image)
    does(p, lambda: open_file(p, *OPS["Load"], p.file("undo.Fbk")), applies(image), "the load")
    does(p, lambda: edit_menu(p, "Undo Load undo.Fbk"), before, "undoing the load")
    check(shown_applies(c) == before, "the editor does not show what it did before the load")


@scenario
def a_search_locks_the_handles_and_the_history(p, c):
    """While a search runs a drag and Ctrl+Z send nothing but the search's acknowledgements,
    and the Edit menu is greyed."""
    k = lone_manual_notch(c, 0)
    c["Search Feedback L"].click()
    n = len(p.frames)
    hx, hy = handle(c, 0, k)
    xdo("mousemove", round(hx), round(hy), "mousedown", "1", "mousemove", round(hx) + 60,
        round(hy) + 20, "mouseup", "1")
    key("ctrl+z")
    edit = p.main().find("Edit", "push button")
    check(not edit.has("enabled") and edit.acc.description == "Nothing to undo or redo now",
          f"in a search the Edit menu offers {edit.acc.description!r}")
    time.sleep(1.5)
    check(set(p.frames[n:]) <= {frame(0x30)}, f"a search let through {p.frames[n:]}")
    c["Search Feedback L"].click()
    p.sent(n, 4)


def main(argv):
    if os.geteuid() == 0:
        return as_ordinary_user(argv)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))  # and clean up on the way out
    shared, scenarios = GROUPS[argv[3]]
    chosen = [fn for fn in scenarios if fn.__name__ in argv[4:] or len(argv) < 5]
    failed, p = [], None
    with desktop(argv[1], argv[2]) as desk, contextlib.ExitStack() as stack:
        for fn in chosen:
            start = time.monotonic()
            try:
                if shared is not None:
                    p = p or stack.enter_context(unit(desk, *shared))
                    check(p.proc.poll() is None, "the program has ended")
                    tidy(p)
                fn(*((desk,) if shared is None else (p, p.controls())))
                verdict = "ok"
            except Exception as e:
                failed.append(fn.__name__)
                verdict = "FAIL: " + (str(e) if isinstance(e, Failure) else traceback.format_exc())
            print(f"{fn.__name__} ({time.monotonic() - start:.0f} s): {verdict}", flush=True)
    print(f"{len(chosen) - len(failed)} of {len(chosen)} passed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

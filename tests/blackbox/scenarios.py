"""Black-box scenarios of vx470 against vx470-sim, driven through the screen.

    scenarios.py VX470 VX470_SIM GROUP [SCENARIO ...]

Runs the scenarios of GROUP (or the named ones) on a private X display, one line each; the
exit status is 1 when any failed."""
import contextlib
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback

from harness import Desktop, Failure, Program, check, frame, key, type_text, wait, xdo

SIDES = ("Left", "Right")
SURE = "               Are you sure ? "
GROUPS = {}


def scenario(fn):
    GROUPS.setdefault(GROUP, []).append(fn)  # the section's group
    return fn


# ---- what the unit sees and what the editor shows -----------------------------------------

def notch(ch, k, f, q, g):
    return frame(7, ch, k, f >> 8, f & 255, q, g)


def stores(slot, image, name):
    writes = lambda at, data: [frame(0x11, (at + i) >> 8, (at + i) & 255, 0, b)
                               for i, b in enumerate(data)]
    return (writes(288 + 160 * slot, image) + writes(3872 + 8 * slot, name) +
            [frame(0x11, 0, 48 + slot, 0, 0x55)])


def centred(name):
    return (" " * ((9 - len(name)) // 2) + name + " " * ((8 - len(name)) // 2)).encode("cp1252")


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
    """The editor holds the 160-byte image (automatic rows with the automatic Q)."""
    c, wrong = p.controls(), []
    for ch, b in enumerate((image[:80], image[80:160])):
        for k in range(12):
            g, hi, lo, q = b[28 + 4 * k:32 + 4 * k]
            if row(c, ch, k) != (hi * 256 + lo, b[77] if k < b[76] else q, g):
                wrong.append(f"{SIDES[ch]} notch {k + 1} shows {row(c, ch, k)}")
        if panel(c, ch) != (*b[76:80], b[20], b[21]):
            wrong.append(f"{SIDES[ch]} panel shows {panel(c, ch)}")
    check(not wrong, "the editor does not show the image: " + "; ".join(wrong))


def startup_image(p):
    return bytes(p.wire.inbound[-190:-30])  # the reply to 11 255, before three 10-byte ones


def last_block(p):
    return bytes(p.wire.inbound[-160:])


def labels(p):
    return {w.name for w in p.main().all("label")}


# ---- doing things -------------------------------------------------------------------------

def does(p, action, expected, what, settle=1.5):
    """Runs action(); the line then sees exactly the expected frames, and rests."""
    n = len(p.frames)
    action()
    with contextlib.suppress(Failure):  # too few: told below
        p.sent(n, len(expected), settle)
    got = p.frames[n:]
    check(got == expected, f"{what}: expected {len(expected)} frame(s) {expected[:3]}, "
                           f"the line saw {len(got)}: {got[:6]}")


def ask(p, title, text, answer=None, by_key=None):
    """Waits for a box, checks its text and answers it by button or key."""
    box = p.box(title)
    check(any(text in line for line in box.message), f'"{title}" says {box.message}, not {text!r}')
    key(by_key) if by_key else box.answer(answer)
    p.gone(title, "alert")


def replace_text(box, text):
    box.click()
    key("ctrl+a")
    type_text(text)


def toolbar(p, tip, title):
    p.find(tip, "push button").click()
    return p.window(title, "dialog")


def each(p, cases, run):
    """Runs every case of a table, also after one failed, and fails with all that did."""
    problems = []
    for case in cases:
        try:
            run(*case)
        except Failure as e:
            problems.append(str(e))
        for _ in range(5):  # escape from what is left over the main window
            if len(p.windows()) > 1:
                key("Escape")
                time.sleep(0.5)
    check(not problems, " | ".join(problems))


def unit(desk, presets="5,9", *sim, prepare=None):
    p = Program(desk, ["--presets", presets, *sim] if presets else sim, prepare=prepare)
    return p.ready(29 + 8 * len(presets.split(",")) if presets else 29)


def exit_asks(p):
    """The exit question, No its default; Enter keeps the program, Yes ends it with 15."""
    n = len(p.frames)
    key("alt+F4")
    check(p.box("Exit").find("No", "push button").default, "No is not the default of Exit")
    ask(p, "Exit", SURE, by_key="Return")
    time.sleep(1)
    check(p.proc.poll() is None, "Enter on the exit question ended the program")
    key("alt+F4")
    ask(p, "Exit", SURE, "Yes")
    check(p.ended() == 0, f"a confirmed exit ended with status {p.proc.returncode}")
    return p.frames[n:]


# ---- start-up and exit --------------------------------------------------------------------
GROUP = "startup"


@scenario
def start_up_with_a_unit_then_exit(desk):
    with unit(desk) as p:
        c = p.controls()
        reads = [*range(0x30, 0x40), *range(0xF20, 0xF28), *range(0xF40, 0xF48), *range(112, 120)]
        check(p.frames == [frame(0)] + [frame(0x10, a >> 8, a & 255) for a in reads] + [
            frame(11, 255)] + [frame(10, t, *panel(c, t // 2)[:4]) for t in (0, 1, 2)],
            f"the start-up sent {p.frames}")
        shows(p, startup_image(p))
        # an empty name label is known by its control's name
        check({"Preset loaded from Device", "Label8"} <= labels(p), f"labels {labels(p)}")
        check(open(p.file("init.cfg"), "rb").read() == b"\x01\x00", "init.cfg is not port 1")
        check(exit_asks(p) == [frame(15)], "exit did not send 15 alone")


@scenario
def without_a_unit(desk):
    """The only port opens but never answers: the probe, the demo question, then no frame."""
    for answer in ("No", "Yes"):
        with Program(desk, ["--silent"]) as p:
            ask(p, "Warning", "COM not found, do you want continue in demo mode?", answer)
            if answer == "No":
                check(p.ended() == 0, f"refusing demo mode ended with {p.proc.returncode}")
            else:
                c = p.controls()
                check(p.main().name == "VX-470 - DEMO - Remote Control Software", "caption")
                check(open(p.file("init.cfg"), "rb").read() == b"\x23\x00", "init.cfg not 35")
                check(panel(c, 0)[0] == 11 and row(c, 1, 11)[2] == 45, "no demo image")
                c["Left notch 12 gain bar"].click(0.25)
                wait(lambda: c["Left notch 12 gain bar"].value == 44, "the demo gain to step")
                exit_asks(p)
            check(p.frames == [frame(0)], f"{answer} to demo mode, then {p.frames[1:]}")


# ---- editing ------------------------------------------------------------------------------
GROUP = "editing"


@scenario
def notch_bars_by_arrow_and_key(desk):
    with unit(desk) as p:
        c = p.controls()
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
    """Drags the thumb of a bar at the fraction `top` of its range to the bar's start, a pixel
    at a time, so that it passes every value on the way."""
    x, y, w, h = bar.extents()
    grab = int(x + arrow + (w - 2 * arrow) * top)  # under the thumb, whatever its length
    xdo("mousemove", grab, y + h // 2, "mousedown", 1)
    for px in range(grab - 1, x + arrow - 1, -1):
        xdo("mousemove", px, y + h // 2, "sleep", 0.03)
    xdo("mouseup", 1)


@scenario
def automatic_panel_by_page_thumb_arrow_and_key(desk):
    with unit(desk) as p:
        c = p.controls()
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
        check(not c["Left notch 5 gain bar"].enabled, "row 5 stays editable with 5 automatic")
        check(c["Left notch 1 Q"].text == "1/70", "automatic rows do not take the automatic Q")


@scenario
def typed_entries(desk):
    with unit(desk) as p:
        c = p.controls()
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
def resets(desk):
    with unit(desk) as p:
        c = p.controls()
        for side, ch, kind, answer in [("Left", 0, "Manual", "No"), ("Left", 0, "Manual", "Yes"),
                                       ("Right", 1, "Automatic", "Yes"),
                                       ("Left", 0, "Automatic", "Yes"),
                                       ("Right", 1, "Manual", "Yes")]:
            autos = panel(c, ch)[0]
            rows = range(autos, 12) if kind == "Manual" else range(autos)
            does(p, lambda: (c[f"{side} Reset Notch {kind}"].click(),
                             ask(p, "Reset Filter", f"Reset all Notch filter {kind.lower()}, "
                                 "Are you sure ?", answer)),
                 [notch(ch, k, *row(c, ch, k)[:2], 45) for k in rows if answer == "Yes"],
                 f"{side} reset {kind} {answer}")
        check(all(row(c, ch, k)[2] == 45 for ch in (0, 1) for k in range(12)), "gains left")


@scenario
def copy_commands(desk):
    for source, tip in [(0, "Copy Left to Right"), (1, "Copy Right to Left")]:
        with unit(desk) as p:
            c = p.controls()
            for answer, expected in [("No", []), ("Yes", copies(c, source))]:
                does(p, lambda: (c[tip].click(), ask(
                    p, tip, f"Copy Channel {tip[5:]}, Are you sure ?", answer)), expected, tip)
            check(all(row(c, 0, k) == row(c, 1, k) for k in range(12)), f"{tip}: rows differ")


@scenario
def link(desk):
    with unit(desk) as p:
        since = time.monotonic()
        c = p.controls()
        box, expected, (f, q, g) = c["Link channel Left & Right"], copies(c, 0), row(c, 0, 6)
        time.sleep(max(0.0, since + 4 - time.monotonic()))  # the 3-s compare has run
        question = "\r\n".join(["      You requested to Link channel Left & Right  ",
                                "        This will copy channel Left to Right     ",
                                "                     confirm?                    "])
        for answer in ("No", "Yes"):
            does(p, lambda: (box.click(), ask(p, "Link Left & Right", question, answer)),
                 expected if answer == "Yes" else [], f"link answered {answer}")
            check(box.checked == (answer == "Yes"), f"the link box after {answer}")
        step = lambda: c["Left notch 7 gain bar"].click(0.25)
        does(p, step, [notch(0, 6, f, q, g - 1), notch(1, 6, f, q, g - 1)], "a linked step")
        check(row(c, 1, 6) == (f, q, g - 1), "the linked row did not follow")
        does(p, box.click, [], "unlinking")
        does(p, step, [notch(0, 6, f, q, g - 2)], "a step after unlinking")


# ---- feedback search ----------------------------------------------------------------------
GROUP = "search"


@scenario
def search_with_reports_then_exit(desk):
    with unit(desk, "5,9", "--search-interval", "300") as p:
        c = p.controls()
        settings = panel(c, 0)[:4]
        start, inbound = len(p.frames), len(p.wire.inbound)
        c["Search Feedback L"].click()
        got = p.sent(start, 4, settle=0)
        check(got[0] == frame(10, 1, *settings, 1) and set(got[1:]) == {frame(0x30)},
              f"the search began with {got[0]}, its reports were answered with {got[1:]}")
        locked = [w for w in c if w.startswith(("Left notch", "Right number", "Left release",
                                                "Left sensitivity slider", "Link", "Copy",
                                                "Search Feedback R", "Search Feedback L&R",
                                                "Left Reset", "Load", "Read")) and c[w].enabled]
        check(not locked, f"enabled during a search: {locked}")
        key("alt+F4")  # refused without a word
        time.sleep(2)
        check(p.windows() == [p.main().name], f"closing during a search shows {p.windows()}")
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
        check(c["Left notch 5 gain bar"].enabled and c["Load Preset from PC"].enabled, "locked")
        check(exit_asks(p) == [frame(15)], "exit did not send 15 alone")


# ---- device presets -----------------------------------------------------------------------
GROUP = "presets"
READ, STORE = ("Read Preset from device", "Read Preset"), ("Store Preset to device", "Store preset")


@scenario
def read_dialog(desk):
    with unit(desk) as p:
        dialog = toolbar(p, *READ)  # by keyboard
        key(*["Down"] * 8)
        wait(lambda: dialog.find("Stage 09", "table cell").selected, "row 09 highlighted")
        does(p, lambda: (key("Return"), ask(p, "Read Preset", "Overwrite current editing with "
                                            "the preset 9, are you sure ? ", by_key="Return"),
                         p.gone("Read Preset")), [frame(11, 8)], "Enter on row 09")
        shows(p, last_block(p))
        check({"9: Stage 09", "Preset loaded from Device"} <= labels(p), f"labels {labels(p)}")
        dialog = toolbar(p, *READ)  # by mouse
        does(p, lambda: (dialog.find("06", "table cell").click(count=2),
                         ask(p, "Read Preset", "Preset empty", "OK"),
                         dialog.find("02", "table cell").click(count=2),
                         ask(p, "Read Preset", "with the preset 2, are you sure ? ", "No"),
                         dialog.answer("Read"), ask(p, "Read Preset", "preset 2,", "Yes")),
             [frame(11, 1)], "an empty preset, a No, then Read on row 02")
        shows(p, last_block(p))
        check("2: Preset02" in labels(p), f"labels {labels(p)}")
        does(p, lambda: (toolbar(p, *READ).answer("Cancel"), p.gone("Read Preset")), [], "Cancel")


@scenario
def store_dialog(desk):
    with unit(desk) as p:
        image = startup_image(p)
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
            if not typed and "Store Preset" not in p.windows():
                check(dialog.find(None, "combo box").name == "06", "Enter on row 06 kept 05")
                return dialog.answer("Cancel")
            check("Store Preset" in p.windows(), f"Enter after {typed or 'Down'} asks nothing")
            ask(p, "Store Preset", SURE, by_key="Return")
            got = p.sent(n, 169)
            check(got == stores(slot, image, name or centred(shown)), f"stored {got[-1]}")
        each(p, [(1, "", 1, b" Empty  "), (0, "Band", 0, None), (0, "łódź", 0, None)], enter)


# ---- preset files -------------------------------------------------------------------------
GROUP = "files"


def crafted_image():
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


def put(path, data):
    with open(path, "wb") as f:
        f.write(data)


def preset_folder(files, then=None):
    """Prepares a start directory with a Preset folder holding the given files."""
    def prepare(cwd):
        os.mkdir(os.path.join(cwd, "Preset"))
        for name, data in files.items():
            put(os.path.join(cwd, "Preset", name), data)
        if then:
            then(os.path.join(cwd, "Preset"))
    return prepare


def file_dialog(p, tip, title, name, overwrite=False):
    """Types `name` into the Open or Save dialog of a toolbar button and takes it."""
    replace_text(toolbar(p, tip, title).find("File name:", "text"), name)
    key("Return")
    if overwrite:
        p.box(title).answer("Yes")  # the dialog's own question
    p.gone(title)


@scenario
def load_then_save_gives_the_same_bytes(desk):
    image = crafted_image()
    with unit(desk, prepare=preset_folder({"crafted.Fbk": image, "café.Fbk": image})) as p:
        does(p, lambda: file_dialog(p, "Load Preset from PC", "Open", "crafted.Fbk"),
             applies(image), "loading a preset file")
        shows(p, image)
        check({"Preset loaded from PC", "crafted.Fbk"} <= labels(p), f"labels {labels(p)}")
        does(p, lambda: file_dialog(p, "Save Preset to PC", "Save As", "copy.Fbk"), [], "save")
        check(open(p.file("Preset/copy.Fbk"), "rb").read() == image, "the saved file differs")
        file_dialog(p, "Load Preset from PC", "Open", "café.Fbk")
        wait(lambda: "café.Fbk" in labels(p), f'"café.Fbk" in the name label, not {labels(p)}',
             10)


@scenario
def without_a_preset_folder_no_file_is_called_preset(desk):
    with unit(desk) as p:
        def offer(tip, title):
            offered = toolbar(p, tip, title).find("File name:", "text").text
            key("Return")  # take what is offered
            time.sleep(1)
            made = os.path.exists(p.file("Preset"))
            if made:
                os.remove(p.file("Preset"))
            check(offered != "Preset" and not made, f'{title} offers "{offered}" as the name'
                  + (' and makes a file "Preset"' if made else ""))
        each(p, [("Save Preset to PC", "Save As"), ("Load Preset from PC", "Open")], offer)


@scenario
def saving_over_special_files(desk):
    old, mine = crafted_image(), b"my own notes"

    def special(d):
        os.chmod(os.path.join(d, "ro.Fbk"), 0o444)
        os.symlink("real.Fbk", os.path.join(d, "link.Fbk"))
        put(os.path.join(d, "mine.Fbk.saving"), mine)
    files = {"ro.Fbk": old, "real.Fbk": old, "mine.Fbk": old}
    with unit(desk, prepare=preset_folder(files, special)) as p:
        image, path = startup_image(p) + b"\x00", lambda name: p.file("Preset/" + name)
        read = lambda name: open(path(name), "rb").read() if os.path.exists(path(name)) else b""

        def save(target, refused, holds):
            file_dialog(p, "Save Preset to PC", "Save As", target, overwrite=True)
            try:
                p.box(" Error", 5).answer("OK")
                said = True
            except Failure:
                said = False
            wrong = [what for what, ok in holds() if not ok]
            if said != refused:
                wrong.insert(0, "no error box" if refused else "an error box")
            check(not wrong, f"saving over {target}: {', '.join(wrong)}")
        each(p, [
            ("ro.Fbk", True, lambda: [
                ("the read-only file changed", read("ro.Fbk") == old),
                ("it is writable now", os.stat(path("ro.Fbk")).st_mode & 0o222 == 0)]),
            ("link.Fbk", False, lambda: [
                ("the link is no longer a link", os.path.islink(path("link.Fbk"))),
                ("its target does not hold the image", read("real.Fbk") == image)]),
            ("mine.Fbk", False, lambda: [
                ("mine.Fbk does not hold the image", read("mine.Fbk") == image),
                ("the user's mine.Fbk.saving was lost", read("mine.Fbk.saving") == mine)]),
        ], save)


@scenario
def loads_that_fail(desk):
    files = {"short.Fbk": bytes(100), "locked.Fbk": crafted_image()}
    with unit(desk, prepare=preset_folder(files, lambda d: os.chmod(d + "/locked.Fbk", 0))) as p:
        image = startup_image(p)

        def load(name, text):
            n = len(p.frames)
            replace_text(toolbar(p, "Load Preset from PC", "Open").find("File name:", "text"),
                         name)
            key("Return")
            boxes = wait(lambda: p.windows("alert"), f"a message for {name}", 10)
            said = p.box(boxes[0]).message
            check(boxes == [" Error"] and any(text in line for line in said),
                  f"{name} gave the box {boxes} {said}, not the program's")
            p.box(" Error").answer("OK")
            p.gone(" Error")
            check(p.frames[n:] == [], f"loading {name} sent {p.frames[n:]}")
            shows(p, image)
        each(p, [("nothere.Fbk", " File not found. Try again."), ("short.Fbk", ""),
                 ("locked.Fbk", "")], load)


# ---- line faults --------------------------------------------------------------------------
GROUP = "timeout"


def times_out(desk, fault, hold):
    """One real click (or a held button) on a gain arrow of a line that stopped answering:
    six identical frames 4 s apart, then "Time out" with the program idle; OK ends it."""
    with unit(desk, "", fault, "29") as p:
        c = p.controls()
        bar, (f, q, g) = c["Left notch 5 gain bar"], row(c, 0, 4)
        if fault == "--hangup-after":
            wait(lambda: p.wire.closed, "the unit to hang up")
        bar.press(0.25, 0.5, "mousedown", 1, *([] if hold else ["mouseup", 1]))
        clicked, cpu = time.monotonic(), p.cpu()
        try:
            try:
                box = p.box("VX-470 Remote", timeout=45)
            except Failure as e:
                raise Failure(f"{e}; the line saw {p.frames[29:]}")
            waited = time.monotonic() - clicked
            share = (p.cpu() - cpu) / waited
            check(box.message == ["Time out"], f"the box says {box.message}")
            check(15 < waited and share < 0.1,
                  f"Time out after {waited:.0f} s, {share:.0%} of a core meanwhile")
            share = p.cpu_share(3)  # with the button still held
            check(share < 0.1, f"{share:.0%} of a core while the Time out box shows")
            check(g - bar.value <= 1, f"the gain moved from {g} to {bar.value}")
        finally:
            xdo("mouseup", 1)
        wire = p.frames[29:]
        check(wire == [notch(0, 4, f, q, g - 1)] * 6 or fault == "--hangup-after" and not wire,
              f"the line saw {wire}")
        gaps = [round(b - a, 1) for a, b in zip(p.wire.times[29:], p.wire.times[30:])]
        check(all(3 <= s <= 5.5 for s in gaps), f"resends {gaps} s apart")
        box.answer("OK")
        p.ended()
        check(p.frames[29:] == wire, f"frames after the Time out: {p.frames[35:]}")


@scenario
def a_line_that_dies_with_the_button_held(desk):
    times_out(desk, "--die-after", hold=True)


@scenario
def a_line_that_hangs_up(desk):
    times_out(desk, "--hangup-after", hold=False)


# ---- running ------------------------------------------------------------------------------

def as_ordinary_user(argv):
    """Runs the suite again as nobody: as root a mode-000 file can still be read and a
    read-only one written, and those cases could not fail."""
    stage = tempfile.mkdtemp(prefix="vx470-blackbox-")
    os.chmod(stage, 0o755)
    for f in ("harness.py", "scenarios.py"):
        shutil.copy(os.path.join(os.path.dirname(os.path.abspath(__file__)), f), stage)
    programs = [shutil.copy(a, stage) for a in argv[1:3]]
    home = os.path.join(stage, "home")
    os.mkdir(home, 0o700)
    os.chown(home, 65534, 65534)
    try:
        return subprocess.call(
            ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--pdeathsig",
             "TERM", sys.executable, os.path.join(stage, "scenarios.py"), *programs, *argv[3:]],
            env=dict(os.environ, HOME=home, XDG_RUNTIME_DIR=home))
    finally:
        shutil.rmtree(stage, ignore_errors=True)


def main(argv):
    if os.geteuid() == 0:
        return as_ordinary_user(argv)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))  # and clean up on the way out
    chosen = [fn for fn in GROUPS[argv[3]] if fn.__name__ in argv[4:] or len(argv) < 5]
    desk, failed = Desktop(argv[1], argv[2]), []
    try:
        for fn in chosen:
            start = time.monotonic()
            try:
                fn(desk)
                verdict = "ok"
            except Exception as e:
                failed.append(fn.__name__)
                verdict = "FAIL: " + (str(e) if isinstance(e, Failure) else traceback.format_exc())
            print(f"{fn.__name__} ({time.monotonic() - start:.0f} s): {verdict}", flush=True)
    finally:
        desk.close()
    print(f"{len(chosen) - len(failed)} of {len(chosen)} passed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

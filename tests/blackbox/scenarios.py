"""Black-box scenarios of vx470 against vx470-sim, driven through the screen.

    scenarios.py VX470 VX470_SIM GROUP [SCENARIO ...]

Runs every scenario of GROUP (or the named ones) on a private X display and prints one line
per scenario; the exit status is 1 when any failed."""
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
TITLE = "VX-470 - Remote Control Software"
NO_LABEL = ("", "Label8")  # an empty name label reads as its control's name
GROUPS = {}


def scenario(group):
    def register(fn):
        GROUPS.setdefault(group, []).append(fn)
        return fn
    return register


# ---- what the unit sees -------------------------------------------------------------------

def notch_frame(ch, k, f, q, g):
    return frame(7, ch, k, f >> 8, f & 255, q, g)


def write_frames(address, data):
    return [frame(0x11, (address + i) >> 8, (address + i) & 255, 0, b) for i, b in enumerate(data)]


def store_frames(slot, image, name):
    return (write_frames(288 + 160 * slot, image) + write_frames(3872 + 8 * slot, name) +
            [frame(0x11, 0, 48 + slot, 0, 0x55)])


def startup_frames(c, used=()):
    names = [a for p in used for a in range(3872 + 8 * (p - 5), 3880 + 8 * (p - 5))]
    return ([frame(0)] + [frame(0x10, 0, a) for a in range(48, 64)] +
            [frame(0x10, a >> 8, a & 255) for a in names + list(range(112, 120))] +
            [frame(11, 255), frame(10, 0, *section(c, 0)), frame(10, 1, *section(c, 0)),
             frame(10, 2, *section(c, 1))])


def centred(name):
    n = len(name)
    return (" " * ((9 - n) // 2) + name + " " * ((8 - n) // 2))[:8].encode("cp1252")


# ---- what the editor shows ----------------------------------------------------------------

def row(c, ch, k):
    """Frequency index, Q code and gain code of notch row k (from 0) of channel ch."""
    v = lambda what: int(c[f"{SIDES[ch]} notch {k + 1} {what} bar"].value)
    return v("frequency"), v("Q"), v("gain")


def panel(c, ch):
    v = lambda what: int(c[f"{SIDES[ch]} {what}"].value)
    return (v("number of automatic notches") + 1, v("Q of automatic notches"), v("attenuation"),
            v("sensitivity slider"), v("release"), v("search mode"))


def section(c, ch):
    return panel(c, ch)[:4]


def copy_frames(c, source):
    """What copying channel `source` onto the other sends, from what the editor shows."""
    to = 1 - source
    n, q, a, s, r, m = panel(c, source)
    channel = [frame(10, to + 1, n, q, a, s)] * 4 + [frame(0x31, to, 0, 0, r, m)] * 2
    if source == 1:  # sensitivity goes last when copying to the Left
        channel = channel[:3] + channel[4:] + channel[3:4]
    return [notch_frame(to, k, *row(c, source, k)) for k in range(12)] + channel


def apply_frames(image):
    """What loading a preset file sends: every notch, then each channel's settings."""
    out = [notch_frame(n // 12, n % 12, image[o + 1] * 256 + image[o + 2], image[o + 3], image[o])
           for n in range(24) for o in [28 + 4 * n + 32 * (n // 12)]]
    for ch in (0, 1):
        b = image[80 * ch:80 * ch + 80]
        out += [frame(10, ch + 1, *b[76:80])] * 4 + [frame(0x31, ch, 0, 0, b[20], b[21])] * 2
    return out


def shows_image(p, image):
    """The editor's controls hold the 160-byte image; automatic rows take the automatic Q."""
    c, wrong = p.controls(), []
    for ch in (0, 1):
        b = image[80 * ch:80 * ch + 80]
        for k in range(12):
            g, hi, lo, q = b[28 + 4 * k:32 + 4 * k]
            q = b[77] if k < b[76] else q
            if row(c, ch, k) != (hi * 256 + lo, q, g):
                wrong.append(f"{SIDES[ch]} notch {k + 1} shows {row(c, ch, k)}")
        if panel(c, ch) != (b[76], b[77], b[78], b[79], b[20], b[21]):
            wrong.append(f"{SIDES[ch]} panel shows {panel(c, ch)}, image {tuple(b[76:80])}")
    check(not wrong, "the editor does not show the image: " + "; ".join(wrong))


def startup_image(p):
    """The running image the unit sent at start-up (the reply to 11 255)."""
    return bytes(p.wire.inbound[-160 - 30:-30])


def label(p, name):
    return p.find(name, "label")


def labels(p):
    return {w.name for w in p.main().all("label")}


def exactly(p, since, expected, what, settle=1.5):
    """The line sees exactly the expected frames from index `since` on, and then rests."""
    try:
        got = p.sent(since, len(expected), settle) if expected else []
    except Failure:
        pass
    if not expected:
        time.sleep(settle)
    got = p.frames[since:]
    check(got == expected, f"{what}: expected {len(expected)} frame(s) {expected[:3]}, "
                           f"the line saw {len(got)}: {got[:6]}")


def no_box(p, title, seconds=2.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        check(title not in p.windows(), f'a "{title}" box appeared')
        time.sleep(0.2)


def ask(p, title, text, answer, by_key=None):
    box = p.box(title)
    check(any(text in line for line in box.message), f'"{title}" says {box.message}, not {text!r}')
    key(by_key) if by_key else box.answer(answer)
    p.gone(title, "alert")


def unit(desk, presets="5,9", *sim):
    used = [int(x) for x in presets.split(",")] if presets else []
    p = Program(desk, sim=["--presets", presets, *sim] if presets else list(sim))
    return p.ready(29 + 8 * len(used))


# ---- start-up and exit --------------------------------------------------------------------

@scenario("startup")
def start_up_with_a_unit_then_exit(desk):
    with unit(desk) as p:
        c = p.controls()
        exactly(p, 0, startup_frames(c, (5, 9)), "start-up read-out")
        shows_image(p, startup_image(p))
        check("Preset loaded from Device" in labels(p), "no status label")
        check(c["Label8"].role == "label", "the name label is not empty")
        with open(p.file("init.cfg"), "rb") as f:
            check(f.read() == b"\x01\x00", "init.cfg does not hold port 1")
        n = len(p.frames)
        key("alt+F4")
        box = p.box("Exit")
        check(box.message == ["               Are you sure ? "], f"exit asks {box.message}")
        check(box.find("No", "push button").default, "No is not the default of Exit")
        key("Return")  # the default: stay
        p.gone("Exit")
        exactly(p, n, [], "Enter on the exit question")
        check(p.proc.poll() is None, "Enter on the exit question ended the program")
        key("alt+F4")
        p.box("Exit").answer("Yes")
        check(p.ended() == 0, "a confirmed exit did not end with status 0")
        check(p.frames[n:] == [frame(15)], f"exit sent {p.frames[n:]}")


def no_unit(desk):
    """vx470 with one port that opens but never answers: the probe, then the demo question."""
    p = Program(desk, sim=["--silent"])
    with p.closed_on_failure():
        box = p.box("Warning", timeout=60)
        check(box.message == ["COM not found, do you want continue in demo mode?"],
              f"demo question says {box.message}")
    return p


@scenario("startup")
def demo_mode(desk):
    with no_unit(desk) as p:
        p.box("Warning").answer("Yes")
        p.window("VX-470 - DEMO - Remote Control Software", "frame")
        with open(p.file("init.cfg"), "rb") as f:
            check(f.read() == b"\x23\x00", "init.cfg does not hold port 35")
        c = p.controls()
        check(panel(c, 0)[0] == 11 and row(c, 1, 11)[2] == 45, "demo image not shown")
        bar = c["Left notch 12 gain bar"]
        bar.click(0.25)
        wait(lambda: bar.value == 44, "the demo gain to step")
        key("alt+F4")
        p.box("Exit").answer("Yes")
        check(p.ended() == 0, "demo exit did not end with status 0")
        check(p.frames == [frame(0)], f"demo mode sent {p.frames[1:]}")


@scenario("startup")
def demo_refused(desk):
    with no_unit(desk) as p:
        p.box("Warning").answer("No")
        check(p.ended() == 0, "refusing demo mode did not end with status 0")
        check(p.frames == [frame(0)], f"refusing demo mode sent {p.frames[1:]}")


# ---- editing ------------------------------------------------------------------------------

@scenario("editing")
def notch_bars_by_arrow_and_key(desk):
    with unit(desk) as p:
        c = p.controls()
        gain, text = c["Left notch 5 gain bar"], c["Left notch 5 gain"]
        f, q, g = row(c, 0, 4)
        # (what, expected gain code afterwards, the frame's gain); one action = one frame
        for action, code in [(lambda: gain.click(0.25), 44), (lambda: key("Right"), 45),
                             (lambda: key("Down"), 44), (lambda: key("Left"), 43),
                             (lambda: key("Up"), 44)]:
            n = len(p.frames)
            action()
            exactly(p, n, [notch_frame(0, 4, f, q, code)], f"gain step to {code}")
            check(gain.value == code and text.text == str(code - 45),
                  f"gain shows {gain.value} / {text.text}, not {code}")
        n = len(p.frames)
        c["Left notch 5 Q bar"].click(0.75)
        exactly(p, n, [notch_frame(0, 4, f, q + 1, 44)], "Q arrow")
        check(c["Left notch 5 Q"].text == ["1/70", "1/20", "1/10", "1/5"][q + 1], "Q text")
        n = len(p.frames)
        c["Left notch 5 frequency bar"].click(0.75)
        exactly(p, n, [notch_frame(0, 4, f + 1, q + 1, 44)], "frequency arrow")
        n = len(p.frames)
        c["Left notch 1 gain bar"].click(0.25)  # an automatic row: disabled
        exactly(p, n, [], "a click on an automatic row")


@scenario("editing")
def automatic_panel_by_page_thumb_arrow_and_key(desk):
    with unit(desk) as p:
        c = p.controls()
        n0, q0, a0, s0, r0, m0 = panel(c, 0)
        arrow = c["Left notch 1 gain bar"].extents()[2] // 2  # those bars are two arrows
        steps = [  # (action, the frames it sends)
            (lambda: c["Left number of automatic notches"].click(0.7),
             [frame(10, 1, n0 + 1, q0, a0, s0)]),
            (lambda: drag_to_start(c["Left Q of automatic notches"], arrow, q0 / 3),
             [frame(10, 1, n0 + 1, q, a0, s0) for q in range(q0 - 1, -1, -1)]),
            (lambda: c["Left attenuation"].click(0.05 if a0 else 0.95),
             [frame(10, 1, n0 + 1, 0, 1 - a0, s0)]),
            (lambda: c["Left release"].click(0.05 if r0 else 0.95),
             [frame(0x31, 0, 0, 0, 1 - r0, m0)]),
            (lambda: c["Left search mode"].click(0.05 if m0 else 0.95),
             [frame(0x31, 0, 0, 0, 1 - r0, 1 - m0)]),
            (lambda: c["Left search mode"].click(0.05 if m0 else 0.95), []),  # now at its end
            (lambda: key("Tab", "End"), [frame(10, 1, n0 + 1, 0, 1 - a0, 15)]),  # the slider
            (lambda: key("Left"), [frame(10, 1, n0 + 1, 0, 1 - a0, 14)]),
        ]
        for action, expected in steps:
            n = len(p.frames)
            action()
            exactly(p, n, expected, f"{expected[:1]}")
        check(c["Left sensitivity"].text == "15", "the sensitivity text does not follow")
        check(label(p, str(n0 + 1)), "number of automatic notches not shown")
        check(not c["Left notch 5 gain bar"].enabled, "row 5 stays editable with 5 automatic")
        check(c["Left notch 1 Q"].text == "1/70", "automatic rows do not take the automatic Q")


def drag_to_start(bar, arrow, top):
    """Drags the thumb of a bar at the value `top` of its maximum to the bar's start, a pixel
    at a time, so that it passes every value on the way."""
    x, y, w, h = bar.extents()
    # this point of the groove is under the thumb whatever the thumb's length
    grab = int(x + arrow + (w - 2 * arrow) * top)
    xdo("mousemove", "--sync", grab, y + h // 2, "mousedown", 1)
    for px in range(grab - 1, x + arrow - 1, -1):
        xdo("mousemove", "--sync", px, y + h // 2, "sleep", 0.03)
    xdo("mouseup", 1)


def replace_text(box, text):
    box.click()
    key("ctrl+a")
    type_text(text)


@scenario("editing")
def typed_entries(desk):
    with unit(desk) as p:
        c = p.controls()
        f, q, g = row(c, 0, 5)
        n0, q0, a0, s0 = section(c, 0)
        # (box, typed, shown afterwards, the frame it sends)
        for name, typed, shown, sent in [
                ("Left notch 6 frequency", "1000", "1003", notch_frame(0, 5, 413, q, g)),
                ("Left notch 6 gain", "-50", "-45", notch_frame(0, 5, 413, q, 0)),
                ("Left notch 6 gain", "3", "0", notch_frame(0, 5, 413, q, 45)),
                ("Left sensitivity", "20", "16", frame(10, 1, n0, q0, a0, 15))]:
            n = len(p.frames)
            replace_text(c[name], typed)
            key("Return")
            exactly(p, n, [sent], f"{typed} typed in {name}")
            check(c[name].text == shown, f"{name} shows {c[name].text!r}, not {shown}")
        check(int(c["Left notch 6 frequency bar"].value) == 413, "frequency bar not at 413")
        check(int(c["Left sensitivity slider"].value) == 15, "slider not at 15")
        n = len(p.frames)
        replace_text(c["Left notch 7 gain"], "a")
        ask(p, "Warning", "  Incorrect value", "OK")
        check("?" in c["Left notch 7 gain"].text, "no ? after a rejected key")
        exactly(p, n, [], "a rejected key")


@scenario("editing")
def resets(desk):
    with unit(desk) as p:
        c = p.controls()
        for button, ch, kind, answer in [("Left Reset Notch Manual", 0, "manual", "No"),
                                         ("Left Reset Notch Manual", 0, "manual", "Yes"),
                                         ("Right Reset Notch Automatic", 1, "automatic", "Yes"),
                                         ("Left Reset Notch Automatic", 0, "automatic", "Yes"),
                                         ("Right Reset Notch Manual", 1, "manual", "Yes")]:
            autos = panel(c, ch)[0]
            rows = range(autos, 12) if kind == "manual" else range(autos)
            expected = [notch_frame(ch, k, *row(c, ch, k)[:2], 45) for k in rows]
            n = len(p.frames)
            c[button].click()
            ask(p, "Reset Filter", f"Reset all Notch filter {kind}, Are you sure ?", answer)
            exactly(p, n, expected if answer == "Yes" else [], f"{button} {answer}")
        check(all(row(c, ch, k)[2] == 45 for ch in (0, 1) for k in range(12)), "gain left")


@scenario("editing")
def copies(desk):
    for source, tip in [(0, "Copy Left to Right"), (1, "Copy Right to Left")]:
        with unit(desk) as p:
            c = p.controls()
            button = c[tip]
            expected = copy_frames(c, source)
            n = len(p.frames)
            button.click()
            ask(p, tip, f"Copy Channel {tip[5:]}, Are you sure ?", "No")
            exactly(p, n, [], f"{tip} answered No")
            button.click()
            ask(p, tip, f"Copy Channel {tip[5:]}, Are you sure ?", "Yes")
            exactly(p, n, expected, f"{tip} answered Yes")
            check(all(row(c, 0, k) == row(c, 1, k) for k in range(12)), f"{tip}: rows differ")


@scenario("editing")
def link(desk):
    with unit(desk) as p:
        shown = time.monotonic()
        c = p.controls()
        box = c["Link channel Left & Right"]
        expected = copy_frames(c, 0)
        time.sleep(max(0.0, shown + 4 - time.monotonic()))  # the 3-s compare has run
        for answer in ("No", "Yes"):
            n = len(p.frames)
            box.click()
            lines = "\r\n".join(["      You requested to Link channel Left & Right  ",
                                 "        This will copy channel Left to Right     ",
                                 "                     confirm?                    "])
            ask(p, "Link Left & Right", lines, answer)
            exactly(p, n, expected if answer == "Yes" else [], f"link answered {answer}")
            check(box.checked == (answer == "Yes"), f"link box after {answer}")
        n = len(p.frames)
        f, q, g = row(c, 0, 6)
        c["Left notch 7 gain bar"].click(0.25)
        exactly(p, n, [notch_frame(0, 6, f, q, g - 1), notch_frame(1, 6, f, q, g - 1)],
                "a linked step")
        check(row(c, 1, 6) == (f, q, g - 1), "the linked row did not follow")
        box.click()
        wait(lambda: not box.checked, "the link box to clear")
        n = len(p.frames)
        c["Left notch 7 gain bar"].click(0.25)
        exactly(p, n, [notch_frame(0, 6, f, q, g - 2)], "a step after unlinking")


# ---- feedback search ----------------------------------------------------------------------

@scenario("search")
def search_with_reports_and_exit(desk):
    with unit(desk, "5,9", "--search-interval", "300") as p:
        c = p.controls()
        n0, q0, a0, s0 = section(c, 0)
        n, inbound = len(p.frames), len(p.wire.inbound)
        start = n
        c["Search Feedback L"].click()
        got = p.sent(n, 4, settle=0)
        check(got[0] == frame(10, 1, n0, q0, a0, s0, 1), f"search started with {got[0]}")
        check(set(got[1:]) == {frame(0x30)}, f"reports were answered with {got[1:]}")
        locked = ["Left notch 5 gain bar", "Right number of automatic notches", "Left release",
                  "Left sensitivity slider", "Link channel Left & Right", "Search Feedback R",
                  "Search Feedback L&R", "Left Reset Notch Manual", "Load Preset from PC",
                  "Copy Right to Left", "Read Preset from device"]
        open_ = [w for w in locked if c[w].enabled]
        check(not open_, f"still enabled during a search: {open_}")
        key("alt+F4")
        no_box(p, "Exit")
        check(p.proc.poll() is None, "closing during a search ended the program")
        n = len(p.frames)
        c["Search Feedback L"].click()
        stops = [f for f in p.sent(n, 4) if f != frame(0x30)]
        check(stops == [frame(10, 0, n0, q0, a0, s0)] * 4, f"search stopped with {stops}")
        # the reports answered, in order, after the reply to the start frame
        acks, placed = p.frames[start:].count(frame(0x30)), {}
        for i in range(acks):
            r = p.wire.inbound[inbound + 10 + 10 * i:inbound + 20 + 10 * i]
            n = (0 if r[1] == 0 else 1, r[2])
            if r[0] == 0xFE or (r[0] == 0xFD and n in placed):
                placed[n] = (r[5] if r[0] == 0xFE else placed[n][0], r[6])
        check(acks >= 3, f"only {acks} reports during the search")
        shown = {n: row(c, *n)[1:] for n in placed}
        check(shown == placed, f"the rows show {shown}, the reports said {placed}")
        check(c["Left notch 5 gain bar"].enabled, "the rows stay locked")
        check(c["Load Preset from PC"].enabled, "the toolbar stays locked")
        key("alt+F4")
        n = len(p.frames)
        p.box("Exit").answer("Yes")
        check(p.ended() == 0, "exit after a search did not end with status 0")
        check(p.frames[n:] == [frame(15)], f"exit sent {p.frames[n:]}")


# ---- device presets -----------------------------------------------------------------------

def open_dialog(p, tip, title):
    p.find(tip, "push button").click()
    return p.window(title, "dialog")


def cell(dialog, number):
    return dialog.find(number, "table cell")


@scenario("presets")
def read_by_keyboard(desk):
    with unit(desk) as p:
        dialog = open_dialog(p, "Read Preset from device", "Read Preset")
        key(*["Down"] * 8)
        wait(lambda: cell(dialog, "Stage 09").has(harness.pyatspi.STATE_SELECTED), "row 09")
        n = len(p.frames)
        key("Return")
        ask(p, "Read Preset", "Overwrite current editing with the preset 9, are you sure ? ",
            "Yes", by_key="Return")
        p.gone("Read Preset")
        exactly(p, n, [frame(11, 8)], "reading preset 9")
        shows_image(p, bytes(p.wire.inbound[-160:]))
        check({"9: Stage 09", "Preset loaded from Device"} <= labels(p), f"labels {labels(p)}")


@scenario("presets")
def read_by_mouse(desk):
    with unit(desk) as p:
        dialog = open_dialog(p, "Read Preset from device", "Read Preset")
        n = len(p.frames)
        cell(dialog, "06").click(count=2)
        ask(p, "Read Preset", "Preset empty", "OK")
        cell(dialog, "02").click(count=2)
        ask(p, "Read Preset", "Overwrite current editing with the preset 2, are you sure ? ",
            "No")
        check("Read Preset" in p.windows(), "the Read dialog closed after No")
        exactly(p, n, [], "an empty preset and a No")
        dialog.find("Read", "push button").click()  # row 02 is the current one now
        ask(p, "Read Preset", "with the preset 2,", "Yes")
        exactly(p, n, [frame(11, 1)], "reading preset 2")
        shows_image(p, bytes(p.wire.inbound[-160:]))
        check("2: Preset02" in labels(p), f"labels {labels(p)}")
        n = len(p.frames)
        open_dialog(p, "Read Preset from device", "Read Preset").find(
            "Cancel", "push button").click()
        p.gone("Read Preset")
        exactly(p, n, [], "Cancel")


@scenario("presets")
def store_by_mouse(desk):
    with unit(desk) as p:
        image = startup_image(p)
        dialog = open_dialog(p, "Store Preset to device", "Store preset")
        cell(dialog, "09").click(count=2)
        wait(lambda: dialog.find("Edit Name", "text").text == "Stage 09", "the name of 09")
        check(dialog.find(None, "combo box").name == "09", "the position is not 09")
        n = len(p.frames)
        dialog.find("Store", "push button").click()
        ask(p, "Store Preset", "               Are you sure ? ", "No")
        exactly(p, n, [], "a store answered No")
        dialog.find("Store", "push button").click()
        ask(p, "Store Preset", "               Are you sure ? ", "Yes")
        exactly(p, n, store_frames(4, image, b"Stage 09"), "storing to 09")
        p.gone("Store preset")
        check("9: Stage 09" in labels(p), f"labels {labels(p)}")


@scenario("presets")
def store_by_keyboard(desk):
    """Enter in the list stores to the row it shows highlighted, or takes that row;
    Enter in the name box stores."""
    with unit(desk) as p:
        image = startup_image(p)
        dialog = open_dialog(p, "Store Preset to device", "Store preset")
        key("Down")
        n = len(p.frames)
        key("Return")
        time.sleep(1)
        if "Store Preset" in p.windows():
            ask(p, "Store Preset", "Are you sure ?", "Yes")
            exactly(p, n, store_frames(1, image, centred(" Empty  ")), "Enter on row 06")
            dialog = open_dialog(p, "Store Preset to device", "Store preset")
        else:
            check(dialog.find(None, "combo box").name == "06", "Enter on row 06 kept 05")
        slot = int(dialog.find(None, "combo box").name) - 5
        replace_text(dialog.find("Edit Name", "text"), "Band")
        n = len(p.frames)
        key("Return")
        ask(p, "Store Preset", "               Are you sure ? ", "Yes", by_key="Return")
        exactly(p, n, store_frames(slot, image, b"  Band  "), "Enter in the name box")


@scenario("presets")
def store_name_takes_only_windows_1252(desk):
    with unit(desk) as p:
        image = startup_image(p)
        dialog = open_dialog(p, "Store Preset to device", "Store preset")
        name = dialog.find("Edit Name", "text")
        replace_text(name, "łódź")
        time.sleep(0.5)
        shown = name.text
        check(shown != "łódź", "the name box holds łódź")
        try:
            coded = shown.encode("cp1252")
        except UnicodeEncodeError:
            raise Failure(f"the name box holds {shown!r}, not all Windows-1252")
        n = len(p.frames)
        dialog.find("Store", "push button").click()
        ask(p, "Store Preset", "Are you sure ?", "Yes")
        exactly(p, n, store_frames(0, image, centred(coded.decode("cp1252"))),
                f"storing {shown!r}")


# ---- preset files -------------------------------------------------------------------------

def crafted_image():
    b = bytearray(161)
    for ch in (0, 1):
        for k in range(12):
            o = 80 * ch + 28 + 4 * k
            f, autos = 60 * k + 7 * ch, 2 + 3 * ch
            q = 1 + ch if k < autos else (k + ch) % 4
            b[o:o + 4] = bytes([3 * k + ch, f >> 8, f & 255, q])
        b[80 * ch + 76:80 * ch + 80] = bytes([autos, 1 + ch, ch, 5 + ch])
        b[80 * ch + 20:80 * ch + 22] = bytes([ch, 1 - ch])
    b[160] = 0x5A
    return bytes(b)


def put(path, data):
    with open(path, "wb") as f:
        f.write(data)


def with_presets(files):
    """A start directory with a Preset folder holding the given files."""
    def prepare(cwd):
        os.mkdir(os.path.join(cwd, "Preset"))
        for name, data in files.items():
            put(os.path.join(cwd, "Preset", name), data)
    return prepare


def file_dialog(p, tip, title, name, overwrite=False):
    """Types `name` into the Open or Save dialog of the toolbar button `tip` and takes it."""
    dialog = open_dialog(p, tip, title)
    field = dialog.find("File name:", "text")
    replace_text(field, name)
    key("Return")
    if overwrite:
        p.box(title).answer("Yes")  # the dialog's own question
    p.gone(title)


def started_with(desk, prepare):
    p = Program(desk, sim=["--presets", "5,9"], prepare=prepare)
    return p.ready(45)


@scenario("files")
def load_then_save_gives_the_same_bytes(desk):
    image = crafted_image()
    with started_with(desk, with_presets({"crafted.Fbk": image, "café.Fbk": image})) as p:
        n = len(p.frames)
        file_dialog(p, "Load Preset from PC", "Open", "crafted.Fbk")
        exactly(p, n, apply_frames(image), "loading a preset file")
        shows_image(p, image[:160])
        check({"Preset loaded from PC", "crafted.Fbk"} <= labels(p), f"labels {labels(p)}")
        n = len(p.frames)
        file_dialog(p, "Save Preset to PC", "Save As", "copy.Fbk")
        wait(lambda: os.path.exists(p.file("Preset/copy.Fbk")), "copy.Fbk")
        with open(p.file("Preset/copy.Fbk"), "rb") as f:
            check(f.read() == image, "the saved file differs from the loaded one")
        exactly(p, n, [], "saving")
        file_dialog(p, "Load Preset from PC", "Open", "café.Fbk")
        wait(lambda: "café.Fbk" in labels(p), f'"café.Fbk" in the name label, not {labels(p)}',
             10)


@scenario("files")
def without_a_preset_folder_no_file_is_called_preset(desk):
    with started_with(desk, None) as p:
        def offer(tip, title):
            offered = open_dialog(p, tip, title).find("File name:", "text").text
            key("Return")  # take what is offered
            time.sleep(1)
            close_all(p)
            made = os.path.exists(p.file("Preset"))
            if made:
                os.remove(p.file("Preset"))
            check(offered != "Preset" and not made, f'{title} offers "{offered}" as the name'
                  + (' and makes a file "Preset"' if made else ""))
        each(p, [("Save Preset to PC", "Save As"), ("Load Preset from PC", "Open")], offer)


@scenario("files")
def saving_over_special_files(desk):
    old, mine = crafted_image(), b"my own notes"

    def prepare(cwd):
        d = os.path.join(cwd, "Preset")
        with_presets({"ro.Fbk": old, "real.Fbk": old, "mine.Fbk": old})(cwd)
        os.chmod(os.path.join(d, "ro.Fbk"), 0o444)
        os.symlink("real.Fbk", os.path.join(d, "link.Fbk"))
        put(os.path.join(d, "mine.Fbk.saving"), mine)
    with started_with(desk, prepare) as p:
        image = startup_image(p) + b"\x00"
        path = lambda name: p.file("Preset/" + name)
        read = lambda name: open(path(name), "rb").read()

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
                ("the user's mine.Fbk.saving was lost",
                 os.path.exists(path("mine.Fbk.saving")) and read("mine.Fbk.saving") == mine)]),
        ], save)


@scenario("files")
def loads_that_fail(desk):
    def prepare(cwd):
        with_presets({"short.Fbk": bytes(100), "locked.Fbk": crafted_image()})(cwd)
        os.chmod(os.path.join(cwd, "Preset", "locked.Fbk"), 0)
    with started_with(desk, prepare) as p:
        image = startup_image(p)

        def load(name, text):
            n = len(p.frames)
            replace_text(open_dialog(p, "Load Preset from PC", "Open").find("File name:", "text"),
                         name)
            key("Return")
            try:
                boxes = wait(lambda: p.windows("alert"), f"a message for {name}", 10)
            finally:
                said = p.box(boxes[0]).message if p.windows("alert") else []
                close_all(p)
            check(boxes == [" Error"] and (text is None or text in said),
                  f"{name} gave the box {boxes} {said}, not the program's")
            exactly(p, n, [], f"loading {name}")
            shows_image(p, image)
        each(p, [("nothere.Fbk", " File not found. Try again."), ("short.Fbk", None),
                 ("locked.Fbk", None)], load)


def each(p, cases, run):
    """Runs every case of a table, even after one failed, and fails with all that did."""
    problems = []
    for case in cases:
        try:
            run(*case)
        except Failure as e:
            problems.append(str(e))
            close_all(p)
    check(not problems, " | ".join(problems))


def close_all(p):
    """Escapes from whatever boxes and dialogs are left over the main window."""
    for _ in range(5):
        if len(p.windows()) <= 1:
            return
        key("Escape")
        time.sleep(0.5)


# ---- line faults --------------------------------------------------------------------------

def times_out(desk, fault, hold):
    """One real click (or a held button) on a gain arrow of a line that stopped answering:
    six identical frames 4 s apart, then "Time out" with the program idle, and OK ends it."""
    with unit(desk, "", fault, "29") as p:
        bar = p.find("Left notch 5 gain bar", "scroll bar")
        before = bar.value
        f, q, g = row(p.controls(), 0, 4)
        x, y = bar.point(0.25)
        xdo("mousemove", "--sync", x, y, "mousedown", 1)
        if not hold:
            xdo("mouseup", 1)
        clicked, cpu = time.monotonic(), p.cpu()
        try:
            try:
                box = p.box("VX-470 Remote", timeout=45)
            except Failure as e:
                raise Failure(f"{e}; the line saw {p.frames[29:]}")
            waited = time.monotonic() - clicked
            share = (p.cpu() - cpu) / waited
            check(box.message == ["Time out"], f"the box says {box.message}")
            check(15 < waited, f"Time out after {waited:.0f} s")
            check(share < 0.1, f"{share:.0%} of a core while the line was waited for")
            share = p.cpu_share(3)  # the button still held
            check(share < 0.1, f"{share:.0%} of a core while the Time out box shows")
            check(before - bar.value <= 1, f"the gain moved from {before} to {bar.value}")
        finally:
            xdo("mouseup", 1)
        if fault == "--die-after":
            wire = p.frames[29:]
            check(wire == [notch_frame(0, 4, f, q, g - 1)] * 6, f"the line saw {wire}")
            gaps = [round(b - a, 1) for a, b in zip(p.wire.times[29:], p.wire.times[30:])]
            check(all(3 <= s <= 5.5 for s in gaps), f"resends {gaps} s apart")
        box.answer("OK")
        p.ended()
        check(len(p.frames) <= 35, f"frames after the Time out: {p.frames[35:]}")


@scenario("timeout")
def a_line_that_dies_with_the_button_held(desk):
    times_out(desk, "--die-after", hold=True)


@scenario("timeout")
def a_line_that_hangs_up(desk):
    times_out(desk, "--hangup-after", hold=False)


# ---- running ------------------------------------------------------------------------------

def as_ordinary_user(argv):
    """Runs the suite again as nobody: as root a mode-000 file can still be read and a
    read-only one written, and those cases could not fail."""
    stage = tempfile.mkdtemp(prefix="vx470-blackbox-")
    os.chmod(stage, 0o755)
    here = os.path.dirname(os.path.abspath(__file__))
    for f in ("harness.py", "scenarios.py"):
        shutil.copy(os.path.join(here, f), stage)
    programs = [shutil.copy(a, stage) for a in argv[1:3]]
    home = os.path.join(stage, "home")
    os.mkdir(home, 0o700)
    os.chown(home, 65534, 65534)
    env = dict(os.environ, HOME=home, XDG_RUNTIME_DIR=home)
    try:
        return subprocess.call(["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                "--pdeathsig", "TERM", sys.executable,
                                os.path.join(stage, "scenarios.py"), *programs, *argv[3:]],
                               env=env)
    finally:
        shutil.rmtree(stage, ignore_errors=True)


def main(argv):
    if os.geteuid() == 0:
        return as_ordinary_user(argv)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))  # and clean up on the way out
    chosen = [fn for fn in GROUPS[argv[3]] if len(argv) < 5 or fn.__name__ in argv[4:]]
    desk = Desktop()
    desk.vx, desk.sim = argv[1], argv[2]
    failed = []
    try:
        for fn in chosen:
            start = time.monotonic()
            try:
                fn(desk)
                verdict = "ok"
            except Exception as e:
                failed.append(fn.__name__)
                verdict = "FAIL: " + (str(e) if isinstance(e, Failure) else
                                      traceback.format_exc())
            print(f"{fn.__name__} ({time.monotonic() - start:.0f} s): {verdict}", flush=True)
    finally:
        desk.close()
    print(f"{len(chosen) - len(failed)} of {len(chosen)} passed")
    return 1 if failed else 0


import harness  # noqa: E402  (pyatspi is imported once the buses run)

if __name__ == "__main__":
    sys.exit(main(sys.argv))

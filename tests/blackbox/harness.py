"""Drives the built vx470 as a user does: a private X server with a window manager, a session
bus and the accessibility bus; widgets found through AT-SPI by name and role; real mouse and
keys through xdotool; the serial line tapped between the program and vx470-sim."""
import contextlib
import ctypes
import os
import select
import shutil
import signal
import subprocess
import tempfile
import threading
import time
import tty

WAIT = 30.0  # seconds for anything the program should do "at once", on a loaded machine
pyatspi = None  # imported once the accessibility bus runs


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait(condition, what, timeout=WAIT):
    """Polls condition() until it gives something true, and returns that."""
    start = time.monotonic()
    while True:
        try:
            result = condition()
        except Exception:  # a widget that went away while it was read
            result = None
        if result:
            if time.monotonic() - start > 10:  # slow: worth knowing when a run fails
                print(f"  ({time.monotonic() - start:.0f} s for {what})", flush=True)
            return result
        if time.monotonic() - start > timeout:
            raise Failure(f"waited {timeout:.0f} s for {what}")
        time.sleep(0.1)


def frame(*args):
    """The 10 bytes on the line for up to seven argument bytes (zero-padded), in hex."""
    return " ".join(f"{b:02X}" for b in [0xF0, 0x5B, *args, *[0] * (7 - len(args)), 0xF7])


def xdo(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True)


def key(*keys):
    xdo("key", "--clearmodifiers", "--delay", 60, *keys)


def type_text(text):
    xdo("type", "--delay", 80, "--", text)


def with_parent():
    """In a child of the suite: end when the suite ends, however it ends."""
    ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def start(argv, **kw):
    kw = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL, **kw}
    return subprocess.Popen(argv, preexec_fn=with_parent, **kw)


def stop(p, group=False):
    """Ends a process this suite started (with its children when it leads a group)."""
    kill = (lambda s: os.killpg(p.pid, s)) if group else p.send_signal
    with contextlib.suppress(ProcessLookupError):
        if p.poll() is None:
            kill(signal.SIGTERM)
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                kill(signal.SIGKILL)
                p.wait()


class Desktop:
    """Xvfb, jwm, a session bus and the accessibility bus, for the whole run."""

    def __init__(self, vx, sim):
        global pyatspi
        self.vx, self.sim, self.procs = vx, sim, []
        self.work = tempfile.mkdtemp(prefix="vx470-blackbox-")
        read, write = os.pipe()
        self._start(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24",
                     "-nolisten", "tcp"], pass_fds=(write,))
        os.close(write)
        with os.fdopen(read) as f:
            self.display = f.readline().strip()
        check(self.display, "Xvfb did not start")
        os.environ["DISPLAY"] = ":" + self.display
        self._start(["jwm"])
        bus = self._start(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                          stdout=subprocess.PIPE, text=True)
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
        self._start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
        from gi.repository import Gio, GLib
        session = Gio.bus_get_sync(Gio.BusType.SESSION)
        # Until the launcher owns the name, a client would have the bus start another one.
        wait(lambda: session.call_sync(
            "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "NameHasOwner", GLib.Variant("(s)", ("org.a11y.Bus",)), None, 0, -1,
            None).unpack()[0], "the accessibility bus")
        import pyatspi

    def _start(self, argv, **kw):
        self.procs.append(start(argv, start_new_session=True, **kw))
        return self.procs[-1]

    def close(self):
        for p in reversed(self.procs):
            stop(p, group=True)
        with contextlib.suppress(FileNotFoundError):
            os.remove(f"/tmp/.X{self.display}-lock")
        shutil.rmtree(self.work, ignore_errors=True)


def lock(device):
    """Where the serial port's lock file of a device is kept."""
    return "/var/lock/LCK.." + device[5:].replace("/", "_")


class Wire:
    """A pty of our own between the program and the simulator: every frame the program writes
    is kept with its time, whether or not the unit still listens, and every byte the unit
    sends. When the unit hangs up the line, the program's end is hung up too."""

    def __init__(self, unit_path):
        # A pty whose serial-port lock another user left behind cannot be opened: skip those.
        taken = []
        while not taken or os.path.exists(lock(os.ttyname(taken[-1][1]))):
            taken.append(os.openpty())
        self.master, self.slave = taken.pop()
        for fd in [fd for fds in taken for fd in fds]:
            os.close(fd)
        tty.setraw(self.slave)
        self.path = os.ttyname(self.slave)
        self.unit = os.open(unit_path, os.O_RDWR | os.O_NOCTTY)
        tty.setraw(self.unit)
        self.frames, self.times, self.inbound, self.closed = [], [], bytearray(), False
        threading.Thread(target=self._run, daemon=True).start()

    def _run(self):
        pending = b""
        with contextlib.suppress(OSError):  # EIO: the unit hung up, or we closed
            while not self.closed:
                ready, _, _ = select.select([self.master, self.unit], [], [], 0.2)
                if self.unit in ready:
                    data = os.read(self.unit, 4096)
                    if not data:
                        break
                    self.inbound += data
                    os.write(self.master, data)
                if self.master in ready:
                    data = os.read(self.master, 4096)
                    pending += data
                    while len(pending) >= 10:
                        self.times.append(time.monotonic())
                        self.frames.append(pending[:10].hex(" ").upper())
                        pending = pending[10:]
                    os.write(self.unit, data)
        self.close()

    def close(self):
        if not self.closed:
            self.closed = True
            for fd in (self.master, self.slave, self.unit):
                with contextlib.suppress(OSError):
                    os.close(fd)


class Widget:
    def __init__(self, acc):
        self.acc = acc

    name = property(lambda self: self.acc.name)
    value = property(lambda self: self.acc.queryValue().currentValue)
    enabled = property(lambda self: self.has(pyatspi.STATE_ENABLED))
    checked = property(lambda self: self.has(pyatspi.STATE_CHECKED))
    default = property(lambda self: self.has(pyatspi.STATE_IS_DEFAULT))
    selected = property(lambda self: self.has(pyatspi.STATE_SELECTED))

    @property
    def text(self):
        try:
            return self.acc.queryText().getText(0, -1)
        except NotImplementedError:
            return self.acc.name

    @property
    def message(self):
        """The texts of a box's labels."""
        return [w.name for w in self.all("label") if w.name]

    def has(self, state):
        return self.acc.getState().contains(state)

    def extents(self):
        e = self.acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return e.x, e.y, e.width, e.height

    def find(self, name, role=None, timeout=WAIT):
        """A descendant by accessible name (None: any) and role."""
        def match(a):
            return a is not None and name in (None, a.name) and role in (None, a.getRoleName())
        return Widget(wait(lambda: pyatspi.findDescendant(self.acc, match, True),
                           f'"{name}" ({role or "any role"})', timeout))

    def all(self, role):
        return [Widget(a) for a in pyatspi.findAllDescendants(
            self.acc, lambda a: a is not None and a.getRoleName() == role)]

    def click(self, fx=0.5, fy=0.5, count=1):
        self.press(fx, fy, "click", "--repeat", count, "--delay", 120, 1)

    def press(self, fx, fy, *actions):
        """Moves the pointer to a point of the widget and does the xdotool actions there."""
        x, y, w, h = self.extents()
        xdo("mousemove", int(x + w * fx), int(y + h * fy), *actions)

    def answer(self, button):
        self.find(button, "push button").click()


class Program:
    """One run of vx470 in a fresh start directory against vx470-sim with the given options;
    the program's only port is the tapped line."""

    def __init__(self, desk, sim=(), prepare=None):
        self.dir = tempfile.mkdtemp(dir=desk.work)
        self.cwd = os.path.join(self.dir, "run")
        os.mkdir(self.cwd)
        if prepare:
            prepare(self.cwd)
        self.sim = start([desk.sim, *map(str, sim)], stdout=subprocess.PIPE, text=True)
        self.wire = Wire(self.sim.stdout.readline().strip())
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", VX470_PORTS=self.wire.path)
        self.log = open(os.path.join(self.dir, "vx470.log"), "w")
        self.proc = start([desk.vx], cwd=self.cwd, env=env, stdout=self.log,
                          stderr=subprocess.STDOUT)
        self._app = None

    @property
    def frames(self):
        return list(self.wire.frames)

    def sent(self, since=0, count=1, settle=1.5, timeout=WAIT):
        """The frames written from index `since` on, once there are `count` of them and the
        line has then been quiet for `settle` seconds."""
        wait(lambda: len(self.frames) - since >= count, f"{count} frame(s)", timeout)
        last, quiet = len(self.frames), time.monotonic()
        while time.monotonic() - quiet < settle:
            time.sleep(0.1)
            if len(self.frames) != last:
                last, quiet = len(self.frames), time.monotonic()
        return self.frames[since:]

    def app(self):
        if self._app is None:
            app = wait(lambda: next((a for a in pyatspi.Registry.getDesktop(0) if a is not None
                                     and a.get_process_id() == self.proc.pid), None),
                       "the program on the accessibility bus", 60)
            app.set_cache_mask(0)  # nothing here hears the bus's events that would renew it
            self._app = Widget(app)
        return self._app

    def tops(self, role=None):
        """The program's windows on screen (of one role: "alert" for message boxes)."""
        return [a for a in self.app().acc if a is not None and role in (None, a.getRoleName())
                and a.getState().contains(pyatspi.STATE_SHOWING)]

    def windows(self, role=None):
        return [a.name for a in self.tops(role)]

    def window(self, titles, role=None, timeout=WAIT):
        titles = titles if isinstance(titles, tuple) else (titles,)
        return Widget(wait(lambda: next((a for a in self.tops(role) if a.name in titles), None),
                           f'window "{titles[0]}"', timeout))

    def box(self, title, timeout=WAIT):
        return self.window(title, "alert", timeout)

    def gone(self, title, role=None, timeout=WAIT):
        wait(lambda: title not in self.windows(role), f'"{title}" to close', timeout)

    def main(self, timeout=60):
        return self.window(("VX-470 - Remote Control Software",
                            "VX-470 - DEMO - Remote Control Software"), "frame", timeout)

    def find(self, name, role=None, timeout=WAIT):
        return self.app().find(name, role, timeout)

    def controls(self):
        """Every named control of the main window, found in one walk of the tree."""
        found = {}
        for a in pyatspi.findAllDescendants(self.main().acc, lambda a: a is not None and a.name):
            found.setdefault(a.name, Widget(a))
        return found

    def ready(self, frames):
        """Waits for the main window and for the start-up's frames, then for a quiet line."""
        try:
            self.main()
            self.sent(count=frames)
        except BaseException:
            self.close()
            raise
        return self

    def cpu(self):
        """Processor seconds the program has used."""
        with open(f"/proc/{self.proc.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def cpu_share(self, seconds=3.0):
        before, start = self.cpu(), time.monotonic()
        time.sleep(seconds)
        return (self.cpu() - before) / (time.monotonic() - start)

    def ended(self, timeout=WAIT):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"the program still runs {timeout:.0f} s later")

    def file(self, name):
        return os.path.join(self.cwd, name)

    def close(self):
        stop(self.proc)
        self.wire.close()
        stop(self.sim)
        with contextlib.suppress(OSError):  # a killed program leaves its port's lock
            if open(lock(self.wire.path)).readline().strip() == str(self.proc.pid):
                os.remove(lock(self.wire.path))
        self.log.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

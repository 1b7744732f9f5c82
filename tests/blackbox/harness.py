"""Drives the built vx470 as a user does: a private X server with a window manager, a session
bus and the accessibility bus; widgets found through AT-SPI by name and role; real mouse and
keys through xdotool; the serial line tapped between the program and vx470-sim."""
import contextlib
import ctypes
import functools
import os
import select
import shutil
import signal
import subprocess
import tempfile
import threading
import time
import tty
import types

WAIT = 30.0  # seconds for anything the program should do "at once", on a loaded machine
pyatspi = None  # imported once the accessibility bus runs


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait(condition, what, timeout=WAIT):
    """Polls condition() until it gives something true, and returns that."""
    end = time.monotonic() + timeout
    while True:
        with contextlib.suppress(Exception):  # a widget that went away while it was read
            if result := condition():
                return result
        check(time.monotonic() < end, f"waited {timeout:.0f} s for {what}")
        time.sleep(0.1)


def frame(*args):
    """The 10 bytes on the line for up to seven argument bytes (zero-padded), in hex."""
    return " ".join(f"{b:02X}" for b in [0xF0, 0x5B, *args, *[0] * (7 - len(args)), 0xF7])


def xdo(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True)


def key(*keys):
    xdo("key", "--clearmodifiers", "--delay", 60, *keys)


def start(argv, **kw):
    """A child in a session of its own, which ends when the suite ends, however it ends."""
    return subprocess.Popen(argv, start_new_session=True, **{
        "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL, **kw},
        preexec_fn=lambda: ctypes.CDLL(None).prctl(1, signal.SIGTERM))  # PR_SET_PDEATHSIG


def stop(p):
    """Ends a process this suite started, with its children."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        with contextlib.suppress(ProcessLookupError, subprocess.TimeoutExpired):
            if p.poll() is None:
                os.killpg(p.pid, sig)
                p.wait(5)


@contextlib.contextmanager
def desktop(vx, sim):
    """Xvfb, jwm, a session bus and the accessibility bus, for the whole run."""
    global pyatspi
    procs, work, (read, write) = [], tempfile.mkdtemp(prefix="vx470-blackbox-"), os.pipe()
    try:
        procs.append(start(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24",
                            "-nolisten", "tcp"], pass_fds=(write,)))
        os.close(write)
        with os.fdopen(read) as f:
            display = f.readline().strip()
        check(display, "Xvfb did not start")
        os.environ["DISPLAY"] = ":" + display
        procs.append(start(["jwm"]))
        procs.append(start(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                           stdout=subprocess.PIPE, text=True))
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = procs[-1].stdout.readline().strip()
        procs.append(start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"]))
        from gi.repository import Gio, GLib
        session = Gio.bus_get_sync(Gio.BusType.SESSION)
        # Until the launcher owns the name, a client would have the bus start another one.
        wait(lambda: session.call_sync(
            "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "NameHasOwner", GLib.Variant("(s)", ("org.a11y.Bus",)), None, 0, -1,
            None).unpack()[0], "the accessibility bus")
        import pyatspi
        yield types.SimpleNamespace(vx=vx, sim=sim, work=work)
    finally:
        for p in reversed(procs):
            stop(p)
        with contextlib.suppress(NameError, FileNotFoundError):
            os.remove(f"/tmp/.X{display}-lock")
        shutil.rmtree(work, ignore_errors=True)


def lock(device):
    """Where the serial port's lock file of a device is kept."""
    return "/var/lock/LCK.." + device[5:].replace("/", "_")


class Wire:
    """A pty of our own between the program and the simulator that keeps every frame the program
    writes as (hex, time, bytes the unit had sent by then), and every byte the unit sends."""

    def __init__(self, unit_path):
        # A pty whose serial-port lock another user left behind cannot be opened: skip those.
        taken = [os.openpty()]
        while os.path.exists(lock(os.ttyname(taken[-1][1]))):
            taken.append(os.openpty())
        self.master, self.slave = taken.pop()
        for fd in sum(taken, ()):
            os.close(fd)
        self.path = os.ttyname(self.slave)
        self.unit = os.open(unit_path, os.O_RDWR | os.O_NOCTTY)
        tty.setraw(self.slave)
        tty.setraw(self.unit)
        self.frames, self.inbound, self.closed = [], bytearray(), False
        threading.Thread(target=self._run, daemon=True).start()

    def _run(self):
        pending = b""
        with contextlib.suppress(OSError):  # EIO: the unit hung up, or we closed
            while not self.closed:
                ready = select.select([self.master, self.unit], [], [], 0.2)[0]
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
                        self.frames.append((pending[:10].hex(" ").upper(), time.monotonic(),
                                            len(self.inbound)))
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

    def has(self, state):
        """Whether the widget is "enabled", "checked", "is_default", "selected" ..."""
        return self.acc.getState().contains(getattr(pyatspi, "STATE_" + state.upper()))

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
    """vx470 with the arguments, its only port tapped to vx470-sim with the options. It starts
    in a fresh directory with an empty "init.cfg", which keeps its files there; or, `at_home`,
    in a fresh home directory as from a desktop menu. `named`: the port is given with --port,
    and none of the ports the program would search can be opened. `args` go to vx470, `env`
    into its environment."""

    def __init__(self, desk, sim, at_home=False, named=False, args=(), env=None):
        self.cwd = self.home = tempfile.mkdtemp(dir=desk.work)
        if not at_home:
            self.home = tempfile.mkdtemp(dir=desk.work)
            open(self.file("init.cfg"), "wb").close()
        self.sim = start([desk.sim, *map(str, sim)], stdout=subprocess.PIPE, text=True)
        self.wire = Wire(self.sim.stdout.readline().strip())
        extra, env = env or {}, {k: v for k, v in os.environ.items()
                                 if k not in ("XDG_CONFIG_HOME", "XDG_DATA_HOME")}
        env.update(extra, HOME=self.home, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   VX470_PORTS="" if named else self.wire.path)
        port = ["--port", self.wire.path] if named else []
        self.proc = start([desk.vx, *port, *args], cwd=self.cwd, env=env)

    frames = property(lambda self: [f for f, *_ in self.wire.frames])

    def sent(self, since=0, count=1, settle=1.5):
        """The frames written from index `since` on, once there are `count` of them and the
        line has then been quiet for `settle` seconds."""
        wait(lambda: len(self.frames) - since >= count, f"{count} frame(s)")
        last, quiet = len(self.frames), time.monotonic()
        while time.monotonic() - quiet < settle:
            time.sleep(0.1)
            if len(self.frames) != last:
                last, quiet = len(self.frames), time.monotonic()
        return self.frames[since:]

    @functools.cached_property
    def app(self):
        app = wait(lambda: next((a for a in pyatspi.Registry.getDesktop(0) if a is not None
                                 and a.get_process_id() == self.proc.pid), None),
                   "the program on the accessibility bus", 60)
        app.set_cache_mask(0)  # nothing here hears the bus's events that would renew it
        return app

    def tops(self, role=None):
        """The program's windows on screen by title (of one role: "alert" for message boxes)."""
        return {a.name: Widget(a) for a in self.app if a is not None and role in (
            None, a.getRoleName()) and a.getState().contains(pyatspi.STATE_SHOWING)}

    def window(self, role, *titles, timeout=WAIT):
        return wait(lambda: next((w for t, w in self.tops(role).items() if t in titles), None),
                    f'{role} "{titles[0]}"', timeout)

    def box(self, title, timeout=WAIT):
        return self.window("alert", title, timeout=timeout)

    def gone(self, title, role=None):
        wait(lambda: title not in self.tops(role), f'"{title}" to close')

    def main(self, timeout=60):
        return self.window("frame", "VX-470 - Remote Control Software",
                           "VX-470 - DEMO - Remote Control Software", timeout=timeout)

    def controls(self):
        """Every named control of the main window, found in one walk of the tree."""
        found = pyatspi.findAllDescendants(self.main().acc, lambda a: a is not None and a.name)
        return {a.name: Widget(a) for a in reversed(found)}  # the first of a name wins

    def cpu(self):
        """Processor seconds the program has used."""
        with open(f"/proc/{self.proc.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def ended(self):
        wait(lambda: self.proc.poll() is not None, "the program to end")
        return self.proc.returncode

    def file(self, name):
        return os.path.join(self.cwd, name)

    def close(self):
        stop(self.proc)
        self.wire.close()
        stop(self.sim)
        with contextlib.suppress(OSError):  # a killed program leaves its port's lock
            if open(lock(self.wire.path)).readline().strip() == str(self.proc.pid):
                os.remove(lock(self.wire.path))


@contextlib.contextmanager
def program(desk, sim=(), frames=0, **kw):
    """A Program, once its main window shows and `frames` are on a quiet line (0: at once)."""
    p = Program(desk, sim, **kw)
    try:
        if frames:
            p.main()
            p.sent(count=frames)
        yield p
    finally:
        p.close()

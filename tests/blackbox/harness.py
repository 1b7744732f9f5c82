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


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait(condition, what, timeout=WAIT, every=0.1):
    """Polls condition() until it gives something true and returns that."""
    start = time.monotonic()
    while True:
        try:
            result = condition()
        except Exception:  # a widget that went away while it was read
            result = None
        if result:
            if time.monotonic() - start > 5:  # slow: worth knowing when a run fails
                print(f"  ({time.monotonic() - start:.0f} s for {what})", flush=True)
            return result
        if time.monotonic() - start > timeout:
            raise Failure(f"waited {timeout:.0f} s for {what}")
        time.sleep(every)


def frame(*args):
    """The 10 bytes on the line for seven (or fewer, zero-padded) argument bytes, as hex."""
    body = list(args) + [0] * (7 - len(args))
    return " ".join(f"{b:02X}" for b in [0xF0, 0x5B, *body, 0xF7])


def xdo(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True)


def key(*keys):
    xdo("key", "--clearmodifiers", "--delay", 60, *keys)


def type_text(text):
    xdo("type", "--delay", 80, "--", text)


def with_parent():
    """For a child of the suite: end when the suite ends, however it ends."""
    ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


class Desktop:
    """Xvfb, jwm, a session bus and the accessibility bus, for the whole run."""

    def __init__(self):
        self.work = tempfile.mkdtemp(prefix="vx470-blackbox-")
        self.procs = []
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
        global pyatspi
        import pyatspi

    def _start(self, argv, **kw):
        kw.setdefault("stdout", subprocess.DEVNULL)
        p = subprocess.Popen(argv, start_new_session=True, stderr=subprocess.DEVNULL,
                             preexec_fn=with_parent, **kw)
        self.procs.append(p)
        return p

    def close(self):
        for p in reversed(self.procs):
            stop(p, group=True)
        lock = f"/tmp/.X{self.display}-lock"
        if os.path.exists(lock):
            os.remove(lock)
        shutil.rmtree(self.work, ignore_errors=True)


def stop(p, group=False):
    """Ends a process this suite started (with its own children when group is set)."""
    if p.poll() is None:
        try:
            os.killpg(p.pid, signal.SIGTERM) if group else p.terminate()
            p.wait(5)
        except subprocess.TimeoutExpired:
            os.killpg(p.pid, signal.SIGKILL) if group else p.kill()
            p.wait()
        except ProcessLookupError:
            pass


class Wire:
    """A pty of our own between the program and the simulator: every frame the program writes
    is kept with its time, whether or not the unit still listens. When the unit hangs up the
    line, the program's end is hung up too."""

    def __init__(self, unit_path):
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave)
        self.path = os.ttyname(self.slave)
        self.unit = os.open(unit_path, os.O_RDWR | os.O_NOCTTY)
        tty.setraw(self.unit)
        self.frames, self.times, self._bytes = [], [], b""
        self.inbound = bytearray()  # everything the unit sent
        self.closed = False
        threading.Thread(target=self._run, daemon=True).start()

    def _run(self):
        try:
            while not self.closed:
                ready, _, _ = select.select([self.master, self.unit], [], [], 0.2)
                if self.unit in ready:
                    data = os.read(self.unit, 4096)  # EIO once the unit hangs up
                    if not data:
                        break
                    self.inbound += data
                    os.write(self.master, data)
                if self.master in ready:
                    data = os.read(self.master, 4096)
                    self._bytes += data
                    while len(self._bytes) >= 10:
                        chunk, self._bytes = self._bytes[:10], self._bytes[10:]
                        self.times.append(time.monotonic())
                        self.frames.append(" ".join(f"{b:02X}" for b in chunk))
                    os.write(self.unit, data)
        except OSError:
            pass
        self.close()

    def close(self):
        if not self.closed:
            self.closed = True
            for fd in (self.master, self.slave, self.unit):
                try:
                    os.close(fd)
                except OSError:
                    pass


class Widget:
    def __init__(self, acc):
        self.acc = acc

    @property
    def name(self):
        return self.acc.name

    @property
    def role(self):
        return self.acc.getRoleName()

    def extents(self):
        e = self.acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return e.x, e.y, e.width, e.height

    def point(self, fx=0.5, fy=0.5):
        x, y, w, h = self.extents()
        return int(x + w * fx), int(y + h * fy)

    @property
    def text(self):
        try:
            t = self.acc.queryText()
            return t.getText(0, -1)
        except NotImplementedError:
            return self.acc.name

    @property
    def value(self):
        return self.acc.queryValue().currentValue

    def has(self, state):
        return self.acc.getState().contains(state)

    @property
    def enabled(self):
        return self.has(pyatspi.STATE_ENABLED)

    @property
    def checked(self):
        return self.has(pyatspi.STATE_CHECKED)

    @property
    def default(self):
        return self.has(pyatspi.STATE_IS_DEFAULT)

    @property
    def focused(self):
        return self.has(pyatspi.STATE_FOCUSED)

    def find(self, name, role=None, timeout=WAIT):
        return wait(lambda: self.lookup(name, role), f'"{name}" ({role or "any role"})',
                    timeout)

    def lookup(self, name, role=None):
        def match(a):
            return a is not None and (name is None or a.name == name) and (
                role is None or a.getRoleName() == role)
        found = pyatspi.findDescendant(self.acc, match, True)
        return Widget(found) if found is not None else None

    def all(self, role):
        return [Widget(a) for a in pyatspi.findAllDescendants(
            self.acc, lambda a: a is not None and a.getRoleName() == role)]

    def click(self, fx=0.5, fy=0.5, button=1, count=1):
        x, y = self.point(fx, fy)
        xdo("mousemove", "--sync", x, y, "click", "--repeat", count, "--delay", 120, button)

    def focus_by_click(self):
        self.click()


class Box(Widget):
    """A message box: its title, its text and its buttons."""

    @property
    def message(self):
        return [w.name for w in self.all("label") if w.name]

    def answer(self, button):
        self.find(button, "push button").click()


class Program:
    """One run of vx470 in a fresh start directory, against vx470-sim (unit=True) or with
    the given port list."""

    def __init__(self, desk, sim=(), unit=True, ports=None, prepare=None):
        self.desk = desk
        self.dir = tempfile.mkdtemp(dir=desk.work)
        self.cwd = os.path.join(self.dir, "run")
        os.mkdir(self.cwd)
        if prepare:
            prepare(self.cwd)
        self.sim = self.wire = None
        if unit:
            self.sim = subprocess.Popen([desk.sim, *map(str, sim)], stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True,
                                        preexec_fn=with_parent)
            self.wire = Wire(self.sim.stdout.readline().strip())
            ports = self.wire.path
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", VX470_PORTS=ports or "")
        self.log = open(os.path.join(self.dir, "vx470.log"), "w")
        self.proc = subprocess.Popen([desk.vx], cwd=self.cwd, env=env, stdout=self.log,
                                     stderr=subprocess.STDOUT, preexec_fn=with_parent)
        self._app = None

    # -- the line
    @property
    def frames(self):
        return list(self.wire.frames) if self.wire else []

    def sent(self, since=0, count=None, settle=1.5, timeout=WAIT):
        """The frames written since index `since`: waits for `count` of them (or for any),
        then until the line has been quiet for `settle` seconds."""
        wait(lambda: len(self.frames) - since >= (count or 1), f"{count or 1} frame(s)", timeout)
        last = len(self.frames)
        quiet = time.monotonic()
        while time.monotonic() - quiet < settle:
            time.sleep(0.1)
            if len(self.frames) != last:
                last, quiet = len(self.frames), time.monotonic()
        return self.frames[since:]

    # -- the windows
    def app(self):
        if self._app is None:
            def mine():
                for a in pyatspi.Registry.getDesktop(0):
                    if a is not None and a.get_process_id() == self.proc.pid:
                        return a
            app = wait(mine, "the program on the accessibility bus", 60)
            # Nothing here listens to the bus's events, so nothing cached would ever be renewed.
            app.set_cache_mask(0)
            self._app = Widget(app)
        return self._app

    def window(self, title, role=None, timeout=WAIT):
        """A top-level window by its title (or by any of a tuple of titles)."""
        titles = title if isinstance(title, tuple) else (title,)

        def top():
            for a in self.app().acc:
                if a is not None and a.name in titles and (role is None or
                                                          a.getRoleName() == role):
                    if a.getState().contains(pyatspi.STATE_SHOWING):
                        return Box(a)
        return wait(top, f'window "{title}"', timeout)

    def windows(self, role=None):
        """Titles of the program's windows on screen (of one role: "alert" for boxes)."""
        return [a.name for a in self.app().acc if a is not None and
                a.getState().contains(pyatspi.STATE_SHOWING) and
                (role is None or a.getRoleName() == role)]

    def gone(self, title, role=None, timeout=WAIT):
        wait(lambda: title not in self.windows(role), f'"{title}" to close', timeout)

    def box(self, title, timeout=WAIT):
        return self.window(title, "alert", timeout)

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
        with self.closed_on_failure():
            self.main()
            self.sent(count=frames)
        return self

    @contextlib.contextmanager
    def closed_on_failure(self):
        try:
            yield self
        except BaseException:
            self.close()
            raise

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # -- the process
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
        if self.wire:
            self.wire.close()
        if self.sim:
            stop(self.sim)
        self.log.close()

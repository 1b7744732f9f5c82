"""cli_test.py VX470_CLI VX470_SIM: the built vx470-cli against vx470-sim on pseudo-terminals,
as a script runs it: exit codes, one-line errors, no progress line in a pipe, a backup and a
restore, and Ctrl+C during a paced backup."""
import json
import os
import signal
import subprocess
import sys
import tempfile
import time

cli, sim = sys.argv[1], sys.argv[2]
problems = []


def check(ok, what):
    if not ok:
        problems.append(what)


def unit(*options):
    p = subprocess.Popen([sim, *options], stdout=subprocess.PIPE, text=True)
    return p, p.stdout.readline().strip()


def run(ports, *args, code):
    r = subprocess.run([cli, *args], capture_output=True, text=True, timeout=120,
                       env=dict(os.environ, VX470_PORTS=":".join(ports)))
    check(r.returncode == code, f"{' '.join(args)}: {r.returncode}, not {code}: {r.stderr}")
    check(r.stderr.count("\n") <= (0 if code == 0 else 2), f"{' '.join(args)}: {r.stderr!r}")
    check("\r" not in r.stderr, f"{' '.join(args)} shows progress in a pipe")
    return r


work = tempfile.mkdtemp()
a, a_path = unit("--presets", "5,9")
b, b_path = unit()
quiet, quiet_path = unit("--silent")
try:
    listed = run([quiet_path, "/dev/nonexistent", a_path], "--json", "ports", code=0)
    check([p["state"] for p in json.loads(listed.stdout)] ==
          ["no answer", "cannot be opened", "unit"], f"ports: {listed.stdout}")
    missing = run([], "--port", "/dev/nonexistent", "dump", code=3)
    check(missing.stderr == "vx470-cli: /dev/nonexistent: no such port\n", missing.stderr)
    run([a_path], "get", "left.notch99.gain", code=2)
    run([a_path], "backup", f"{work}/unit", code=0)
    check(sorted(os.listdir(f"{work}/unit")) ==
          ["05 Vocal.Fbk", "09 Stage 09.Fbk", "backup.json", "current.Fbk"], "backup files")
    run([b_path], "restore", f"{work}/unit", code=0)
    check(len(json.loads(run([b_path], "--json", "dump", code=0).stdout)["channels"]) == 2,
          "dump --json")
    run([b_path], "read", "9", f"{work}/09.Fbk", code=0)
    with open(f"{work}/09.Fbk", "rb") as f, open(f"{work}/unit/09 Stage 09.Fbk", "rb") as g:
        check(f.read() == g.read(), "preset 9 restored is not preset 9 backed up")

    paced, paced_path = unit("--presets", "5,6,7,8,9", "--paced")
    backup = subprocess.Popen([cli, "--port", paced_path, "backup", f"{work}/interrupted"],
                              stderr=subprocess.PIPE, text=True)
    time.sleep(3)
    backup.send_signal(signal.SIGINT)
    err = backup.communicate(timeout=30)[1]
    check(backup.returncode == 130, f"Ctrl+C: {backup.returncode} {err}")
    check(sorted(os.listdir(work)) == ["09.Fbk", "unit"], f"after Ctrl+C: {os.listdir(work)}")
    paced.terminate()
finally:
    for p in (a, b, quiet):
        p.terminate()
print("\n".join(problems) or "ok")
sys.exit(1 if problems else 0)

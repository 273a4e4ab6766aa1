"""Soak and fault run of VXLauncher: one station of 4 modules x 8 slots whose children flood
output, exit and crash at random (one ignores SIGTERM, one never reads or writes after its
first line), run for SOAK_SECONDS and then stopped by one console event. Prints what it
measured and ends with 1 when a check fails. Started by bench/soak/run-soak."""

import glob
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import time

MODULES, SLOTS = 4, 8
PIPE_CAPACITY = 65536
EVENTS = {"INT": signal.SIGINT, "HUP": signal.SIGHUP, "TERM": signal.SIGTERM}
COUNTER = struct.Struct("<QQiiii")  # bytes, lines, fate, ended, pid, reserved
RECORD = re.compile(rb"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d,\d{3} \[([^\]]*)\] \[[A-Z ]+\] ", re.M)
LINE = re.compile(rb"^([A-Za-z0-9_]+):(\d+):x*$")
FATES = {0: "runs", 1: "exits", 2: "aborts", 3: "quiet"}


def layout(station, bin_dir, counters, rate, port, seed):
    project = os.path.join(station, "Proj")
    for sub in ("Config", "Proj/VX/TesterConfig", "Proj/bin", "Proj/work", "counters"):
        os.makedirs(os.path.join(station, sub), exist_ok=True)
    shutil.copy2(os.path.join(bin_dir, "VXLauncher"), station)
    # A name of its own: the launcher kills every process running a station executable.
    child = "vxsoak%d" % os.getpid()
    shutil.copy2(os.path.join(bin_dir, "vx_soak_child"), os.path.join(project, "bin", child))

    def write(path, text):
        with open(os.path.join(station, path), "w") as f:
            f.write(text)

    write("Config/md5.csv", "md5\n")
    write("Config/launcher.xml",
          "<Config><ProjectDir>Proj</ProjectDir><ProjectFile>Proj.prj</ProjectFile></Config>\n")
    write("Proj/Proj.prj",
          "<Project><ProjectName>Soak</ProjectName><ProjectType>Soak</ProjectType>"
          "<ProjectWorkPath>$(ProjectDir)/work</ProjectWorkPath><ZmqPortJson></ZmqPortJson>"
          "<IsCheckMD5>0</IsCheckMD5></Project>\n")
    write("Proj/VX/TesterConfig/zmqports.json",
          '{"SEQUENCER_PORT": %d, "SEQUENCER_PUB": %d, "TEST_ENGINE_PORT": %d, '
          '"TEST_ENGINE_PUB": %d, "SM_PORT": %d, "SM_PUB": %d}\n'
          % (port, port + 32, port + 64, port + 96, port + 128, port + 136))
    # "module" and "slot" in args become the numbers; the counter directory holds neither.
    entries = [
        ("Sequence", "soak Smodule_slot %s %dmodule1slot %d" % (counters, seed, rate)),
        ("Engine", "soak Emodule_slot %s %dmodule2slot %d" % (counters, seed, rate)),
        ("StateMachine", "soak Mmodule %s %dmodule3 %d" % (counters, seed, rate)),
        ("Still", "still Still %s" % counters),
        ("IgnoreTerm", "ignore-term IgnoreTerm %s" % counters),
    ]
    processes = ",\n".join(
        "        {'name': %r, 'execute': '', 'path': '$(ProjectDir)/bin', 'bin': %r, "
        "'args': %r, 'sleep': 0}" % (name, child, args) for name, args in entries)
    write("Proj/VX/TesterConfig/config.py",
          "def get_configA(name):\n    return {'modules': %d, 'slots': %d, 'processes': [\n%s\n    ]}\n"
          % (MODULES, SLOTS, processes))
    return os.path.join(project, "bin", child), 2 * MODULES * SLOTS + MODULES + 2


def proc_status(pid):
    fields = {}
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                key, _, value = line.partition(":")
                fields[key] = value.strip()
        fields["fds"] = len(os.listdir("/proc/%d/fd" % pid))
    except OSError:
        return None
    return fields


def children_of(pid):
    found = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                stat = f.read()
        except OSError:
            continue
        rest = stat[stat.rindex(")") + 2:].split()
        if int(rest[1]) == pid:
            found[int(entry)] = rest[0]  # state letter
    return found


def alive(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            stat = f.read()
    except OSError:
        return False
    return stat[stat.rindex(")") + 2] != "Z"


def running_copies(binary):
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                if os.readlink("/proc/%s/exe" % entry).startswith(binary):
                    found.append(int(entry))
            except OSError:
                pass
    return found


def snapshot(pid):
    status = proc_status(pid) or {}
    kids = children_of(pid)
    return {
        "rss_kb": int(status.get("VmRSS", "0 kB").split()[0]),
        "threads": int(status.get("Threads", "0")),
        "fds": status.get("fds", 0),
        "children": sum(1 for s in kids.values() if s != "Z"),
        "zombies": sum(1 for s in kids.values() if s == "Z"),
    }


def read_counters(directory):
    counters = {}
    for path in glob.glob(os.path.join(directory, "*.counter")):
        with open(path, "rb") as f:
            data = f.read(COUNTER.size)
        if len(data) == COUNTER.size:
            written, lines, fate, ended, pid, _ = COUNTER.unpack(data)
            counters[os.path.basename(path)[:-8]] = dict(
                written=written, lines=lines, fate=fate, ended=ended, pid=pid)
    return counters


def logged_bytes(log_dir):
    """Bytes and lines of every child as the launcher's log holds them. Each child has one
    reader thread, and the log's records name their thread, so a thread's records put
    together are its child's output in order (a thread id may serve a later child, whose
    lines carry another name)."""
    text = b"".join(open(p, "rb").read() for p in sorted(glob.glob(os.path.join(log_dir, "Launcher.log*")), reverse=True))
    heads = list(RECORD.finditer(text))
    streams = {}
    for i, head in enumerate(heads):
        end = heads[i + 1].start() if i + 1 < len(heads) else len(text)
        message = text[head.end():end]
        if message.endswith(b"\n"):
            message = message[:-1]  # the layout's own line end
        streams.setdefault(head.group(1), []).append(message)
    per_child, broken = {}, []
    for thread, parts in streams.items():
        for line in b"".join(parts).split(b"\n"):
            match = LINE.match(line)
            if not match:
                continue  # a launcher message on a launcher thread, or the end of a stream
            name, sequence = match.group(1).decode(), int(match.group(2))
            entry = per_child.setdefault(name, {"bytes": 0, "next": 0})
            if sequence != entry["next"]:
                broken.append("%s: line %d where %d was due" % (name, sequence, entry["next"]))
            entry["next"] = sequence + 1
            entry["bytes"] += len(line) + 1
    return per_child, broken, len(text)


def main():
    bin_dir, work, event = sys.argv[1], sys.argv[2], sys.argv[3]
    seconds = float(os.environ.get("SOAK_SECONDS", "180"))
    rate = int(os.environ.get("SOAK_RATE", "10000"))
    port = int(os.environ.get("SOAK_PORT", "53000"))
    seed = int(os.environ.get("SOAK_SEED", str(os.getpid())))
    station = os.path.join(work, "station-%s" % event)
    shutil.rmtree(station, ignore_errors=True)
    counters = os.path.join(station, "counters")
    binary, expected = layout(station, bin_dir, counters, rate, port, seed)
    failures = []

    print("soak %s: %d children, %d s, %d bytes/s per flooding child, seed %d, in %s"
          % (event, expected, seconds, rate, seed, station))
    launched = time.monotonic()
    with open(os.path.join(work, "console-%s.txt" % event), "wb") as console:
        launcher = subprocess.Popen([os.path.join(station, "VXLauncher")], cwd=station,
                                    stdout=subprocess.DEVNULL, stderr=console)
    while len(read_counters(counters)) < expected and time.monotonic() - launched < 60:
        if launcher.poll() is not None:
            print("soak %s: the launcher ended during start-up (%s)" % (event, launcher.returncode))
            return 1
        time.sleep(0.05)
    started = time.monotonic()
    print("soak %s: start phase %.2f s" % (event, started - launched))
    time.sleep(2)
    first = snapshot(launcher.pid)
    # A second look a quarter into the run, past the allocators' and the log's warming up.
    while time.monotonic() - started < seconds / 4 and launcher.poll() is None:
        time.sleep(0.5)
    quarter = snapshot(launcher.pid)
    while time.monotonic() - started < seconds and launcher.poll() is None:
        time.sleep(0.5)
    last = snapshot(launcher.pid)
    before = read_counters(counters)
    for key in ("rss_kb", "threads", "fds", "children", "zombies"):
        print("soak %s: launcher %-8s at start %7d, at 1/4 %7d, at end %7d"
              % (event, key, first[key], quarter[key], last[key]))
    if last["zombies"]:
        failures.append("%d zombie children while running" % last["zombies"])
    if last["threads"] > first["threads"] or last["fds"] > first["fds"]:
        failures.append("threads or descriptors grew while children only ended")

    pids = [c["pid"] for c in before.values()]
    signalled = time.monotonic()
    launcher.send_signal(EVENTS[event])
    while any(alive(p) for p in pids) and time.monotonic() - signalled < 30:
        time.sleep(0.002)
    children_gone = time.monotonic() - signalled
    try:
        status = launcher.wait(timeout=30)
    except subprocess.TimeoutExpired:
        launcher.kill()
        status = launcher.wait()
        failures.append("launcher still running 30 s after SIG%s" % event)
    launcher_gone = time.monotonic() - signalled
    print("soak %s: SIG%s -> last child gone %.3f s, launcher gone %.3f s, exit status %s"
          % (event, event, children_gone, launcher_gone, status))
    wanted = 0 if event == "INT" else -EVENTS[event]
    if status != wanted:
        failures.append("exit status %s, expected %s" % (status, wanted))
    time.sleep(0.5)
    left = running_copies(binary)
    if left:
        failures.append("processes left behind: %s" % left)
    print("soak %s: processes left behind: %d" % (event, len(left)))

    final = read_counters(counters)
    per_child, broken, log_size = logged_bytes(os.path.join(station, "log"))
    written = sum(c["written"] for c in final.values())
    logged = sum(per_child.get(name, {}).get("bytes", 0) for name in final)
    ended = {name: c for name, c in final.items() if c["ended"]}
    lost_running = [
        "%s wrote %d, log has %d" % (name, c["written"], per_child.get(name, {}).get("bytes", 0))
        for name, c in ended.items() if per_child.get(name, {}).get("bytes", 0) != c["written"]]
    lost_at_stop = [c["written"] - per_child.get(name, {}).get("bytes", 0)
                    for name, c in final.items() if not c["ended"]]
    fates = {}
    for c in final.values():
        fates[FATES[c["fate"]]] = fates.get(FATES[c["fate"]], 0) + 1
    print("soak %s: children by fate %s; %d ended by themselves before the event"
          % (event, fates, len(ended)))
    print("soak %s: bytes written by children %d, found in the log %d (log file %d bytes)"
          % (event, written, logged, log_size))
    print("soak %s: children that ended by themselves: %d, with bytes missing from the log: %d"
          % (event, len(ended), len(lost_running)))
    print("soak %s: still running at the event: %d, bytes not logged at the stop: total %d, "
          "largest %d per child (unread pipe content, at most %d)"
          % (event, len(lost_at_stop), sum(lost_at_stop), max(lost_at_stop or [0]), PIPE_CAPACITY))
    if lost_running:
        failures.append("output lost while running: %s" % lost_running[:5])
    if broken:
        failures.append("gaps or reordering in the log: %s" % broken[:5])
    if any(n < 0 or n > PIPE_CAPACITY for n in lost_at_stop):
        failures.append("more missing at the stop than a pipe holds")

    for failure in failures:
        print("soak %s: FAIL %s" % (event, failure))
    print("soak %s: %s" % (event, "FAILED" if failures else "passed"))
    if not failures and os.environ.get("SOAK_KEEP", "0") != "1":
        shutil.rmtree(station, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

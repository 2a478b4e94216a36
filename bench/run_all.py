"""Whole-process comparisons of our programs with their peers.

Run through bench/run-all.sh, which builds the programs first. Every case
runs each program as a whole process on the same input, interleaved with the
order reversed every other round, after one untimed warm-up round; every
output is compared byte for byte with its input; the median of the rounds is
reported with min and max, and peak memory is the child's own (/usr/bin/time, package time).
Inputs and outputs of both sides lie in one work folder on one file system.

Environment: BENCH_QUICK=1 fewer and smaller cases; BENCH_RUNS rounds
(default 5, quick 3); BENCH_DIR where the work folder goes (default $TMPDIR);
BENCH_CASES a comma-separated subset of the case names (load, write,
receive-small, receive-many, receive-large, http-small, http-big, resume,
http-rtt, cipher);
BENCH_BEFORE the bin folder of another build (an earlier commit), whose
programs then run beside ours in the same rounds, as "... (before)".
"""

import copy
import filecmp
import os
import random
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time
import urllib.request

MIB = 1 << 20
QUICK = os.environ.get("BENCH_QUICK", "") not in ("", "0")
RUNS = int(os.environ.get("BENCH_RUNS", "3" if QUICK else "5"))
SELECTED = [c for c in os.environ.get("BENCH_CASES", "").split(",") if c]
BIN = os.path.abspath(sys.argv[1])
BEFORE = os.path.abspath(os.environ["BENCH_BEFORE"]) if os.environ.get("BENCH_BEFORE") else None
RESULTS = sys.argv[2] if len(sys.argv) > 2 else None

work = tempfile.mkdtemp(prefix="cvbench.", dir=os.environ.get("BENCH_DIR") or None)
env = dict(os.environ)
home = os.path.join(work, "home")
for sub in ("", "config", "data", "cache"):
    os.makedirs(os.path.join(home, sub), exist_ok=True)
os.makedirs(os.path.join(work, "tmp"))
# No program under test writes into the real home folder, and every
# temporary file lies on the same file system as the outputs.
env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"), XDG_DATA_HOME=os.path.join(home, "data"),
           XDG_CACHE_HOME=os.path.join(home, "cache"), TMPDIR=os.path.join(work, "tmp"), LC_ALL="C.UTF-8")

log_lines = []


def log(text):
    print(text, file=sys.stderr, flush=True)
    log_lines.append(text)


def tool(name):
    return os.path.join(BIN, name)


# ---------------------------------------------------------------- data

WORDS = ["GuidePost ", "添付ファイル ", "アーカイブ ", "receiver ", "写真 ", "album ", "2026年 ", "の ",
         "を受信します。", "\n", "folder/", "index.htm ", "運動会 ", "0123 ", "設定 ", "data "]


def text_pool(size=4 * MIB):
    rng = random.Random(7)
    parts, length = [], 0
    while length < size:
        w = WORDS[rng.randrange(len(WORDS))].encode()
        parts.append(w)
        length += len(w)
    return b"".join(parts)


POOL = text_pool()


def realistic(size, rng):
    """Half text, half random bytes: compresses as real documents and pictures do together."""
    half = size // 2
    start = rng.randrange(len(POOL) - half)
    return POOL[start:start + half] + rng.randbytes(size - half)


def make_files(folder, count, size, seed):
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(seed)
    names = []
    for i in range(count):
        name = "f%05d.dat" % i
        with open(os.path.join(folder, name), "wb") as f:
            f.write(realistic(size, rng))
        names.append(name)
    return names


def make_big_file(path, size, seed):
    rng = random.Random(seed)
    with open(path, "wb") as f:
        left = size
        while left > 0:
            n = min(left, 4 * MIB)
            f.write(realistic(n, rng))
            left -= n


# ---------------------------------------------------------------- measuring

def check(condition, message):
    if not condition:
        raise RuntimeError(message)


def same_file(a, b):
    return os.path.isfile(b) and filecmp.cmp(a, b, shallow=False)


def same_folder(expected, names, got):
    """Every expected file is in got with the same bytes, and got holds nothing else."""
    check(os.path.isdir(got), "no output folder %s" % got)
    extra = set(os.listdir(got)) - set(names)
    check(not extra, "unexpected files in %s: %s" % (got, sorted(extra)[:5]))
    for name in names:
        check(same_file(os.path.join(expected, name), os.path.join(got, name)),
              "%s differs from its input (%s)" % (os.path.join(got, name), expected))


trash = []


def fresh(path):
    """An empty folder at path. A previous output of many files is only moved
    aside, and deleted once the case is over: ext4 passes over the inodes of
    files deleted in the last half minute when it makes new ones, and a run
    that follows the deletion of 10,000 files in the same place would spend
    seconds of kernel time on that alone, whichever program it is."""
    if os.path.isdir(path):
        many = sum(len(files) for _, _, files in os.walk(path)) > 1000
        if many:
            aside = "%s.old%d" % (path, len(trash))
            os.rename(path, aside)
            trash.append(aside)
        else:
            shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)


def empty_trash():
    """Deletes what fresh() moved aside, then lets the half minute pass, so
    the next case starts on an even footing."""
    if not trash:
        return
    while trash:
        shutil.rmtree(trash.pop(), ignore_errors=True)
    os.sync()
    time.sleep(35)


def spawn(args, cwd=None, stdout=None):
    """Runs one whole process; returns (seconds, peak KiB, exit status, stderr text).

    The peak comes from /usr/bin/time, a small process: a child forked from
    this interpreter would start its peak from the interpreter's own."""
    out = open(stdout, "wb") if stdout else subprocess.DEVNULL
    err = tempfile.TemporaryFile()
    measured = os.path.join(work, "time.out")
    try:
        start = time.perf_counter()
        rc = subprocess.call(["/usr/bin/time", "-f", "%M %x", "-o", measured, "--"] + args,
                             cwd=cwd, stdout=out, stderr=err, env=env)
        seconds = time.perf_counter() - start
    finally:
        if stdout:
            out.close()
    err.seek(0)
    with open(measured) as f:
        peak, status = f.read().split("\n")[-2].split()
    check(int(status) == rc, "/usr/bin/time did not run %s" % args[0])
    return seconds, int(peak), rc, err.read().decode(errors="replace")


class Contender:
    """One program in a case: how to run it, how to check what it made."""

    def __init__(self, name, command, verify, prepare=None, cwd=None, stdout=None, status=(0,)):
        self.name, self.command, self.verify, self.prepare = name, command, verify, prepare
        self.cwd, self.stdout, self.status = cwd, stdout, status
        self.times, self.peaks = [], []

    def run(self, timed):
        if self.prepare:
            self.prepare()
        os.sync()  # no run pays for the write-back of the one before
        seconds, peak, rc, err = spawn(self.command, self.cwd, self.stdout)
        check(rc in self.status, "%s exited with %d: %s" % (self.name, rc, err.strip()[-500:]))
        self.verify(err)
        if timed:
            self.times.append(seconds)
            self.peaks.append(peak)
        return seconds, peak


class Goal:
    def __init__(self, text, ours, peer=None, time_limit=None, memory_ratio=None, memory_mib=None, measured=None):
        self.text, self.ours, self.peer = text, ours, peer
        self.time_limit, self.memory_ratio, self.memory_mib = time_limit, memory_ratio, memory_mib
        self.measured = measured  # a verdict the case worked out itself


rows = []


def with_before(contenders):
    """Each of our programs followed by the same program of the earlier build."""
    result = []
    for c in contenders:
        result.append(c)
        if BEFORE and c.command[0].startswith(BIN + os.sep):
            twin = copy.copy(c)
            twin.name = c.name + " (before)"
            twin.command = [os.path.join(BEFORE, os.path.basename(c.command[0]))] + c.command[1:]
            twin.times, twin.peaks = [], []
            result.append(twin)
    return result


def run_case(name, title, contenders, goals):
    contenders = with_before(contenders)
    log("== %s" % title)
    for c in contenders:
        c.run(timed=False)
    for r in range(RUNS):
        order = contenders if r % 2 == 0 else list(reversed(contenders))
        for c in order:
            seconds, peak = c.run(timed=True)
            log("   round %d  %-22s %8.3f s  %7.1f MiB" % (r + 1, c.name, seconds, peak / 1024))
    empty_trash()
    by_name = {c.name: c for c in contenders}
    rows.append((title, contenders, [(g, by_name) for g in goals]))


def median(v):
    return statistics.median(v)


def verdict(what, value, limit, text):
    """One goal's line: the measured value against its limit, and by how much it is missed."""
    ok = value <= limit if what != "peak" else value < limit
    return "%s (goal %s): %s" % (text, ("< %d MiB" if what == "peak" else "≤ %.2f") % limit,
                                  "met" if ok else "missed by %.0f%%" % (100 * (value / limit - 1)))


def judge(goal, by_name):
    ours = by_name[goal.ours]
    verdicts = []
    if goal.time_limit is not None:
        ratio = median(ours.times) / median(by_name[goal.peer].times)
        verdicts.append(verdict("time", ratio, goal.time_limit, "time %.2f× %s" % (ratio, goal.peer)))
    if goal.memory_ratio is not None:
        ratio = max(ours.peaks) / max(by_name[goal.peer].peaks)
        verdicts.append(verdict("memory", ratio, goal.memory_ratio, "memory %.2f× %s" % (ratio, goal.peer)))
    if goal.memory_mib is not None:
        mib = max(ours.peaks) / 1024
        verdicts.append(verdict("peak", mib, goal.memory_mib, "peak %.1f MiB" % mib))
    if goal.measured:
        verdicts.append(goal.measured)
    return "%s — %s: %s" % (goal.ours, goal.text, "; ".join(verdicts))


def print_table():
    lines = ["", "%d rounds each (median, min–max); ratio = our median time / the peer's; "
             "peak = largest resident set of any round" % RUNS, ""]
    head = "%-34s %-26s %22s %10s %18s" % ("case", "program", "seconds median (min–max)", "peak MiB",
                                          "ratio to peer")
    lines += [head, "-" * len(head)]
    for title, contenders, goals in rows:
        reference = contenders[-1]  # the main peer is listed last
        for c in contenders:
            ratio = median(c.times) / median(reference.times)
            lines.append("%-34s %-26s %8.3f (%.3f–%.3f) %10.1f %18s" % (
                title, c.name, median(c.times), min(c.times), max(c.times), max(c.peaks) / 1024,
                "" if c is reference else "%.2f× %s" % (ratio, reference.name)))
            title = ""
        for goal, by_name in goals:
            lines.append("%-34s   %s" % ("", judge(goal, by_name)))
        lines.append("")
    text = "\n".join(lines)
    print(text)
    if RESULTS:
        with open(RESULTS, "a") as f:
            f.write("\n# %s%s\n" % (time.strftime("%Y-%m-%d %H:%M:%S"), " (quick)" if QUICK else ""))
            f.write("\n".join(log_lines) + "\n" + text + "\n")


# ---------------------------------------------------------------- cases

def case_load():
    doc = os.path.join(work, "load.gp")
    spawn([tool("cvclib-driver"), "document", doc, "100", "10", "100"])
    check(os.path.getsize(doc) > 10 * MIB, "the test document was not written")
    # Loading loses nothing: saved again, it gives the same bytes.
    copy = os.path.join(work, "load-copy.gp")
    spawn([tool("cvclib-driver"), "resave", doc, copy])
    check(same_file(doc, copy), "load and save again did not give the same document")
    os.remove(copy)
    inspected = os.path.join(work, "inspect.txt")
    reference = os.path.join(work, "inspect-first.txt")
    counts = os.path.join(work, "counts.txt")

    def verify_inspect(_):
        if not os.path.exists(reference):
            check(os.path.getsize(inspected) > 0, "inspect printed nothing")
            shutil.copy(inspected, reference)
        check(same_file(reference, inspected), "inspect printed something else this time")

    def verify_counts(_):
        with open(counts) as f:
            check(f.read() == "tasks 100 files 100000\n", "the driver did not load every file")

    def verify_lint(err):
        check("validates" in err, "xmllint did not validate: %s" % err)

    schema = tool("Corvan1.xml")
    size = os.path.getsize(doc) / 1e6
    run_case("load", "document load %.1f MB" % size, [
        Contender("corvan-cli inspect", [tool("corvan-cli"), "inspect", doc], verify_inspect, stdout=inspected),
        Contender("cvclib-driver load", [tool("cvclib-driver"), "load", doc], verify_counts, stdout=counts),
        Contender("xmllint --schema", ["xmllint", "--noout", "--schema", schema, doc], verify_lint),
    ], [Goal("load", "corvan-cli inspect", "xmllint --schema", time_limit=1.2, memory_ratio=1.2),
        Goal("load", "cvclib-driver load", "xmllint --schema", time_limit=1.2, memory_ratio=1.2)])


def case_write():
    count = 40 if QUICK else 200
    files = os.path.join(work, "write-files")
    names = make_files(files, count, MIB, seed=11)
    ours, theirs = os.path.join(work, "write.gpa"), os.path.join(work, "write.zip")
    check_dir = os.path.join(work, "write-check")

    def remove(path):
        return lambda: os.path.exists(path) and os.remove(path)

    def verify_ours(_):
        fresh(check_dir)
        _, _, rc, err = spawn([tool("cvclib-driver"), "extract", ours, check_dir])
        check(rc == 0, "our archive did not extract: %s" % err)
        same_folder(files, names, check_dir)

    def verify_zip(_):
        fresh(check_dir)
        _, _, rc, err = spawn(["unzip", "-q", theirs, "-d", check_dir])
        check(rc == 0, "the zip did not extract: %s" % err)
        same_folder(files, names, os.path.join(check_dir, "write-files"))

    run_case("write", "archive write %d × 1 MiB" % count, [
        Contender("cvclib-driver archive", [tool("cvclib-driver"), "archive", files, ours], verify_ours,
                  prepare=remove(ours)),
        Contender("zip -r (level 6)", ["zip", "-q", "-r", "-6", theirs, "write-files"], verify_zip,
                  prepare=remove(theirs), cwd=work),
    ], [Goal("archive write", "cvclib-driver archive", "zip -r (level 6)", time_limit=1.0)])
    log("   sizes: ours %.1f MiB, zip %.1f MiB" % (os.path.getsize(ours) / MIB, os.path.getsize(theirs) / MIB))


def receive_case(key, count, size, goals):
    """An archive received by corvan-cli against unzip of a zip of the same files."""
    files = os.path.join(work, key + "-files")
    names = make_files(files, count, size, seed=count)
    archive, zipped = os.path.join(work, key + ".gpa"), os.path.join(work, key + ".zip")
    _, _, rc, err = spawn([tool("cvclib-driver"), "archive", files, archive])
    check(rc == 0, "the archive was not written: %s" % err)
    _, _, rc, err = spawn(["zip", "-q", "-r", zipped, "."], cwd=files)
    check(rc == 0, "the zip was not written: %s" % err)
    root, unzipped = os.path.join(work, key + "-root"), os.path.join(work, key + "-unzip")

    def verify_ours(_):
        same_folder(files, names, os.path.join(root, "out"))

    label = "%d × %s" % (count, "%d KiB" % (size // 1024) if size < MIB else "%d MiB" % (size // MIB))
    run_case(key, "archive receive " + label, [
        Contender("corvan-cli receive", [tool("corvan-cli"), "receive", archive, "--root", root, "--yes"],
                  verify_ours, prepare=lambda: fresh(root)),
        Contender("unzip", ["unzip", "-q", "-o", zipped, "-d", unzipped],
                  lambda _: same_folder(files, names, unzipped), prepare=lambda: fresh(unzipped)),
    ], goals)
    for path in (files, root, unzipped, archive, zipped):
        shutil.rmtree(path, ignore_errors=True) if os.path.isdir(path) else os.remove(path)


class Nginx:
    def __init__(self):
        self.www = os.path.join(work, "www")
        os.makedirs(os.path.join(self.www, "small"), exist_ok=True)
        logs = os.path.join(work, "nginx")
        os.makedirs(logs, exist_ok=True)
        s = socket.socket()
        s.bind(("127.0.0.1", 0))
        self.port = s.getsockname()[1]
        s.close()
        conf = os.path.join(logs, "nginx.conf")
        temp = " ".join("%s_temp_path %s;" % (k, logs) for k in ("client_body", "proxy", "fastcgi", "uwsgi", "scgi"))
        with open(conf, "w") as f:
            f.write("daemon off; worker_processes 1; pid %s/nginx.pid; error_log %s/error.log;\n"
                    "events { worker_connections 256; }\n"
                    "http { access_log off; sendfile on; keepalive_requests 1000000; %s\n"
                    "  server { listen 127.0.0.1:%d; root %s; } }\n" % (logs, logs, temp, self.port, self.www))
        os.chmod(work, 0o755)  # nginx workers read the files as an unprivileged user
        self.process = subprocess.Popen(["nginx", "-c", conf, "-p", logs], stderr=subprocess.DEVNULL)
        self.url = "http://127.0.0.1:%d" % self.port

    def serve(self, name, data_maker):
        data_maker(os.path.join(self.www, name))
        for root, dirs, files in os.walk(self.www):
            for d in dirs:
                os.chmod(os.path.join(root, d), 0o755)
            for f in files:
                os.chmod(os.path.join(root, f), 0o644)

    def wait(self):
        for _ in range(100):
            try:
                urllib.request.urlopen(self.url + "/", timeout=1)
                return
            except urllib.error.HTTPError:
                return
            except OSError:
                time.sleep(0.05)
        raise RuntimeError("nginx did not start")

    def stop(self):
        self.process.terminate()
        self.process.wait()


nginx = None


def http_case(key, title, folder, names, goals):
    """Files fetched from nginx by corvan-cli, curl (one invocation) and wget -i."""
    served = os.path.join(nginx.www, folder)
    listing = os.path.join(work, key + ".list")
    with open(listing, "w") as f:
        f.write("".join(n + "\n" for n in names))
    gp = os.path.join(work, key + ".gp")
    _, _, rc, err = spawn([tool("cvclib-driver"), "http", "127.0.0.1", str(nginx.port), "/%s/" % folder, listing, gp])
    check(rc == 0, "the GuidePost was not written: %s" % err)
    outs = {k: os.path.join(work, key + "-" + k) for k in ("ours", "curl", "wget")}
    config, urls = os.path.join(work, key + ".curl"), os.path.join(work, key + ".urls")
    with open(config, "w") as f:
        for n in names:
            f.write('url = "%s/%s/%s"\noutput = "%s/%s"\n' % (nginx.url, folder, n, outs["curl"], n))
    with open(urls, "w") as f:
        f.write("".join("%s/%s/%s\n" % (nginx.url, folder, n) for n in names))
    run_case(key, title, [
        Contender("corvan-cli receive", [tool("corvan-cli"), "receive", gp, "--root", outs["ours"], "--yes"],
                  lambda _: same_folder(served, names, os.path.join(outs["ours"], "out")),
                  prepare=lambda: fresh(outs["ours"])),
        Contender("wget -i", ["wget", "-q", "-i", urls, "-P", outs["wget"]],
                  lambda _: same_folder(served, names, outs["wget"]), prepare=lambda: fresh(outs["wget"])),
        Contender("curl", ["curl", "-s", "-f", "-K", config],
                  lambda _: same_folder(served, names, outs["curl"]), prepare=lambda: fresh(outs["curl"])),
    ], goals)
    for path in outs.values():
        shutil.rmtree(path, ignore_errors=True)


def case_resume():
    """A large file from nginx, the receive SIGKILLed once half of it is held
    in the resume area, then run again: the bytes nginx sent the second time
    (its access log) against the file's size, and the result byte for byte."""
    size = (256 if QUICK else 1024) * MIB
    logs = os.path.join(work, "resume-nginx")
    os.makedirs(os.path.join(logs, "www", "big"), exist_ok=True)
    served = os.path.join(logs, "www", "big", "resume.dat")
    make_big_file(served, size, seed=11)
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    access = os.path.join(logs, "access.log")
    conf = os.path.join(logs, "nginx.conf")
    with open(conf, "w") as f:
        f.write("daemon off; master_process off; pid %s/nginx.pid; error_log %s/error.log;\n"
                "events { worker_connections 16; }\n"
                "http { log_format bytes '$status $body_bytes_sent'; access_log %s bytes; sendfile on;\n"
                "  client_body_temp_path %s; proxy_temp_path %s; fastcgi_temp_path %s;\n"
                "  server { listen 127.0.0.1:%d; root %s/www; } }\n" % (logs, logs, access, logs, logs, logs, port, logs))
    server = subprocess.Popen(["nginx", "-c", conf, "-p", logs, "-e", os.path.join(logs, "error.log")],
                              stderr=subprocess.DEVNULL)
    try:
        for _ in range(100):
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                break
            except OSError:
                time.sleep(0.05)
        gp = os.path.join(work, "resume.gp")
        with open(gp, "w", encoding="ascii") as f:
            f.write("<?xml version='1.0' encoding=\"Shift-JIS\"?>\n<Corvandelle xmlns=\"x-schema:corvandelle\">"
                    "<version>1</version><location>remote</location><name>resume</name><tasklist><task><name>t</name>"
                    "<destination><type>save</type><folder>out</folder></destination><sourcelist><source><name>s</name>"
                    "<protocol>http</protocol><server><name>127.0.0.1</name></server><port>%d</port>"
                    "<filelist remotefolder=\"/big/\"><name>l</name><file name=\"resume.dat\"><remote>resume.dat"
                    "</remote></file></filelist></source></sourcelist></task></tasklist></Corvandelle>\n" % port)
        out = os.path.join(work, "resume-out")
        area = os.path.join(home, "state", "corvandelle", "partial")
        run_env = dict(env, XDG_STATE_HOME=os.path.join(home, "state"))
        command = [tool("corvan-cli"), "receive", gp, "--root", out, "--yes"]
        killed_times, second_times, second_peaks, moved = [], [], [], []
        log("== resume %d MiB" % (size // MIB))
        for r in range(RUNS):
            fresh(out)
            shutil.rmtree(area, ignore_errors=True)
            open(access, "w").close()
            os.sync()
            start = time.perf_counter()
            child = subprocess.Popen(command, env=run_env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            held = 0
            while held < size // 2 and child.poll() is None:
                for name in os.listdir(area) if os.path.isdir(area) else []:
                    if name.endswith(".rec"):
                        try:
                            with open(os.path.join(area, name)) as rec:
                                for line in rec:
                                    if line.startswith("bytes="):
                                        held = int(line[6:])
                        except (OSError, ValueError):
                            pass
                time.sleep(0.002)
            child.kill()
            child.wait()
            killed_times.append(time.perf_counter() - start)
            check(held >= size // 2, "the first run ended before half the file was held")
            with open(access) as f:
                first_requests = len(f.readlines())
            seconds, peak, rc, err = spawn_env(command, run_env)
            check(rc == 0, "the resumed receive failed: %s" % err.strip()[-500:])
            check(same_file(served, os.path.join(out, "out", "resume.dat")), "the resumed file differs")
            check(not os.listdir(area), "the resume area kept data of a finished file")
            with open(access) as f:
                later = [line.split() for line in f.readlines()[first_requests:]]
            sent = sum(int(fields[1]) for fields in later)
            moved.append(sent / size)
            second_times.append(seconds)
            second_peaks.append(peak)
            log("   round %d  killed after %6.3f s, held %5.1f %%; second run %6.3f s, moved %5.1f %% (%s)"
                % (r + 1, killed_times[-1], 100 * held / size, seconds, 100 * moved[-1],
                   ", ".join(" ".join(l) for l in later)))
        shutil.rmtree(out, ignore_errors=True)
    finally:
        server.terminate()
        server.wait()
        shutil.rmtree(logs, ignore_errors=True)
    killed = Contender("corvan-cli until SIGKILL", command, None)
    killed.times, killed.peaks = killed_times, [0]
    second = Contender("corvan-cli resumed", command, None)
    second.times, second.peaks = second_times, second_peaks
    worst = max(moved)
    rows.append(("Resume %d MiB after SIGKILL" % (size // MIB), [killed, second], [(Goal(
        "second run moves at most 51 %", "corvan-cli resumed",
        measured="moved %.1f %% at most (goal ≤ 51 %%): %s" % (100 * worst, "met" if worst <= 0.51 else "missed")),
        {"corvan-cli resumed": second})]))


DELAYED_SERVER = r"""
import http.server, os, sys, time
root, port = sys.argv[1], int(sys.argv[2])
class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"  # connections are kept
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=root, **kwargs)
    def do_GET(self):
        time.sleep(0.02)  # the round trip of a distant server
        super().do_GET()
    def log_message(self, *args):
        pass
http.server.ThreadingHTTPServer.daemon_threads = True
http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler).serve_forever()
"""


def case_http_rtt():
    """1,000 files of 4 KiB from a server that answers each request after
    20 ms: ours against curl one after another and curl --parallel."""
    count = 300 if QUICK else 1000
    folder = os.path.join(work, "rtt-www")
    names = make_files(os.path.join(folder, "rtt"), count, 4096, seed=13)
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    script = os.path.join(work, "delayed_server.py")
    with open(script, "w") as f:
        f.write(DELAYED_SERVER)
    server = subprocess.Popen([sys.executable, script, folder, str(port)], stderr=subprocess.DEVNULL)
    try:
        for _ in range(100):
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                break
            except OSError:
                time.sleep(0.05)
        served = os.path.join(folder, "rtt")
        listing = os.path.join(work, "rtt.list")
        with open(listing, "w") as f:
            f.write("".join(n + "\n" for n in names))
        gp = os.path.join(work, "rtt.gp")
        _, _, rc, err = spawn([tool("cvclib-driver"), "http", "127.0.0.1", str(port), "/rtt/", listing, gp])
        check(rc == 0, "the GuidePost was not written: %s" % err)
        outs = {k: os.path.join(work, "rtt-" + k) for k in ("ours", "curl", "parallel")}
        config = os.path.join(work, "rtt.curl")
        with open(config, "w") as f:
            for n in names:
                f.write('url = "http://127.0.0.1:%d/rtt/%s"\noutput = "%s/%s"\n' % (port, n, outs["curl"], n))
        pconfig = os.path.join(work, "rtt-parallel.curl")
        with open(pconfig, "w") as f:
            for n in names:
                f.write('url = "http://127.0.0.1:%d/rtt/%s"\noutput = "%s/%s"\n' % (port, n, outs["parallel"], n))
        run_case("http-rtt", "HTTP %d × 4 KiB, 20 ms round trip" % count, [
            Contender("corvan-cli receive", [tool("corvan-cli"), "receive", gp, "--root", outs["ours"], "--yes"],
                      lambda _: same_folder(served, names, os.path.join(outs["ours"], "out")),
                      prepare=lambda: fresh(outs["ours"])),
            Contender("curl --parallel-max 6", ["curl", "-s", "-f", "--parallel", "--parallel-max", "6", "-K", pconfig],
                      lambda _: same_folder(served, names, outs["parallel"]), prepare=lambda: fresh(outs["parallel"])),
            Contender("curl", ["curl", "-s", "-f", "-K", config],
                      lambda _: same_folder(served, names, outs["curl"]), prepare=lambda: fresh(outs["curl"])),
        ], [Goal("at least 5× faster than curl one by one", "corvan-cli receive", "curl", time_limit=0.2,
                 memory_mib=48),
            Goal("no slower than curl --parallel", "corvan-cli receive", "curl --parallel-max 6", time_limit=1.0)])
        for path in outs.values():
            shutil.rmtree(path, ignore_errors=True)
    finally:
        server.terminate()
        server.wait()
        shutil.rmtree(folder, ignore_errors=True)


def spawn_env(args, run_env):
    saved = dict(env)
    env.clear()
    env.update(run_env)
    try:
        return spawn(args)
    finally:
        env.clear()
        env.update(saved)


def case_cipher():
    size = (64 if QUICK else 256) * MIB
    plain = os.path.join(work, "cipher.plain")
    make_big_file(plain, size, seed=3)
    key = "0123456789ABCDEFFEDCBA9876543210"
    ours, theirs, back = (os.path.join(work, n) for n in ("cipher.ours", "cipher.openssl", "cipher.back"))
    openssl = ["openssl", "enc", "-bf-ecb", "-nosalt", "-nopad", "-K", key, "-provider", "legacy", "-provider",
               "default"]

    def round_trip(args):
        def verify(_):
            _, _, rc, err = spawn(args)
            check(rc == 0, "deciphering failed: %s" % err)
            check(same_file(plain, back), "deciphered data differs from the input")
            os.remove(back)
        return verify

    run_case("cipher", "Blowfish encipher %d MiB" % (size // MIB), [
        Contender("cipher_tool encipher", [tool("cipher_tool"), "encipher", key, plain, ours],
                  round_trip([tool("cipher_tool"), "decipher", key, ours, back])),
        Contender("openssl enc -bf-ecb", openssl + ["-in", plain, "-out", theirs],
                  round_trip(openssl + ["-d", "-in", theirs, "-out", back])),
    ], [Goal("throughput at least 0.8× openssl's", "cipher_tool encipher", "openssl enc -bf-ecb", time_limit=1.25)])
    for path in (plain, ours, theirs):
        os.remove(path)


def main():
    global nginx
    wanted = lambda name: not SELECTED or name in SELECTED
    log("work folder %s, %d rounds%s" % (work, RUNS, ", quick" if QUICK else ""))
    try:
        if wanted("load"):
            case_load()
        if wanted("write"):
            case_write()
        small = 2000 if QUICK else 10000
        if wanted("receive-small"):
            receive_case("receive-small", small, 4096, [
                Goal("receive", "corvan-cli receive", "unzip", time_limit=1.2, memory_mib=32)])
        if wanted("receive-many") and not QUICK:
            receive_case("receive-many", 30000, 4096, [Goal("receive", "corvan-cli receive", memory_mib=32)])
        if wanted("receive-large"):
            receive_case("receive-large", 40 if QUICK else 1000, MIB, [
                Goal("receive (was 0.55× unzip)", "corvan-cli receive", "unzip", time_limit=1.0)])
        if wanted("http-small") or wanted("http-big"):
            nginx = Nginx()
            nginx.wait()
        if wanted("http-small"):
            names = make_files(os.path.join(nginx.www, "small"), small, 4096, seed=5)
            nginx.serve("small", lambda _: None)
            http_case("http-small", "HTTP %d × 4 KiB" % small, "small", names, [
                Goal("throughput at least 1.2× curl's", "corvan-cli receive", "curl", time_limit=1 / 1.2)])
        if wanted("http-big"):
            big = (128 if QUICK else 1024) * MIB
            os.makedirs(os.path.join(nginx.www, "big"), exist_ok=True)
            nginx.serve("big/big.dat", lambda p: make_big_file(p, big, seed=9))
            http_case("http-big", "HTTP 1 × %d MiB" % (big // MIB), "big", ["big.dat"], [
                Goal("throughput at least 1.0× curl's", "corvan-cli receive", "curl", time_limit=1.0)])
        if wanted("resume"):
            case_resume()
        if wanted("http-rtt"):
            case_http_rtt()
        if wanted("cipher"):
            case_cipher()
    finally:
        if nginx:
            nginx.stop()
        shutil.rmtree(work, ignore_errors=True)
    print_table()


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Plants faults in the sources one at a time and counts those the test suite catches.

  scripts/plant-faults.py [--only REGEX] [--build DIR] [--results FILE] [--jobs N]

Each fault of scripts/faults.tsv replaces one piece of text in one source file. For each, the
script writes the changed file, rebuilds (a separate build folder, warnings not fatal, no
benchmark), runs ctest, and restores the file. A fault is "caught" when ctest fails, "missed"
when the suite passes, "no-build" when the change does not compile, "absent" when its text is
no longer found exactly once. The unchanged sources are built and tested first: a suite that is
red already would "catch" everything. Source files are restored on every exit path, Ctrl+C
included. Compare two versions of the suite by running the same table on both.
"""
import argparse
import os
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


def load_faults(path):
    faults = []
    for n, line in enumerate(path.read_text().splitlines(), 1):
        if not line.strip() or line.startswith("#"):
            continue
        fields = line.split("\t")
        if len(fields) != 4:
            sys.exit(f"{path}:{n}: expected 4 tab-separated fields, found {len(fields)}")
        unescape = lambda s: s.replace("\\n", "\n").replace("\\t", "\t")
        faults.append((fields[0], fields[1], unescape(fields[2]), unescape(fields[3])))
    names = [f[0] for f in faults]
    if len(set(names)) != len(names):
        sys.exit(f"{path}: fault names must be unique")
    return faults


def run(cmd, log, timeout=None):
    with open(log, "ab") as out:
        out.write(("\n$ " + " ".join(cmd) + "\n").encode())
        out.flush()
        return subprocess.run(cmd, cwd=ROOT, stdout=out, stderr=subprocess.STDOUT,
                              timeout=timeout).returncode


def failed_tests(log):
    text = Path(log).read_text(errors="replace")
    return re.findall(r"^\s*\d+ - (\S+)(?: # .*?)? \(", text.split("The following tests FAILED:")[-1], re.M)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--faults", default=str(ROOT / "scripts" / "faults.tsv"))
    ap.add_argument("--only", help="regular expression the fault names must match")
    ap.add_argument("--build", default=str(ROOT / "build" / "faults"))
    ap.add_argument("--results", help="also write the results to this tab-separated file")
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    ap.add_argument("--skip-baseline", action="store_true",
                    help="do not check first that the unchanged sources pass")
    args = ap.parse_args()

    faults = load_faults(Path(args.faults))
    if args.only:
        faults = [f for f in faults if re.search(args.only, f[0])]
    build = Path(args.build)
    build.mkdir(parents=True, exist_ok=True)
    log = build / "plant-faults.log"
    log.write_text("")
    env_launcher = ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"] if subprocess.run(
        ["which", "ccache"], capture_output=True).returncode == 0 else []
    if run(["cmake", "-S", ".", "-B", str(build), "-G", "Ninja",
            "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DBRENNIC_WERROR=OFF",
            "-DBRENNIC_BUILD_BENCH=OFF"] + env_launcher, log) != 0:
        sys.exit(f"configuring failed; see {log}")

    def build_and_test():
        if run(["cmake", "--build", str(build), "-j", str(args.jobs)], log) != 0:
            return "no-build", []
        mark = log.stat().st_size
        rc = run(["ctest", "--test-dir", str(build), "-j", str(args.jobs), "--timeout", "300",
                  "--stop-on-failure", "--output-on-failure"], log)
        if rc == 0:
            return "missed", []
        with open(log, "rb") as f:
            f.seek(mark)
            tail = build / "last-ctest.log"
            tail.write_bytes(f.read())
        return "caught", failed_tests(tail)

    # Restore the planted file whatever ends the run.
    planted = {}

    def restore():
        for path, original in planted.items():
            path.write_bytes(original)
        planted.clear()

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    results = []
    try:
        if not args.skip_baseline:
            status, tests = build_and_test()
            if status != "missed":
                sys.exit(f"the unchanged sources do not pass ({status} {' '.join(tests)}); "
                         f"see {log}")
            print("unchanged sources: suite passes", flush=True)
        for name, file, old, new in faults:
            path = ROOT / file
            text = path.read_bytes().decode()
            if text.count(old) != 1:
                results.append((name, "absent", 0.0, ""))
                print(f"{name:32} absent ({text.count(old)} matches in {file})", flush=True)
                continue
            started = time.monotonic()
            planted[path] = text.encode()
            path.write_bytes(text.replace(old, new).encode())
            status, tests = build_and_test()
            restore()
            seconds = time.monotonic() - started
            results.append((name, status, seconds, " ".join(tests[:3])))
            print(f"{name:32} {status:8} {seconds:6.0f} s  {' '.join(tests[:3])}", flush=True)
    except KeyboardInterrupt:
        print("interrupted", file=sys.stderr)
    finally:
        restore()

    counted = [r for r in results if r[1] in ("caught", "missed")]
    caught = sum(1 for r in counted if r[1] == "caught")
    print(f"caught {caught} of {len(counted)} faults "
          f"({len(results) - len(counted)} not counted: absent or not compiling)")
    if args.results:
        with open(args.results, "w") as f:
            for r in results:
                f.write(f"{r[0]}\t{r[1]}\t{r[2]:.0f}\t{r[3]}\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())

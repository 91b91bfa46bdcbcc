#!/usr/bin/env python3
"""Deliberate faults: does the test suite notice them?

Applies each one-line fault of a list (scripts/mutations.txt by default) in turn to a scratch
worktree of this repository, rebuilds there and runs the whole test program. A fault the tests
do not notice "survived": a place where a real mistake would pass unseen. Prints each fault's
fate and the score, and exits 1 when any fault survived.

It takes long (a rebuild per fault), so it is not part of CI:

    scripts/mutation-check.py                   # the faults against HEAD
    scripts/mutation-check.py --rev main~3      # ... against an older revision's tests
    scripts/mutation-check.py --only 3 --only 7 # a few faults by number
    scripts/mutation-check.py --tests-of main   # also: would the tests main has have noticed?
    scripts/mutation-check.py --check           # only: does every fault still apply? (no build)

--check is quick and runs in the test suite, so a change that moves a fault's line makes the
list fail there instead of leaving a fault that silently no longer applies.

With --tests-of, each fault's failing tests are compared with the tests (by suite and name)
that the other revision defines, which scores an older test suite from the same run: the code
under test is the checked revision's either way.

The scratch worktree (default build-mutants/ in this checkout) and its build are kept between
runs, and compiles go through ccache, so a second run rebuilds little. The faults file is read from this
checkout, whatever revision is checked.

Faults file: blocks separated by blank lines, "#" starts a comment line.

    fault: SVG and PDF pictures draw nothing
    file: src/render/Export.cpp
    from: cairo_scale(cr.get(), scale, scale);
    to: cairo_scale(cr.get(), scale, scale); cairo_rectangle(cr.get(), 0, 0, 0, 0); cairo_clip(cr.get());

`from` is a piece of exactly one line of the file; that piece becomes `to`. A fault of several
from/to pairs changes all those lines (a property dropped by both the writer and the reader).
A line "or" starts another set of pairs, for revisions in which the lines read differently:
the first set that matches is used.
"""
import argparse
import os
import re
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent


def read_faults(path):
    faults, block = [], {}

    def close():
        if block:
            for key in ("fault", "file", "sets"):
                if key not in block or not block[key] or not block[key][-1]:
                    sys.exit(f"{path}: a fault lacks '{key}': {block}")
            faults.append(dict(block))
            block.clear()

    for number, raw in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        line = raw.rstrip("\n")
        if not line.strip():
            close()
            continue
        if line.lstrip().startswith("#"):
            continue
        if line.strip() == "or":
            block.setdefault("sets", [[]]).append([])
            continue
        key, sep, value = line.partition(":")
        if not sep:
            sys.exit(f"{path}:{number}: expected 'key: value'")
        key, value = key.strip(), value.strip()
        if key in ("fault", "file"):
            block[key] = value
        elif key == "from":
            block.setdefault("sets", [[]])[-1].append([value, None])
        elif key == "to":
            pairs = block.get("sets", [[]])[-1]
            if not pairs or pairs[-1][1] is not None:
                sys.exit(f"{path}:{number}: 'to' without its 'from'")
            pairs[-1][1] = value
        else:
            sys.exit(f"{path}:{number}: unknown key '{key}'")
    close()
    return faults


def run(command, cwd, log=None, timeout=None):
    result = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                            errors="replace", timeout=timeout)
    if log is not None:
        log.write(f"$ {' '.join(command)}\n{result.stdout}\n")
        log.flush()
    return result


def apply(fault, scratch):
    """The file's original text, after writing the faulty one; None when no pair matches once."""
    path = scratch / fault["file"]
    if not path.exists():
        return None, "no such file"
    original = path.read_text(encoding="utf-8")
    for pairs in fault["sets"]:
        lines = original.split("\n")
        changed = []
        for find, replace in pairs:
            hits = [i for i, line in enumerate(lines) if find in line]
            if len(hits) != 1:
                break
            lines[hits[0]] = lines[hits[0]].replace(find, replace, 1)
            changed.append(str(hits[0] + 1))
        else:
            path.write_text("\n".join(lines), encoding="utf-8")
            return original, "line " + ", ".join(changed)
    return None, "a line is not there (or not once)"


def failures(output):
    names = []
    for line in output.splitlines():
        if line.startswith("[  FAILED  ]") and "." in line:
            name = line[len("[  FAILED  ]"):].strip().split(" ")[0].rstrip(",")
            if name not in names:
                names.append(name)
    return names


def tests_of(rev):
    """Suite.Name of every test the revision's tests/ folder defines."""
    files = run(["git", "ls-tree", "-r", "--name-only", rev, "tests"], REPO).stdout.split()
    names = set()
    pattern = re.compile(r"^(?:TEST|TEST_F|TYPED_TEST)\(\s*(\w+)\s*,\s*(\w+)", re.M)
    for name in files:
        if name.endswith(".cpp"):
            text = run(["git", "show", f"{rev}:{name}"], REPO).stdout
            names.update(f"{a}.{b}" for a, b in pattern.findall(text))
    return names


def check_applies(faults):
    """0 when every fault applies once to the working files; otherwise names those that do not."""
    stale = []
    for number, fault in enumerate(faults, 1):
        path = REPO / fault["file"]
        text = path.read_text(encoding="utf-8") if path.exists() else None
        lines = text.split("\n") if text is not None else []
        if text is None or not any(all(sum(find in line for line in lines) == 1 for find, _ in pairs)
                                   for pairs in fault["sets"]):
            stale.append(f"{number}. {fault['fault']} ({fault['file']}): a line is not there (or not once)")
    for line in stale:
        print(line)
    print(f"{len(faults) - len(stale)} of {len(faults)} faults apply")
    return 1 if stale else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rev", default="HEAD", help="revision to check (default HEAD)")
    parser.add_argument("--faults", type=Path, default=REPO / "scripts" / "mutations.txt")
    # Inside the checkout (ignored as a build folder): ccache serves the scratch build from this
    # checkout's objects when both lie under its base_dir.
    parser.add_argument("--scratch", type=Path, default=REPO / "build-mutants")
    parser.add_argument("--only", type=int, action="append", help="fault number (1-based); may repeat")
    parser.add_argument("--tests-of", metavar="REV", help="also score the tests this revision defines")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--timeout", type=int, default=900, help="seconds for one test run")
    parser.add_argument("--check", action="store_true",
                        help="only check that each fault applies to this checkout's files")
    args = parser.parse_args()

    faults = read_faults(args.faults)
    if args.check:
        sys.exit(check_applies(faults))
    chosen = [(i, f) for i, f in enumerate(faults, 1) if not args.only or i in args.only]
    scratch = args.scratch.resolve()
    build = scratch / "build"
    scratch.parent.mkdir(parents=True, exist_ok=True)

    rev = run(["git", "rev-parse", "--verify", args.rev + "^{commit}"], REPO).stdout.strip()
    if not rev:
        sys.exit(f"no such revision: {args.rev}")
    fresh = not (scratch / ".git").exists()
    if fresh:
        made = run(["git", "worktree", "add", "--detach", str(scratch), rev], REPO)
        if made.returncode:
            sys.exit(f"could not make the scratch worktree {scratch}:\n{made.stdout}")
    # In the scratch worktree, untracked: kept across checkouts of other revisions.
    log = open(scratch / "mutation-check.log", "w", encoding="utf-8")
    if not fresh:
        run(["git", "checkout", "--", "."], scratch, log)
        if run(["git", "checkout", "--detach", rev], scratch, log).returncode:
            sys.exit(f"could not check out {args.rev} in {scratch} (see {log.name})")
    print(f"scratch worktree {scratch} at {rev[:10]} ({args.rev}); log in {log.name}", flush=True)

    if not (build / "build.ninja").exists():
        configure = ["cmake", "-S", str(scratch), "-B", str(build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                     "-DPLOTLET_BUILD_BENCH=OFF", "-DPLOTLET_BUILD_DESKTOP=OFF"]
        if run(configure, scratch, log).returncode:
            sys.exit(f"configuring the scratch build failed (see {log.name})")
    build_command = ["cmake", "--build", str(build), "-j", str(args.jobs)]
    tests = [str(build / "bin" / "plotlet_tests"), "--gtest_brief=1"]
    if not args.tests_of:
        tests.append("--gtest_fail_fast")
    older = tests_of(args.tests_of) if args.tests_of else None
    if older is not None and not older:
        sys.exit(f"no tests found in {args.tests_of}")

    started = time.time()
    if run(build_command, scratch, log).returncode:
        sys.exit(f"the unchanged scratch tree does not build (see {log.name})")
    if run(tests, build, log, args.timeout).returncode:
        sys.exit(f"the tests fail without any fault (see {log.name})")
    print(f"unchanged tree builds and passes ({time.time() - started:.0f} s)", flush=True)

    caught, survived, skipped, caught_by_older = [], [], [], []
    for number, fault in chosen:
        started = time.time()
        original, where = apply(fault, scratch)
        label = f"{number:2d}. {fault['fault']} ({fault['file']}"
        if original is None:
            print(f"{label}) NOT APPLIED: {where}", flush=True)
            skipped.append(number)
            continue
        label += f", {where})"
        try:
            if run(build_command, scratch, log).returncode:
                print(f"{label} does not build: not counted", flush=True)
                skipped.append(number)
                continue
            try:
                result = run(tests, build, log, args.timeout)
                failed, names = result.returncode != 0, failures(result.stdout)
                why = ", ".join(names[:3]) + (f" and {len(names) - 3} more" if len(names) > 3 else "")
                why = why or "the test program failing"
            except subprocess.TimeoutExpired:
                failed, names, why = True, [], f"the tests running over {args.timeout} s"
            seconds = time.time() - started
            note = ""
            if older is not None:
                by_older = failed and (not names or any(n in older for n in names))
                if by_older:
                    caught_by_older.append(number)
                note = f"; tests of {args.tests_of}: " + ("caught" if by_older else "survived")
            if failed:
                caught.append(number)
                print(f"{label} caught by {why} ({seconds:.0f} s{note})", flush=True)
            else:
                survived.append(number)
                print(f"{label} SURVIVED ({seconds:.0f} s{note})", flush=True)
        finally:
            (scratch / fault["file"]).write_text(original, encoding="utf-8")

    counted = len(caught) + len(survived)
    print(f"\nscore: {len(caught)} of {counted} faults caught" + (f", {len(skipped)} not counted" if skipped else ""))
    if survived:
        print("survivors: " + ", ".join(f"{n}. {faults[n - 1]['fault']}" for n in survived))
    if older is not None:
        print(f"the tests of {args.tests_of} would have caught {len(caught_by_older)} of {counted}")
    run(build_command, scratch, log)  # leave the scratch build as the revision stands
    return 1 if survived else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Runs ctest with the given arguments, then fails the run on any skipped test whose reason is not
one of the few below. ctest counts a skip as a pass, so a test that skips where it should run would
otherwise go green unseen. A test names its reason at the start of its skip message:
    GTEST_SKIP() << "allowed: one-monitor: ...";
Skips are read from gtest's own output, so those inside a ctest test that runs many gtests count too.
    scripts/ctest_skips.py --list     prints the allowed reasons
"""
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

ALLOWED = {
    "one-monitor": "the system reports one monitor: the two-monitor tests run in a tier of their own, which "
    "fails on one",
    "no-thread-awareness": "Windows before 10 1607, real or simulated: no thread's DPI awareness differs from "
    "the process's",
    "import-elsewhere": "the test program imports the function from another DLL than the one whose import the "
    "test patches (another toolchain's import libraries)",
    "not-wine": "the session end is run by Wine's wineboot; on Windows it needs a real log-off",
}

SKIPPED = re.compile(r"^\S.*: Skipped$")
RUN = re.compile(r"^\[ RUN      \] (\S+)")
REASON = re.compile(r"^allowed: ([a-z-]+): ")


def skips(output):
    """(gtest test, first line of its skip message) for every skip in one ctest test's output."""
    lines, test = output.splitlines(), "?"
    for i, line in enumerate(lines):
        if m := RUN.match(line):
            test = m.group(1)
        elif SKIPPED.match(line):
            yield test, lines[i + 1] if i + 1 < len(lines) else ""


def print_allowed():
    print("skips allowed, by reason:")
    for name, why in ALLOWED.items():
        print(f"  {name}: {why}")


def main(args):
    if args == ["--list"]:
        print_allowed()
        return 0
    fd, junit = tempfile.mkstemp(suffix=".xml")
    os.close(fd)
    try:
        # Passing tests' output is cut at 1 KB by default, and a skip's message can come later.
        rc = subprocess.call(["ctest", *args, "--output-junit", junit, "--test-output-size-passed", "4000000"])
        cases = ET.parse(junit).getroot().iter("testcase") if os.path.getsize(junit) else []
        seen = []
        for case in cases:
            found = list(skips(case.findtext("system-out") or ""))
            if not found and case.get("status") == "notrun":
                found = [("?", "no skip message in its output")]
            seen += [(case.get("name"), test, message) for test, message in found]
    finally:
        os.remove(junit)
    wrong = 0
    for ctest_name, test, message in seen:
        m = REASON.match(message)
        ok = m is not None and m.group(1) in ALLOWED
        wrong += not ok
        name = ctest_name if ctest_name.endswith(test) else f"{ctest_name} ({test})"
        print(f"{'skipped' if ok else 'SKIPPED WITHOUT AN ALLOWED REASON'}: {name}: {message}")
    if wrong:
        print(f"{wrong} skip(s) without an allowed reason fail the run")
        print_allowed()
        return 1
    return rc


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

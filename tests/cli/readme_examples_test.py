#!/usr/bin/env python3
"""The README's terminal session, run line by line: each "$ " line in a shell in a fresh
folder (called "~" in the README), and what it prints compared with the lines below it."""

import os
import subprocess
import sys
import tempfile

README, PROGRAM = sys.argv[1], sys.argv[2]


def sessions():
    """The README section's indented blocks that start with "$ ", as (command, output)."""
    text = open(README, encoding="utf-8").read()
    section = text.split("## From a terminal\n", 1)[1].split("\n## ", 1)[0]
    steps = []
    for line in section.splitlines():
        if not line.startswith("    "):
            continue
        line = line[4:]
        if line.startswith("$ "):
            steps.append((line[2:], []))
        elif steps:
            steps[-1][1].append(line)
    return steps


def main():
    steps = sessions()
    assert len(steps) >= 5, "the README's session is missing"
    failures = 0
    with tempfile.TemporaryDirectory() as home:
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "NO_COLOR")}
        env.update(PATH=os.path.dirname(PROGRAM) + os.pathsep + env["PATH"], TZ="UTC",
                   XDG_STATE_HOME=os.path.join(home, ".state"))
        for command, expected in steps:
            done = subprocess.run(["bash", "-c", command], cwd=home, env=env, text=True,
                                  capture_output=True, timeout=60)
            printed = done.stdout.replace(home, "~").splitlines()
            if printed != expected or done.stderr:
                failures += 1
                print(f"$ {command}\nprinted:\n" + "\n".join(printed) + done.stderr +
                      "\nREADME says:\n" + "\n".join(expected) + "\n")
    print(f"{len(steps)} commands, {failures} differ from the README")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""The program on a real terminal (tmux): colour only there and never with NO_COLOR, a
progress bar on standard error, and Ctrl+C in the middle of a run of 100,000 files,
which cancels as 取消 does and can be undone."""

import os
import subprocess
import sys
import tempfile
import time

PROGRAM = sys.argv[1]
SOCKET = f"batch-renamer-test-{os.getpid()}"
COUNT = 100_000


def tmux(*args):
    return subprocess.run(["tmux", "-L", SOCKET, *args], capture_output=True, text=True,
                          check=True).stdout


def on_terminal(command, state, name):
    """Starts `command` in a terminal of its own; returns a reader of its screen."""
    tmux("new-session", "-d", "-s", name, "-x", "150", "-y", "10",
         f"env -u DISPLAY XDG_STATE_HOME={state} TZ=UTC {command}; "
         f"echo \"exit $?\" > {state}/{name}.status; sleep 600")
    return lambda: tmux("capture-pane", "-e", "-p", "-t", name)


def wait_for(predicate, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.02)
    raise AssertionError(f"waited {seconds} s for {what}")


def status(state, name):
    path = f"{state}/{name}.status"
    return open(path).read().strip() if os.path.exists(path) else None


def main():
    with tempfile.TemporaryDirectory() as root:
        state = os.path.join(root, "state")
        small = os.path.join(root, "small")
        big = os.path.join(root, "big")
        os.makedirs(state)
        os.makedirs(small)
        os.makedirs(big)
        open(os.path.join(small, "a.txt"), "w").close()
        try:
            # Colour on a terminal, none with NO_COLOR.
            screen = on_terminal(f"{PROGRAM} --rule prefix --value c_ {small}", state, "colour")
            wait_for(lambda: status(state, "colour"), 30, "the dry run")
            assert "\033[32m" in screen(), screen()
            screen = on_terminal(f"NO_COLOR=1 {PROGRAM} --rule prefix --value c_ {small}", state,
                                 "plain")
            wait_for(lambda: status(state, "plain"), 30, "the dry run without colour")
            assert "a.txt → c_a.txt" in screen() and "\033[3" not in screen(), screen()

            names = [f"file {k:06d}.txt" for k in range(COUNT)]
            for name in names:
                open(os.path.join(big, name), "w").close()
            output = os.path.join(root, "run.txt")
            screen = on_terminal(f"{PROGRAM} --rule prefix --value x_ --apply {big} > {output}",
                                 state, "run")
            wait_for(lambda: "已处理" in screen() and "] 已处理 0 /" not in screen(), 60,
                     "the progress bar")
            tmux("send-keys", "-t", "run", "C-c")
            result = wait_for(lambda: status(state, "run"), 120, "the cancelled run")
            assert result == "exit 130", (result, screen())
            after = os.listdir(big)
            renamed = sum(1 for n in after if n.startswith("x_"))
            assert len(after) == COUNT and 0 < renamed < COUNT, (len(after), renamed)
            lines = open(output, encoding="utf-8").read().splitlines()
            left = COUNT - renamed
            assert f"已取消：还有 {left} 个文件未处理。" in lines, lines[-5:]
            assert lines[-1] == f"已改名 {renamed} 个文件，{left} 个因取消未处理", lines[-1]

            undo = subprocess.run([PROGRAM, "--undo", "--apply"], capture_output=True,
                                  env={**os.environ, "XDG_STATE_HOME": state}, timeout=300)
            assert undo.returncode == 0, undo.stderr
            assert sorted(os.listdir(big)) == names
        finally:
            subprocess.run(["tmux", "-L", SOCKET, "kill-server"], capture_output=True)
    print(f"cancelled a run of {COUNT} files after {renamed} and took them back")
    return 0


if __name__ == "__main__":
    sys.exit(main())

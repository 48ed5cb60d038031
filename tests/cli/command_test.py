#!/usr/bin/env python3
"""The program from a terminal, run as a process: one table of command lines, what each
prints, its exit status and the folder's names afterwards. Every case starts on a fresh
copy of the same folder, with its own journals, and without a display."""

import json
import os
import subprocess
import sys
import tempfile

PROGRAM, COMPLETION = sys.argv[1], sys.argv[2]
BAD = b"bad\xffname.jpg"
LINES = b"two\nlines.txt"
FILES = [b"IMG_0001.jpg", b"IMG_0002.jpg", "报告 2023.doc".encode(), b"notes.txt", BAD, LINES]
UNCHANGED = sorted(FILES)
USAGE_HINT = "用 batch-renamer --help 查看用法。"


def names(*items):
    return sorted(i if isinstance(i, bytes) else i.encode() for i in items)


def is_bad_name_json(document):
    """The name that is not UTF-8 comes back byte for byte from its base64 form."""
    import base64
    rows = [f for f in document["files"] if "old_bytes" in f]
    return (len(rows) == 1 and base64.b64decode(rows[0]["old_bytes"]) == BAD and
            base64.b64decode(rows[0]["new_bytes"]) == b"x_" + BAD and
            rows[0]["old"] == "bad\ufffdname.jpg")


# Each case: a name, its steps, and the names afterwards. A step: the arguments, the
# standard input (None for none), the exit status, the whole standard output (or a
# function of the JSON document it prints), and a text its standard error contains.
CASES = [
    ("a dry run lists each change and renames nothing", [
        (["--rule", "prefix", "--value", "new_", "."], None, 0,
         "bad\\xffname.jpg → new_bad\\xffname.jpg\nIMG_0001.jpg → new_IMG_0001.jpg\n"
         "IMG_0002.jpg → new_IMG_0002.jpg\nnotes.txt → new_notes.txt\n"
         "two\\nlines.txt → new_two\\nlines.txt\n"
         "报告 2023.doc → new_报告 2023.doc\n将改名 6 个文件\n", ""),
    ], UNCHANGED),
    ("the rule by its item text, one type, an unchanged file", [
        (["--rule", "替换字符", "--string", "2023", "--value", "2024", "--type", ".doc"], None, 0,
         "报告 2023.doc → 报告 2024.doc\n将改名 1 个文件\n", ""),
        (["--rule", "DEL", "--string", "zzz", "--type", ".txt"], None, 0,
         "notes.txt（不变）\ntwo\\nlines.txt（不变）\n将改名 0 个文件\n", ""),
    ], UNCHANGED),
    ("files given are the choice; the others are not chosen", [
        (["--rule", "suffix", "--value", "_x", "IMG_0002.jpg", "./notes.txt"], None, 0,
         "IMG_0002.jpg → IMG_0002_x.jpg\nnotes.txt → notes_x.txt\n将改名 2 个文件，4 个未选中\n",
         ""),
    ], UNCHANGED),
    ("--order list numbers in the order the files were given", [
        (["--rule", "number-by-time", "--value", "1", "--order", "list", "notes.txt",
          "IMG_0002.jpg", "IMG_0001.jpg"], None, 0,
         "notes.txt → 1notes.txt\nIMG_0002.jpg → 2IMG_0002.jpg\nIMG_0001.jpg → 3IMG_0001.jpg\n"
         "将改名 3 个文件，3 个未选中\n", ""),
    ], UNCHANGED),
    ("a dry run that would fail says why and exits 1", [
        (["--rule", "delete-last", "--value", "4", "--type", ".jpg"], None, 1,
         "bad\\xffname.jpg → bad\\xff.jpg\nIMG_0001.jpg → IMG_.jpg\n"
         "IMG_0002.jpg → IMG_.jpg（不能改名：目标文件已存在）\n将改名 2 个文件，1 个不能改名\n", ""),
    ], UNCHANGED),
    ("--apply renames, reports as the window's box does, and undo takes it back", [
        (["--rule", "delete-last", "--value", "4", "--type", ".jpg", "--apply"], None, 1,
         "bad\\xffname.jpg → bad\\xff.jpg\nIMG_0001.jpg → IMG_.jpg\n"
         "IMG_0002.jpg → IMG_.jpg（未改名：目标文件已存在）\n\n"
         "{dir}/IMG_0002.jpg -> {dir}/IMG_.jpg(目标文件已存在)\n\n已改名 2 个文件，1 个未改名\n", ""),
        (["--undo", "--json"], None, 0,
         lambda d: d["applied"] is False and
         [(f["old"], f["new"], f["status"]) for f in d["files"]] ==
         [("IMG_.jpg", "IMG_0001.jpg", "renamed"),
          ("bad\ufffd.jpg", "bad\ufffdname.jpg", "renamed")], ""),
        (["--undo", "--apply"], None, 0,
         "IMG_.jpg → IMG_0001.jpg\nbad\\xff.jpg → bad\\xffname.jpg\n已撤销：2 个文件已恢复原名\n", ""),
        (["--undo"], None, 0, "没有可以撤销的改名。\n", ""),
    ], UNCHANGED),
    ("paths from standard input, NUL-separated, a line break in a name among them", [
        (["--rule", "number-in-order", "--value", "2", "--from0", "-", "--apply"],
         b"IMG_0002.jpg\0" + BAD + b"\0./" + LINES, 0, None, ""),
    ], names("IMG_0001.jpg", "IMG_000202.jpg", b"bad\xffname01.jpg", "报告 2023.doc",
             "notes.txt", b"two\nlines03.txt")),
    ("--json: statuses, totals and names that are not UTF-8, byte for byte", [
        (["--rule", "prefix", "--value", "x_", "--json", "--type", ".jpg"], None, 0,
         lambda d: d["applied"] is False and d["rule"] == "ADDPRE" and is_bad_name_json(d) and
         d["totals"]["renamed"] == 3 and d["totals"]["not chosen"] == 3 and d["exit"] == 0, ""),
        (["--rule", "prefix", "--value", "x_", "--json", "--apply", "IMG_0001.jpg"], None, 0,
         lambda d: d["applied"] is True and d["totals"]["renamed"] == 1 and
         d["summary"] == "已改名 1 个文件", ""),
    ], names("x_IMG_0001.jpg", "IMG_0002.jpg", BAD, "报告 2023.doc", "notes.txt", LINES)),
]

# Bad input: a message on standard error, exit status 2, nothing printed, nothing changed.
USAGE_ERRORS = [
    (["--rule", "bogus"], "未知的修改方式：“bogus”"),
    (["--rule", "prefix", "--bogus"], "未知选项：--bogus"),
    (["--rule"], "选项 --rule 缺少值"),
    (["--rule", "prefix", "--rule", "suffix"], "选项 --rule 只能给出一次"),
    (["--apply"], "请用 --rule 选择修改方式，或用 --undo 撤销"),
    (["--rule", "prefix", "--string", "a"], "修改方式“增加前缀”不用 --string（字串）"),
    (["--rule", "number-by-time", "--value", "x"], "请输入整数！"),
    (["--rule", "extension", "--value", "jpg"], "扩展名请以 . 开始"),
    (["--rule", "prefix", "--value", "a\nb"], "--value 的值含有换行符等控制字符"),
    (["--rule", "prefix", "--value", b"\xff"], "不是有效的 UTF-8 文本"),
    (["--rule", "prefix", "--order", "name"], "未知的顺序：“name”"),
    (["--rule", "prefix", "missing.jpg"], "无法访问“missing.jpg”"),
    (["--rule", "prefix", "notes.txt/x"], "无法访问“notes.txt/x”"),
    (["--rule", "prefix", ".", "/"], "只能给出一个目录，或同一目录中的文件"),
    (["--rule", "prefix", "notes.txt", "/etc/hostname"], "不在同一目录"),
    (["--rule", "prefix", ".hidden"], "不是目录中可改名的文件"),
    (["--rule", "prefix", "--from0", "-", "--apply"], "标准输入中没有路径"),
    (["--rule", "prefix", "--from0", "list.txt"], "--from0 只接受 -"),
    (["--undo", "--rule", "prefix"], "--undo 不能与 --rule 一起使用"),
]


def listing(folder):
    return sorted(n for n in os.listdir(folder.encode()) if not n.startswith(b"."))


def run(folder, state, args, stdin):
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "NO_COLOR")}
    env["XDG_STATE_HOME"] = state
    env["TZ"] = "UTC"
    argv = [PROGRAM.encode()] + [a if isinstance(a, bytes) else a.encode() for a in args]
    return subprocess.run(argv, cwd=folder, env=env, input=stdin or b"", capture_output=True,
                          timeout=60)


def fresh_folder(root):
    folder = tempfile.mkdtemp(dir=root)
    for name in FILES:
        with open(os.path.join(folder.encode(), name), "wb") as f:
            f.write(name)
    open(os.path.join(folder, ".hidden"), "wb").close()
    return folder, tempfile.mkdtemp(dir=root)


def main():
    failures = []
    with tempfile.TemporaryDirectory() as root:
        for name, steps, after in CASES:
            folder, state = fresh_folder(root)
            for args, stdin, code, stdout, stderr in steps:
                done = run(folder, state, args, stdin)
                out = done.stdout.decode("utf-8", "replace")
                err = done.stderr.decode("utf-8", "replace")
                what = f"{name}: {' '.join(map(str, args))}"
                if done.returncode != code:
                    failures.append(f"{what}: exit {done.returncode}, not {code}\n{out}{err}")
                if callable(stdout):
                    if not stdout(json.loads(out)):
                        failures.append(f"{what}: unexpected JSON\n{out}")
                elif stdout is not None and out != stdout.replace("{dir}", folder):
                    failures.append(f"{what}: printed\n{out}instead of\n"
                                    f"{stdout.replace('{dir}', folder)}")
                if stderr not in err or "\033" in out:
                    failures.append(f"{what}: standard error\n{err}")
            if listing(folder) != after:
                failures.append(f"{name}: names afterwards {listing(folder)}")
        for args, message in USAGE_ERRORS:
            folder, state = fresh_folder(root)
            done = run(folder, state, args, None)
            err = done.stderr.decode("utf-8", "replace")
            if (done.returncode != 2 or done.stdout or message not in err or
                    USAGE_HINT not in err or listing(folder) != UNCHANGED):
                failures.append(f"{args}: exit {done.returncode}, printed {done.stdout!r}, "
                                f"said {err!r}")
        # --help: the rules by their English names and the exit statuses.
        help_text = run(root, root, ["--help"], None).stdout.decode()
        for word in ["130", "--from0 -", "--undo"]:
            if word not in help_text:
                failures.append(f"--help does not mention {word}")
        # bash completes the rules' names that --help lists.
        import re
        listed = re.findall(r"^ {20}(\S+) +\S+（[A-Z]+）$", help_text, re.M)
        completed = subprocess.run(
            ["bash", "-c", f"source '{COMPLETION}'; COMP_WORDS=(batch-renamer --rule ''); "
             "COMP_CWORD=2; _batch_renamer; echo ${COMPREPLY[*]}"],
            capture_output=True, text=True).stdout.split()
        if len(listed) != 10 or completed != listed:
            failures.append(f"--help lists the rules {listed}, bash completes {completed}")
    for failure in failures:
        print(failure, end="\n\n")
    print(f"{len(CASES) + len(USAGE_ERRORS)} cases, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

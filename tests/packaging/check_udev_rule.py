#!/usr/bin/env python3
"""The udev rule for SportIdent stations: udev reads it without a complaint, before the seat rules
that turn the uaccess tag into access (73-seat-late.rules), and it tags exactly the station's tty
(vendor 10c4, product 800a) for the user at the seat.

udev itself is asked where that works without a station (`udevadm test` on a tty of this machine,
with the rule bind-mounted over /etc/udev/rules.d in a private mount namespace); the rule's line is
parsed in any case.

usage: check_udev_rule.py <rules file>
"""

import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

rule_file = sys.argv[1]
name = os.path.basename(rule_file)
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


check(re.fullmatch(r"\d\d-[a-z0-9-]+\.rules", name) and int(name[:2]) < 73,
      "%s sorts before 73-seat-late.rules, which applies uaccess" % name)
lines = [l.strip() for l in open(rule_file, encoding="utf-8") if l.strip() and not l.lstrip().startswith("#")]
check(len(lines) == 1, "one rule: %s" % lines)
if lines:
    pairs = [p.strip() for p in lines[0].split(",")]
    check(sorted(pairs) == sorted(['SUBSYSTEM=="tty"', 'ATTRS{idVendor}=="10c4"', 'ATTRS{idProduct}=="800a"',
                                   'TAG+="uaccess"']), "the rule tags the station's tty: %s" % pairs)

ttys = sorted(glob.glob("/sys/class/tty/tty[0-9]*"))
if os.geteuid() == 0 and shutil.which("udevadm") and shutil.which("unshare") and ttys \
        and os.path.isdir("/etc/udev/rules.d"):
    with tempfile.TemporaryDirectory() as rules:
        shutil.copy(rule_file, rules)
        out = subprocess.run(
            ["unshare", "-m", "sh", "-c", 'mount --bind "$1" /etc/udev/rules.d && udevadm test --action=add "$2"',
             "sh", rules, ttys[0]], capture_output=True, text=True)
        text = out.stdout + out.stderr
        read = re.findall(r"^Reading rules file: (.*)$", text, re.M)
        ours = "/etc/udev/rules.d/" + name
        check(ours in read, "udev reads the rule:\n" + text)
        check(not re.search(r"^%s:\d+" % re.escape(ours), text, re.M), "udev finds no fault in the rule:\n" + text)
        late = [r for r in read if r.endswith("/73-seat-late.rules")]
        if ours in read and late:
            check(read.index(ours) < read.index(late[0]), "udev reads the rule before 73-seat-late.rules")
else:
    print("udevadm test not available here: the rule was parsed only")

sys.exit(1 if failures else 0)

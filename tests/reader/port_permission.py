#!/usr/bin/env python3
"""A station's device the user may not open, as a desktop user meets it.

A pseudo-terminal stands for the station's device: owned by root, mode 0600, as a serial device
is to a user outside the dialout group. portopen opens it as the reader does, once as root (it
opens: the device works) and once dropped to `nobody` with setpriv (refused): the message names the
permission problem and the remedy, in English and in Danish, exactly as the data file says.

usage: port_permission.py <portopen> <expected messages file>
"""

import os
import pwd
import subprocess
import sys

portopen, expected_file = sys.argv[1:3]
if os.geteuid() != 0:
    print("needs root to make a device only root may open, and to drop to nobody")
    sys.exit(77)

expected = [line for line in open(expected_file, encoding="utf-8").read().splitlines()
            if line and not line.startswith("#")]
master, slave = os.openpty()
device = os.ttyname(slave)
os.chown(device, 0, 0)
os.chmod(device, 0o600)
nobody = pwd.getpwnam("nobody")
failures = []

as_root = subprocess.run([portopen, device], capture_output=True, text=True)
if as_root.stdout != "opened\n":
    failures.append("root opens the device: %r %r" % (as_root.stdout, as_root.stderr))

env = {"PATH": "/usr/bin:/bin", "HOME": "/nonexistent", "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8",
       "QT_QPA_PLATFORM": "offscreen"}
as_user = subprocess.run(["setpriv", "--reuid=%d" % nobody.pw_uid, "--regid=%d" % nobody.pw_gid,
                          "--clear-groups", "--", portopen, device],
                         capture_output=True, text=True, env=env)
got = as_user.stdout.splitlines()
want = [line.replace("<device>", device) for line in expected]
if as_user.returncode != 1 or got != want:
    failures.append("as nobody:\n got  %r\n want %r\n stderr %s" % (got, want, as_user.stderr))

os.close(slave)
os.close(master)
for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)

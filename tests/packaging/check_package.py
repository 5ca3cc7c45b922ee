#!/usr/bin/env python3
"""Checks the Debian package as a user meets it.

The package (built by the package_build test from the ci build) is checked with
desktop-file-validate, appstreamcli and lintian, installed into a scratch root with
`dpkg --root` (offline, touching nothing of the system), and its files are checked against one
another: what the desktop entry, the MIME type and the metainfo name is there, and ldd finds
every library of the installed program. Then the installed program itself is run: --version and
--help, and under a private Xvfb with an event file as its argument, with a file it cannot open
(in English and Danish), and a second start handing a file to the first. While it runs, every
library it has mapped and every QML module it has imported must belong to a package that the
package's dependencies pull in.

usage: check_package.py <build dir> <version> <shots dir>
"""

import glob
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

BUILD, VERSION, SHOTS = sys.argv[1:4]
APP_ID = "com.vexlo.Vexlo"
MIME = "application/x-vexloevent+json"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)
    return condition


def run(args, **kw):
    return subprocess.run(args, capture_output=True, text=True, **kw)


def wait_for(condition, what, seconds=60):
    """Polls `condition` until it holds; a failure after `seconds` (a bound, not a delay)."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.05)
    return check(False, "timed out waiting for " + what)


debs = glob.glob(os.path.join(BUILD, "package", "vexlo_%s_amd64.deb" % VERSION))
if not debs:
    sys.exit("no package vexlo_%s_amd64.deb in %s/package" % (VERSION, BUILD))
deb = debs[0]

# The package's own checks.
lint = run(["lintian", "--fail-on", "error", "--tag-display-limit", "0", deb])
print(lint.stdout, end="")
check(lint.returncode == 0 and not re.search(r"^E: ", lint.stdout, re.M), "lintian reports no error")

control = run(["dpkg-deb", "-f", deb, "Package", "Version", "Depends", "Recommends"]).stdout
check(re.search(r"^Version: %s$" % re.escape(VERSION), control, re.M), "package version is the project's")
depends_line = re.search(r"^Depends: (.*)$", control, re.M).group(1)
direct = {d.split()[0] for alt in depends_line.split(",") for d in alt.split("|")}
for needed in ["libavahi-client3", "libzstd1", "libxml2", "libcups2", "libqt6keychain1",
               "libqt6quick6", "qml6-module-qtquick-controls"]:
    check(needed in direct, "Depends names " + needed)
for build_only in [d for d in direct if d.endswith("-dev") or d in ("cmake", "ninja-build", "g++")]:
    check(False, "Depends names the build-only " + build_only)

# apt, offline, from the package lists it has: every dependency can be met.
sim = run(["apt-get", "-s", "-o", "Debug::NoLocking=1", "install", os.path.abspath(deb)])
check(sim.returncode == 0 and "Inst vexlo" in sim.stdout, "apt-get can install the package:\n" + sim.stdout + sim.stderr)

with tempfile.TemporaryDirectory(prefix="vexlo-root-") as root:
    # A scratch root, as dpkg finds a fresh system's: its own database, nothing installed.
    for d in ["var/lib/dpkg/info", "var/lib/dpkg/updates", "var/lib/dpkg/triggers"]:
        os.makedirs(os.path.join(root, d))
    open(os.path.join(root, "var/lib/dpkg/status"), "w").close()
    install = run(["dpkg", "--root=" + root, "--force-depends", "--force-script-chrootless", "-i", deb])
    check(install.returncode == 0, "dpkg installs into a scratch root: " + install.stderr)
    listed = run(["dpkg", "--root=" + root, "-L", "vexlo"]).stdout.split()

    def at(path):
        return os.path.join(root, path.lstrip("/"))

    binary = at("/usr/bin/vexlo")
    check(os.access(binary, os.X_OK), "/usr/bin/vexlo is installed and executable")
    share = at("/usr/share")

    # The desktop entry and the files it names.
    desktop = os.path.join(share, "applications", APP_ID + ".desktop")
    check(os.path.isfile(desktop), "the desktop entry is installed")
    v = run(["desktop-file-validate", desktop])
    check(v.returncode == 0 and not v.stdout.strip(), "desktop-file-validate: " + v.stdout)
    entry = dict(line.split("=", 1) for line in open(desktop, encoding="utf-8").read().splitlines()
                 if "=" in line and not line.startswith("#"))
    exec_words = entry.get("Exec", "").split()
    check(exec_words == ["vexlo", "%f"], "Exec runs vexlo with the file (%f): " + entry.get("Exec", ""))
    check(os.path.isfile(os.path.join(at("/usr/bin"), exec_words[0])) if exec_words else False,
          "the desktop entry's program is installed")

    def icon_files(name, context):
        return glob.glob(os.path.join(share, "icons/hicolor/*", context, name + ".*"))

    app_icons = icon_files(entry.get("Icon", "-"), "apps")
    check(any(p.endswith("/scalable/apps/%s.svg" % APP_ID) for p in app_icons), "scalable application icon")
    for size in (16, 24, 32, 48, 64, 128, 256):
        png = os.path.join(share, "icons/hicolor/%dx%d/apps/%s.png" % (size, size, APP_ID))
        if check(os.path.isfile(png), "application icon %dpx" % size):
            ident = run(["identify", "-format", "%w %h", png]).stdout.strip()
            check(ident == "%d %d" % (size, size), "icon %s is %dx%d, not %s" % (png, size, size, ident))

    # The MIME type the entry opens: defined, a JSON subtype, with its glob and its icon.
    mime_types = [m for m in entry.get("MimeType", "").split(";") if m]
    check(mime_types == [MIME], "the entry opens the event file's type: %s" % mime_types)
    mime_xml = os.path.join(share, "mime/packages", APP_ID + ".xml")
    ns = {"m": "http://www.freedesktop.org/standards/shared-mime-info"}
    if check(os.path.isfile(mime_xml), "the MIME type is installed"):
        node = ET.parse(mime_xml).getroot().find("m:mime-type[@type='%s']" % MIME, ns)
        check(node is not None, "the MIME package defines " + MIME)
        if node is not None:
            check([e.get("type") for e in node.findall("m:sub-class-of", ns)] == ["application/json"],
                  "the event file is a subtype of JSON")
            check([e.get("pattern") for e in node.findall("m:glob", ns)] == ["*.vexloevent.json"],
                  "the event file's glob")
            icon = node.find("m:icon", ns)
            name = icon.get("name") if icon is not None else MIME.replace("/", "-")
            check(icon_files(name, "mimetypes"), "the event file's icon " + name)
        # shared-mime-info builds its database from it, and names the type by the file's name.
        mime_root = os.path.join(root, "mime-db")
        shutil.copytree(os.path.join(share, "mime"), os.path.join(mime_root, "mime"))
        upd = run(["update-mime-database", os.path.join(mime_root, "mime")],
                  env=dict(os.environ, XDG_DATA_DIRS=mime_root))
        check(upd.returncode == 0 and not upd.stderr.strip(), "update-mime-database: " + upd.stderr)
        globs = open(os.path.join(mime_root, "mime/globs2"), encoding="utf-8").read()
        check(re.search(r"^\d+:%s:\*\.vexloevent\.json$" % re.escape(MIME), globs, re.M), "glob in the database")

    # The AppStream metainfo and what it names.
    metainfo = os.path.join(share, "metainfo", APP_ID + ".metainfo.xml")
    if check(os.path.isfile(metainfo), "the metainfo is installed"):
        a = run(["appstreamcli", "validate", "--no-net", "--pedantic", metainfo])
        check(a.returncode == 0, "appstreamcli validate --pedantic: " + a.stdout + a.stderr)
        comp = ET.parse(metainfo).getroot()
        lang = "{http://www.w3.org/XML/1998/namespace}lang"
        check(comp.findtext("id") == APP_ID, "metainfo id")
        check((comp.findtext("project_license") or "").strip() != "", "metainfo licence")
        for tag in ("name", "summary"):
            langs = {e.get(lang) for e in comp.findall(tag)}
            check({None, "da"} <= langs, "metainfo %s in English and Danish" % tag)
        paragraphs = {p.get(lang) for p in comp.find("description").findall("p")}
        check({None, "da"} <= paragraphs, "metainfo description in English and Danish")
        release = comp.find("releases/release")
        check(release is not None and release.get("version") == VERSION and
              re.fullmatch(r"\d{4}-\d{2}-\d{2}", release.get("date") or ""), "release with version and date")
        launch = comp.find("launchable[@type='desktop-id']")
        check(launch is not None and os.path.isfile(os.path.join(share, "applications", launch.text)),
              "the metainfo's desktop entry is installed")
        for b in comp.findall("provides/binary"):
            check(os.access(os.path.join(at("/usr/bin"), b.text), os.X_OK), "provided binary " + b.text)
        check([m.text for m in comp.findall("provides/mediatype")] == [MIME], "provided media type")

    # The udev rule and the documents.
    rules = glob.glob(at("/lib/udev/rules.d/*vexlo*.rules")) + glob.glob(at("/usr/lib/udev/rules.d/*vexlo*.rules"))
    check(len(rules) == 1, "one udev rule is installed: %s" % rules)
    for doc in ("doc/vexlo/copyright", "doc/vexlo/changelog.gz", "man/man1/vexlo.1.gz"):
        check(os.path.isfile(os.path.join(share, doc)), "document " + doc)

    # ldd finds every library of the installed program.
    ldd = run(["ldd", binary])
    check(ldd.returncode == 0 and "not found" not in ldd.stdout, "ldd finds every library:\n" + ldd.stdout)

    # The program: its version and help, without a display.
    env = dict(os.environ)
    for k in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
        env.pop(k, None)
    home = os.path.join(root, "home")
    env.update(HOME=home, XDG_CONFIG_HOME=home + "/config", XDG_DATA_HOME=home + "/data",
               XDG_CACHE_HOME=home + "/cache", XDG_RUNTIME_DIR=home + "/runtime",
               LANG="C.UTF-8", LC_ALL="C.UTF-8", TZ="Europe/Copenhagen")
    os.makedirs(home + "/runtime", mode=0o700)
    ver = run([binary, "--version"], env=env)
    check(ver.returncode == 0 and ver.stdout == "Vexlo %s\n" % VERSION, "--version prints %r: %r" % (VERSION, ver.stdout))
    helps = {}
    for language, env_lang in (("en", "C.UTF-8"), ("da", "da_DK.UTF-8")):
        e = dict(env, LC_ALL=env_lang, LANG=env_lang, LANGUAGE=language)
        h = run([binary, "--help"], env=e)
        helps[language] = h.stdout
        check(h.returncode == 0, "--help in %s exits 0" % language)
    check("Usage: " in helps["en"] and "The event file (.vexloevent.json) to open." in helps["en"], "English help")
    check("Brug: " in helps["da"] and "Løbsfilen (.vexloevent.json), der skal åbnes." in helps["da"]
          and "Viser denne hjælp." in helps["da"], "Danish help:\n" + helps["da"])
    wrong = run([binary, "one.vexloevent.json", "two.vexloevent.json"], env=env)
    check(wrong.returncode == 1 and "Only one event file can be opened at a time." in wrong.stderr,
          "two files are refused: " + wrong.stderr)

    # The window, under a private X server.
    os.makedirs(SHOTS, exist_ok=True)
    display = ":%d" % (400 + os.getpid() % 500)
    xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x860x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    env["DISPLAY"] = display
    wait_for(lambda: run(["xwininfo", "-root"], env=env).returncode == 0, "the X server")

    def windows():
        return run(["xwininfo", "-root", "-tree"], env=env).stdout

    def shoot(name):
        # Taken again until the window is drawn (a blank screen has a colour or two).
        path = os.path.join(SHOTS, name + ".png")
        wait_for(lambda: run(["import", "-window", "root", path], env=env).returncode == 0 and
                 int(run(["identify", "-format", "%k", path]).stdout or 0) > 64, "the window drawn")

    events = os.path.join(root, "events")
    os.makedirs(events)
    good = os.path.join(events, "cup.vexloevent.json")
    shutil.copy(os.path.join(os.path.dirname(__file__), "..", "data", "app", "race-day.json"), good)
    damaged = os.path.join(events, "damaged.vexloevent.json")
    open(damaged, "w").write('{"name": ')
    later = os.path.join(events, "later.vexloevent.json")
    shutil.copy(good, later)

    def start(args, language, log_name):
        conf = os.path.join(home, "config/Vexlo")
        os.makedirs(conf, exist_ok=True)
        with open(os.path.join(conf, "Vexlo.conf"), "w") as f:
            f.write("[General]\nAppSelectedLanguageCode=%s\n" % language)
        log = open(os.path.join(SHOTS, log_name + ".log"), "w+")
        e = dict(env, QML_IMPORT_TRACE="1")
        return subprocess.Popen([binary] + args, env=e, stdout=log, stderr=subprocess.STDOUT, cwd=events), log

    def log_text(log):
        log.flush()
        return open(log.name, encoding="utf-8", errors="replace").read()

    def stop(proc):
        proc.send_signal(signal.SIGTERM)
        proc.wait(timeout=30)

    # With an event file: the window opens with the event.
    proc, log = start(["cup.vexloevent.json"], "en", "installed-open")
    wait_for(lambda: "Vexlo: opened %s" % good in log_text(log), "the event to open")
    wait_for(lambda: '"Introduction": ("vexlo" "Vexlo")' in windows(), "the window")
    shoot("installed-command-line-opened")

    # What it loaded: every library and QML module from a package the dependencies pull in.
    maps = {line.split()[-1] for line in open("/proc/%d/maps" % proc.pid) if ".so" in line}
    qmldirs = set(re.findall(r"(/usr/lib/[^\s\"']+/qmldir)", log_text(log)))
    # A second start hands its file to the first and leaves.
    second = run([binary, later], env=env, timeout=60)
    check(second.returncode == 0, "a second start hands over its file: " + second.stderr)
    wait_for(lambda: "Vexlo: opened %s" % later in log_text(log), "the handed file to open")
    stop(proc)

    def owner(path):
        for candidate in (path, re.sub(r"^/usr/lib/", "/lib/", path), os.path.realpath(path),
                          re.sub(r"^/usr/lib/", "/lib/", os.path.realpath(path))):
            r = run(["dpkg", "-S", candidate])
            if r.returncode == 0:
                return r.stdout.split(":")[0].strip()
        return None

    # What apt installs with the package: its dependencies and recommendations, and theirs.
    def closure(names):
        seen, todo = set(), list(names)
        while todo:
            name = todo.pop()
            if name in seen:
                continue
            seen.add(name)
            r = run(["dpkg-query", "-W", "-f", "${Depends},${Pre-Depends},${Recommends}", name])
            for alt in r.stdout.split(","):
                # The first alternative that is installed, as apt would choose it.
                for choice in alt.split("|"):
                    word = choice.split("(")[0].split(":")[0].strip()
                    if word and run(["dpkg-query", "-W", word]).returncode == 0:
                        todo.append(word)
                        break
        return seen

    recommends = run(["dpkg-deb", "-f", deb, "Recommends"]).stdout
    pulled = closure(direct | {r.split("|")[0].split()[0] for r in recommends.split(",") if r.strip()})
    check(len(qmldirs) >= 5, "the QML modules loaded are traced: %s" % sorted(qmldirs))
    for path in sorted(maps | qmldirs):
        if path.startswith(root):
            continue
        pkg = owner(path)
        check(pkg is not None and pkg in pulled, "%s (from %s) is pulled in by the dependencies" % (path, pkg))

    # A file that cannot be opened: said in the window, in the chosen language; the app starts.
    for language, message in (
            ("en", 'Load failed: "damaged.vexloevent.json" is not a Vexlo event file (or it is damaged), '
                   "so it was not opened."),
            ("da", 'Indlæsning mislykkedes: "damaged.vexloevent.json" er ikke en Vexlo-løbsfil (eller den er '
                   "beskadiget), så den blev ikke åbnet.")):
        proc, log = start([damaged], language, "installed-damaged-" + language)
        wait_for(lambda: "not opened:" in log_text(log), "the refusal")
        check("Vexlo: %s not opened: %s" % (damaged, message) in log_text(log),
              "the window says why (%s):\n%s" % (language, log_text(log)))
        title = "Introduction" if language == "en" else "Introduktion"
        wait_for(lambda: '"%s": ("vexlo" "Vexlo")' % title in windows(), "the window in " + language)
        shoot("installed-command-line-not-opened-" + language)
        check(proc.poll() is None, "the app runs on without the file")
        stop(proc)
    xvfb.terminate()
    xvfb.wait()

if failures:
    print("\n%d check(s) failed" % len(failures))
    sys.exit(1)
print("package checks passed")

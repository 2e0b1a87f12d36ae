#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The program as a screen reader meets it.

Each test starts the real binary in a private X server (Xvfb) with its own
D-Bus session and AT-SPI bus (at-spi-bus-launcher), reads the accessibility
tree over AT-SPI with pyatspi and acts on it as a screen reader does;
screenshots (ImageMagick's import) show what the window looks like meanwhile.
Every process is started and ended by the suite.

    tst_atspi.py BINARY [unittest arguments]
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import warnings

BINARY = None
pyatspi = None  # imported once the private buses exist

TITLE = "Brelon - www.example.org"
OPTIONS = ["2 průzory", "3 průzory", "4 průzory", "20 průzorů"]
TEXT_TYPES = [
    "TEXT_BOUNDARY_CHAR",
    "TEXT_BOUNDARY_WORD_START",
    "TEXT_BOUNDARY_WORD_END",
    "TEXT_BOUNDARY_SENTENCE_START",
    "TEXT_BOUNDARY_SENTENCE_END",
    "TEXT_BOUNDARY_LINE_START",
    "TEXT_BOUNDARY_LINE_END",
]
# A slowdown of 1000 at the bar: 3001 decrements of 100 ns after each of the
# 11951 columns, a run of 3.6 s.
SLOWDOWN = 1000
RUN_SECONDS = 11951 * (3 * SLOWDOWN + 1) * 100e-9


def until(condition, timeout, what):
    """Polls until condition() is true, for at most timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"not within {timeout} s: {what}")
        time.sleep(0.05)


class Session:
    """The private X server and buses, for the whole suite."""

    def __init__(self):
        self.processes = []
        self.runtime = tempfile.mkdtemp(prefix="brelon-atspi-")
        os.chmod(self.runtime, 0o700)
        env = dict(os.environ)
        for name in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "QT_SCALE_FACTOR", "QT_STYLE_OVERRIDE", "XAUTHORITY"):
            env.pop(name, None)
        env.update(LC_ALL="C.UTF-8", XDG_RUNTIME_DIR=self.runtime, NO_AT_BRIDGE="0")
        self.env = env
        read, write = os.pipe()
        self.start(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24", "-dpi", "96",
                    "-nolisten", "tcp", "-noreset"], pass_fds=(write,))
        os.close(write)
        with os.fdopen(read) as pipe:
            env["DISPLAY"] = ":" + pipe.readline().strip()
        bus = self.start(["dbus-daemon", "--session", "--nofork", "--print-address=1"], stdout=subprocess.PIPE)
        env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()
        bus.stdout.close()
        self.start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
        os.environ.update(DISPLAY=env["DISPLAY"], DBUS_SESSION_BUS_ADDRESS=env["DBUS_SESSION_BUS_ADDRESS"])

    def start(self, command, **options):
        process = subprocess.Popen(command, env=getattr(self, "env", None), stderr=subprocess.DEVNULL, **options)
        self.processes.append(process)
        return process

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait(5)
        shutil.rmtree(self.runtime, ignore_errors=True)


SESSION = None


def setUpModule():
    global SESSION, pyatspi
    SESSION = Session()
    import pyatspi as module  # connects to the bus of the environment
    pyatspi = module
    # A query the program does not answer fails the test instead of waiting.
    pyatspi.setTimeout(2000, 5000)


def tearDownModule():
    if SESSION:
        SESSION.close()


class ScreenReader(unittest.TestCase):
    def setUp(self):
        env = dict(SESSION.env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        self.program = subprocess.Popen([BINARY], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.app = until(self.application, 20, "the program on the accessibility bus")
        self.window = until(lambda: self.find(self.app, "frame", TITLE), 20, "the window in the tree")
        until(lambda: self.showing(self.window), 10, "the window showing")

    def tearDown(self):
        if self.program.poll() is None:
            self.program.send_signal(signal.SIGKILL)
        self.program.wait(5)
        self.program.stderr.close()

    # The tree.

    def application(self):
        for app in pyatspi.Registry.getDesktop(0):
            try:
                if app is not None and app.get_process_id() == self.program.pid:
                    return app
            except Exception:  # an application that went away meanwhile
                continue
        return None

    def find(self, root, role, name=None):
        for obj in self.every(root):
            if obj.getRoleName() == role and (name is None or obj.name == name):
                return obj
        return None

    def every(self, root):
        yield root
        for i in range(root.childCount):
            child = root.getChildAtIndex(i)
            if child is not None:
                yield from self.every(child)

    def named(self, name, role=None):
        obj = next((o for o in self.every(self.window) if o.name == name and role in (None, o.getRoleName())), None)
        self.assertIsNotNone(obj, name)
        return obj

    def showing(self, obj):
        return obj.getState().contains(pyatspi.STATE_SHOWING)

    def checked(self, obj):
        return obj.getState().contains(pyatspi.STATE_CHECKED)

    def text(self, obj):
        return obj.queryText().getText(0, -1)

    def act(self, obj, action):
        actions = obj.queryAction()
        names = [actions.getName(i) for i in range(actions.nActions)]
        self.assertIn(action, names, obj.name)
        actions.doAction(names.index(action))

    # What the window shows.

    def screenshot(self, extents):
        x, y, width, height = extents
        ppm = subprocess.run(["import", "-silent", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}",
                              "+repage", "-depth", "8", "ppm:-"], env=SESSION.env, check=True,
                             capture_output=True).stdout
        # P6, width, height, 255, then the pixels.
        fields = ppm.split(maxsplit=4)
        return fields[4]

    def extents(self, obj):
        box = obj.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return (box.x, box.y, box.width, box.height)

    def select(self, name, relative):
        self.act(self.named(name), "Toggle")
        until(lambda: self.text(self.named("Relativní kmitočet")) == relative, 10, f"{name} chosen")

    # The tests.

    def test_tree(self):
        """A frame named by its title; the options in the order they stand on screen."""
        self.assertEqual(self.window.getRoleName(), "frame")
        frame = self.named("Počet průzorů", "panel")
        self.assertEqual([frame.getChildAtIndex(i).name for i in range(frame.childCount)], OPTIONS)
        for name in OPTIONS:
            self.assertEqual(self.named(name).getRoleName(), "radio button")

    def test_every_boundary_query_answers(self):
        """Every boundary query of every shown text, the end of the text included, answers at once."""
        texts = [o for o in self.every(self.window) if o.getRoleName() in ("text", "label") and self.showing(o)]
        # Six captions and the prompt.
        self.assertEqual(len(texts), 7)
        for obj in texts:
            text = obj.queryText()
            length = text.characterCount
            self.assertGreater(length, 0, obj.name)
            began = time.monotonic()
            word, start, end = text.getTextAtOffset(length, pyatspi.TEXT_BOUNDARY_WORD_START)
            took = time.monotonic() - began
            self.assertLess(took, 1.0, obj.name)
            # The last word of the text, as it stands at its end.
            whole = text.getText(0, -1)
            self.assertTrue(0 <= start < end == length, (obj.name, start, end))
            self.assertEqual(word, whole[start:end])
            if whole == "Cornuovy spirály":
                self.assertEqual(word, "spirály")
            for type_name in TEXT_TYPES:
                kind = getattr(pyatspi, type_name)
                for offset in range(length + 1):
                    for query in (text.getTextBeforeOffset, text.getTextAtOffset, text.getTextAfterOffset):
                        item, start, end = query(offset, kind)
                        self.assertEqual(item, whole[start:end] if start >= 0 else "", (obj.name, type_name, offset))
        # Still answering, and still drawing.
        self.assertEqual(self.window.name, TITLE)

    def test_hidden_bar_takes_nothing(self):
        """With 20 openings the bar for 2, 3 and 4 is hidden: no action, no value."""
        self.select("20 průzorů", "2.39")
        hidden = self.named("Kmitočet pro 2, 3 a 4 průzory")
        self.assertFalse(self.showing(hidden))
        actions = hidden.queryAction()
        for i in range(actions.nActions):
            actions.doAction(i)
        hidden.queryValue().currentValue = 100.0
        time.sleep(0.5)
        self.assertEqual(hidden.queryValue().currentValue, 0.0)
        self.assertEqual(self.text(self.named("Relativní kmitočet")), "2.39")
        self.assertEqual(self.text(self.named("Kmitočet")), "15")
        self.assertTrue(self.checked(self.named("20 průzorů")))

    def test_toggle_during_a_run_waits_for_its_end(self):
        """A Toggle during a run changes nothing until the run has ended, then chooses 20 as a click would."""
        self.named("Zpomalení kreslení").queryValue().currentValue = float(SLOWDOWN)
        until(lambda: self.text(self.named("Zpomalení: počet kroků za sloupec")) == str(3 * SLOWDOWN + 1), 10,
              "the slowdown set")
        prompt = self.named("Klepněte na Start")
        self.assertTrue(self.showing(prompt))
        self.act(self.named("Start"), "Press")
        started = time.monotonic()
        # The grey sweep covers the prompt as the run begins.
        until(lambda: not self.showing(prompt), 10, "the prompt covered")
        twenty, four = self.named("20 průzorů"), self.named("4 průzory")
        self.act(twenty, "Toggle")
        relative = self.named("Relativní kmitočet")
        while time.monotonic() - started < RUN_SECONDS - 0.5:
            self.assertFalse(self.checked(twenty), "20 chosen during the run")
            self.assertTrue(self.checked(four))
            self.assertEqual(self.text(relative), "3.18")
            time.sleep(0.1)
        until(lambda: self.checked(twenty), 10, "20 chosen after the run")
        # As a click on "20" leaves it: 20 openings, frequency 15, its own bar.
        self.assertFalse(self.checked(four))
        until(lambda: self.text(relative) == "2.39", 5, "the relative frequency of 20 openings")
        self.assertEqual(self.text(self.named("Kmitočet")), "15")
        self.assertEqual(self.text(self.named("Počet průzorů", "text")), "20")
        self.assertTrue(self.showing(self.named("Kmitočet pro 20 průzorů")))
        self.assertFalse(self.showing(self.named("Kmitočet pro 2, 3 a 4 průzory")))
        self.assertFalse(self.showing(prompt))

    def test_focused_scroll_bar_shows_it(self):
        """A scroll bar given the focus differs visibly from one without it, in the same place."""
        bar = self.named("Kmitočet pro 2, 3 a 4 průzory")
        extents = self.extents(bar)
        before = self.screenshot(extents)
        self.act(bar, "SetFocus")
        until(lambda: bar.getState().contains(pyatspi.STATE_FOCUSED), 10, "the bar focused")
        _, _, width, height = extents
        perimeter = 2 * (width + height) - 4
        changed = until(lambda: self.differing(before, self.screenshot(extents)) >= perimeter * 9 // 10 or None,
                        10, "a focus mark on the bar")
        self.assertTrue(changed)
        self.assertEqual(self.extents(bar), extents)

    @staticmethod
    def differing(a, b):
        return sum(1 for i in range(0, min(len(a), len(b)), 3) if a[i:i + 3] != b[i:i + 3])


if __name__ == "__main__":
    # pyatspi's own use of deprecated calls is not this suite's business.
    warnings.simplefilter("ignore", DeprecationWarning)
    warnings.simplefilter("ignore", ImportWarning)
    if len(sys.argv) < 2:
        sys.exit("usage: tst_atspi.py BINARY [unittest arguments]")
    BINARY = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)

#!/usr/bin/python3
"""The live panel end to end, in headless Chromium as a person would use it:
scripts/live started, the page opened, the decision-height knob held, the
radio height dragged down through the decision height, "XMLSmoke" pulsed,
the session saved and flown again by the bench, a shipped scenario played
(sought, at 4x, paused, stepped and taken over) with its sounds at their
frames, the cursor of each mouse area and the knob held from the keyboard.
Keeps a screenshot.

usage: live_test.py OUT_DIR [--windows | --windows64] [--port N] [--chromedriver PATH]
  --windows flies the shipped 32-bit MERTQ4.gau under Wine, --windows64 the
  64-bit one, instead of the native module.
Exit status 0 when every check passes; writes OUT_DIR/live.xml (JUnit) and
OUT_DIR/live-panel.png. Every process it starts runs in a session of its
own and is ended with its process group on every way out: a start that
fails (reported once, as one failed case, with the browser's own words; the
tests not run are skipped), a failed test, SIGINT or SIGTERM.
"""
import json
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "bench"))
import windows_runners  # noqa: E402

from selenium import webdriver
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.abspath(sys.argv[1])
# The Windows build flown ("32", "64"), or None for the native module.
WINDOWS = "64" if "--windows64" in sys.argv else "32" if "--windows" in sys.argv else None
PORT = int(sys.argv[sys.argv.index("--port") + 1]) if "--port" in sys.argv else 8479
CHROMEDRIVER = sys.argv[sys.argv.index("--chromedriver") + 1] if "--chromedriver" in sys.argv else \
    "/usr/bin/chromedriver"
STOP_S = 20  # a process group's time to end after SIGTERM, before SIGKILL
NATIVE_BENCH = os.path.join(ROOT, os.environ.get("MERTQ4_NATIVE_BUILD", "build/native"), "bench", "mertq4-bench")
RADALT_AT, KNOB_IN_RADALT = (501, 0), (240, 220)  # panel pixels of the gauge; its knob's area, gauge pixels
DECISION_MARKER, LAMP = 1, 5  # the radio altimeter's elements: the decision-height marker and lamp


STARTED = []  # every process started, each the leader of a session of its own


def start(command, **kwargs):
    process = subprocess.Popen(command, start_new_session=True, **kwargs)
    STARTED.append(process)
    return process


def stop_all():
    """Every process started ended, newest first, with every process of its
    group: SIGTERM, then SIGKILL for what is left after STOP_S."""
    for process in reversed(STARTED):  # all again if a signal cuts this short
        for number in (signal.SIGTERM, signal.SIGKILL):
            try:
                os.killpg(process.pid, number)
            except ProcessLookupError:
                break  # the group is empty
            deadline = time.monotonic() + STOP_S
            while time.monotonic() < deadline and group_alive(process):
                time.sleep(0.05)
        process.wait()
    STARTED.clear()


def group_alive(process):
    """Whether any process of `process`'s group is left, its leader reaped once it ends."""
    process.poll()
    try:
        os.killpg(process.pid, 0)
        return True
    except ProcessLookupError:
        return False


def interrupted(number, frame):
    raise KeyboardInterrupt  # unittest lets this through, where it records SystemExit as an error


class LivePanel(unittest.TestCase):
    start_failure = None  # the browser's own words when the panel did not start

    @classmethod
    def setUpClass(cls):
        try:
            cls.start_panel()
        except Exception as error:
            cls.start_failure = getattr(error, "msg", None) or str(error) or type(error).__name__
            stop_all()
            raise
        except BaseException:
            stop_all()
            raise

    @classmethod
    def start_panel(cls):
        os.makedirs(OUT, exist_ok=True)
        command = [os.path.join(ROOT, "scripts", "live"), "--port", str(PORT)] + (["--windows", WINDOWS] if WINDOWS else [])
        # The server's own words (a runner that stopped, and why) kept beside the results.
        cls.server_log = open(os.path.join(OUT, "live-server.log"), "w")
        cls.server = start(command, stdout=subprocess.PIPE, stderr=cls.server_log, text=True)
        cls.url = None
        for line in cls.server.stdout:
            if line.startswith("http://127.0.0.1:"):
                cls.url = line.strip()
                break
        assert cls.url, "scripts/live printed no URL"
        options = webdriver.ChromeOptions()
        for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--autoplay-policy=no-user-gesture-required", "--window-size=1400,1100"):
            options.add_argument(flag)
        options.binary_location = "/usr/bin/chromium"
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        # chromedriver on 127.0.0.1 by number: a machine need not resolve "localhost".
        chromedriver = start([CHROMEDRIVER, f"--port={PORT + 1}"], stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 20
        while True:
            if chromedriver.poll() is not None:  # another's may be answering on its port
                raise RuntimeError(f"chromedriver exited with status {chromedriver.returncode}")
            try:
                urllib.request.urlopen(f"http://127.0.0.1:{PORT + 1}/status", timeout=1)
                break
            except OSError:
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.1)
        cls.driver = webdriver.Remote(command_executor=f"http://127.0.0.1:{PORT + 1}", options=options)
        cls.driver.get(cls.url)
        cls.wait_for(lambda: cls.page("live.frame") > 5, "frames arrive")

    @classmethod
    def tearDownClass(cls):
        try:
            os.makedirs(OUT, exist_ok=True)
            cls.driver.execute_script("window.scrollTo(0, 0);")
            cls.driver.save_screenshot(os.path.join(OUT, "live-panel.png"))
            cls.driver.quit()
        finally:
            stop_all()

    @classmethod
    def page(cls, expression):
        return cls.driver.execute_script(f"return {expression};")

    @classmethod
    def wait_for(cls, holds, what, timeout_s=20):
        deadline = time.monotonic() + timeout_s
        while time.monotonic() < deadline:
            if holds():
                return
            time.sleep(0.05)
        raise AssertionError(f"timed out waiting until {what} (frame {cls.page('live.frame')}, "
                             f"pointer {cls.page('live.pointer')})")

    def set_token(self, token, value):
        from selenium.webdriver.common.keys import Keys
        typed = self.driver.find_element(By.ID, f"token-{token}-typed")
        typed.send_keys(Keys.CONTROL + "a" + Keys.NULL, str(value) + "\n")  # focused, so the frames leave it alone
        self.wait_for(lambda: (self.page("live.tokens") or {}).get(str(token)) == float(value),
                      f"token {token} reads {value}")

    def press_on_panel(self, x, y, seconds):
        # The whole panel in view, so that the pointer's offset is from its true centre.
        self.driver.execute_script("window.scrollTo(0, 0); document.activeElement.blur();")
        panel = self.driver.find_element(By.ID, "panel")
        self.wait_for(lambda: self.page("document.getElementById('panel').naturalWidth") > 0, "the panel is drawn")
        scale = panel.size["width"] / self.page("live.layout.width")
        dx = (x + 0.5) * scale - panel.size["width"] / 2
        dy = (y + 0.5) * scale - panel.size["height"] / 2
        ActionChains(self.driver).move_to_element_with_offset(panel, int(dx), int(dy)).click_and_hold() \
            .pause(seconds).release().perform()

    def test_1_minimums_through_the_decision_height(self):
        before = self.page(f"live.gauges.MERTQ4RADALT[{DECISION_MARKER}][1]")
        self.press_on_panel(RADALT_AT[0] + KNOB_IN_RADALT[0], RADALT_AT[1] + KNOB_IN_RADALT[1], 2.0)
        self.wait_for(lambda: self.page(f"live.gauges.MERTQ4RADALT[{DECISION_MARKER}][1]") > before + 10,
                      "holding the knob raises the decision height "
                      f"(from {before}; refused: {self.page('live.errors')})")
        decision_ft = self.page(f"live.gauges.MERTQ4RADALT[{DECISION_MARKER}][1]")
        self.set_token(331, 1)
        for metres in range(60, -1, -2):  # the slider dragged down, through the decision height
            self.set_token(614, metres)
        self.wait_for(lambda: any(e["sound"].startswith("minimums callout") for e in self.page("live.timeline")),
                      f"the minimums callout starts (decision height {decision_ft} ft)")
        self.set_token(614, round(decision_ft / 3.28084, 1))
        self.wait_for(lambda: not self.page(f"live.gauges.MERTQ4RADALT[{LAMP}][3]"),
                      "the decision-height lamp lights at the decision height")

    def test_2_smoke_sign_chimes_once(self):
        chimes = lambda: [p for p in self.page("live.played") if p["file"] == "TQ4Signs.wav"]  # noqa: E731
        self.assertEqual(chimes(), [])
        self.driver.find_element(By.ID, "var-XMLSmoke").click()
        self.wait_for(lambda: chimes(), "the chime plays")
        frame = self.page("live.frame")
        self.wait_for(lambda: self.page("live.frame") > frame + 10, "ten more frames")
        self.assertEqual(len(chimes()), 1, "the chime plays once")
        writes = self.page("live.lastWrites.XMLSmoke")
        self.assertEqual(writes, 0, "XMLSmoke reads 0 again")

    def test_3_refused_inputs_are_shown_and_frames_go_on(self):
        from selenium.webdriver.common.keys import Keys
        self.driver.find_element(By.ID, "token-614-typed").send_keys(Keys.CONTROL + "a" + Keys.NULL, "high\n")
        self.assertIn("not a number", self.driver.find_element(By.ID, "errors").text)
        self.press_on_panel(990, 200, 0.1)  # below the altitude alerter: no gauge there
        self.wait_for(lambda: any("outside every gauge" in e for e in self.page("live.errors")),
                      "a click outside every gauge is refused")
        for message, words in (({"play": []}, "no shipped scenario"), ({"play": "../README.md"}, "no shipped"),
                               ({"speed": 9}, "speed: from 0.25"), ({"seek": 5}, "only within a played scenario"),
                               ({"pause": "yes"}, "pause: true or false")):
            self.driver.execute_script("window.liveSend(arguments[0]);", message)
            self.wait_for(lambda: any(words in e for e in self.page("live.errors")), f"{message} is refused")
        frame = self.page("live.frame")
        self.wait_for(lambda: self.page("live.frame") > frame + 5, "frames go on")

    def save_and_fly(self, name):
        """Saves the session from the page, flies the file with the bench and
        checks that it flies to the live trace (which may have run on past
        the save: the saved session is its start). Keeps both files."""
        self.driver.execute_script("live.saved = null; window.scrollTo(0, 0);")
        self.driver.find_element(By.ID, "save").click()
        self.wait_for(lambda: self.page("live.saved"), "the session is saved")
        saved = self.page("live.saved")
        with urllib.request.urlopen(self.url + "trace") as r:
            live_trace = r.read().decode()
        with tempfile.TemporaryDirectory() as scratch:
            path = os.path.join(scratch, "session.json")
            with open(path, "w") as f:
                f.write(saved)
            subprocess.run([NATIVE_BENCH, path, "--out", os.path.join(scratch, "run")], check=True,
                           capture_output=True)
            with open(os.path.join(scratch, "run", "trace.jsonl")) as f:
                flown = f.read()
        with open(os.path.join(OUT, f"{name}.json"), "w") as f:
            f.write(saved)
        with open(os.path.join(OUT, f"{name}-trace.jsonl"), "w") as f:
            f.write(live_trace)
        self.assertGreater(json.loads(saved)["duration_s"], 1)
        # The native bench's trace, as the module flown live writes it (the
        # 64-bit build never looks for the host component).
        runner = {None: "native", "32": "windows", "64": "windows64"}[WINDOWS]
        flown = windows_runners.expected_trace(runner, flown.encode()).decode()
        self.assertTrue(live_trace.startswith(flown), "the saved session flies to the live trace")

    def test_4_saved_session_flies_to_the_same_trace(self):
        self.save_and_fly("saved-session")

    def test_5_host_settings_start_the_flight_again(self):
        from selenium.webdriver.support.select import Select
        frame = self.page("live.frame")
        Select(self.driver.find_element(By.ID, "library")).select_by_value("absent")
        self.wait_for(lambda: self.page("live.frame") < frame, "the flight starts again")
        heard = len(self.page("live.played"))
        self.driver.find_element(By.ID, "var-XMLSmoke").click()
        self.wait_for(lambda: self.page("live.lastWrites.XMLSmoke") == 1 or self.page("live.frame") > 40,
                      "the pulse is taken")
        frame = self.page("live.frame")
        self.wait_for(lambda: self.page("live.frame") > frame + 10, "ten more frames")
        self.assertEqual(self.page("live.played")[heard:], [], "no sound library, no sound call")

    def click_button(self, element_id):
        self.driver.execute_script("window.scrollTo(0, 0);")
        self.driver.find_element(By.ID, element_id).click()

    def test_6_plays_a_shipped_scenario_with_its_sounds_at_their_frames(self):
        from selenium.webdriver.support.select import Select
        with open(os.path.join(ROOT, "scenarios", "approach.json")) as f:
            expected = json.load(f)["expect"]["sounds"]
        Select(self.driver.find_element(By.ID, "scenario")).select_by_value("approach.json")
        self.click_button("play")
        self.wait_for(lambda: (self.page("live.state.played") or {}).get("file") == "approach.json",
                      "the approach plays")
        Select(self.driver.find_element(By.ID, "speed")).select_by_value("4")
        # The first callout after the flight's start, sought to just before it.
        first = next(want["frame"] for want in expected if want["frame"] > 13) - 13
        self.driver.execute_script(  # the time slider let go just before the first callout
            "const t = document.getElementById('time'); t.value = arguments[0];"
            "t.dispatchEvent(new Event('change'));", first)
        self.wait_for(lambda: self.page("live.frame") >= first and self.page("live.state.speed") == 4,
                      f"the flight sought to frame {first}, at 4 times the rate")
        # Paused, not a frame on, stepped one frame, then on again.
        self.click_button("pause")
        self.wait_for(lambda: self.page("live.state.paused"), "the flight pauses")
        frame = self.page("live.frame")
        time.sleep(0.3)
        self.assertEqual(self.page("live.frame"), frame, "no frame runs while paused")
        self.click_button("step")
        self.wait_for(lambda: self.page("live.frame") == frame + 1, "one frame on")
        self.click_button("pause")
        last = self.page("live.state.played.frames") - 1
        self.wait_for(lambda: self.page("live.state.paused") and self.page("live.frame") == last,
                      f"the approach flown to its last frame, {last}, and paused there", timeout_s=60)
        heard = {(e["frame"], e["file"]) for e in self.page("live.timeline") if e["what"] in ("plays", "starts")}
        for want in expected:
            self.assertIn((want["frame"], want["play"].split("\\")[-1]), heard)
        self.assertTrue(any(p["file"] == "TQ4MIN.wav" for p in self.page("live.played")), "minimums sounded")
        self.assertEqual(self.page("document.getElementById('token-61-typed').value"),
                         self.page("String(live.tokens['61'])"), "the controls show the values the scenario set")
        # Taken over at its end, and flown on by hand.
        self.click_button("take-over")
        self.wait_for(lambda: self.page("live.state.played.playing") is False, "the scenario taken over")
        self.click_button("pause")
        self.set_token(614, 321)
        self.set_token(61, 140)
        frame = self.page("live.frame")
        self.wait_for(lambda: self.page("live.frame") > frame + 5, "the flight goes on by hand")
        self.assertEqual(self.page("live.tokens")["614"], 321)
        self.save_and_fly("saved-played-session")  # sought, played at 4x, stepped, taken over

    def test_7_cursor_of_each_area_and_its_keys(self):
        self.driver.execute_script("window.scrollTo(0, 0);")
        cursors = self.page("[...document.querySelectorAll('#areas .area')].map("
                            "b => [b.getAttribute('aria-label'), getComputedStyle(b).cursor])")
        by_label = dict(cursors)
        self.assertEqual(len(cursors), len(self.page("live.areas")))
        self.assertIn("url(", by_label["MERTQ4RADALT: raise (area 2)"], "the up arrow over the knob's right half")
        self.assertIn("url(", by_label["MERTQ4RADALT: lower (area 1)"])
        self.assertEqual(by_label["MERTQ4SGN: switch (area 1)"], "pointer", "a hand over the sign switches")
        # The area under the knob's point is the one the host hit-tests there.
        under = self.page(f"(() => {{ const p = document.getElementById('panel').getBoundingClientRect();"
                          f" const k = p.width / live.layout.width;"
                          f" return document.elementFromPoint(p.left + {RADALT_AT[0] + KNOB_IN_RADALT[0]} * k,"
                          f" p.top + {RADALT_AT[1] + KNOB_IN_RADALT[1]} * k).getAttribute('aria-label'); }})()")
        self.assertEqual(under, "MERTQ4RADALT: raise (area 2)")
        # Held from the keyboard, the knob raises the decision height.
        from selenium.webdriver.common.keys import Keys
        before = self.page(f"live.gauges.MERTQ4RADALT[{DECISION_MARKER}][1]")
        knob = self.driver.find_element(By.CSS_SELECTOR, "[aria-label='MERTQ4RADALT: raise (area 2)']")
        knob.send_keys("")  # focused
        ActionChains(self.driver).key_down(Keys.ENTER).pause(1.0).key_up(Keys.ENTER).perform()
        self.wait_for(lambda: self.page(f"live.gauges.MERTQ4RADALT[{DECISION_MARKER}][1]") > before + 5,
                      f"Enter held on the knob raises the decision height (from {before})")

    def test_9_no_console_errors(self):
        logs = [e for e in self.driver.get_log("browser") if e["level"] in ("SEVERE", "WARNING")]
        self.assertEqual(logs, [])


def main():
    signal.signal(signal.SIGTERM, interrupted)
    suite = unittest.defaultTestLoader.loadTestsFromTestCase(LivePanel)
    try:
        result = unittest.TextTestRunner(verbosity=2).run(suite)
    except KeyboardInterrupt:
        print("live_test: interrupted; every process it started is ended", file=sys.stderr)
        return 130
    finally:
        stop_all()
    os.makedirs(OUT, exist_ok=True)
    name = "live" + {None: "", "32": "-windows", "64": "-windows64"}[WINDOWS]
    root = ET.Element("testsuite", name=name)
    failed = {t.id(): text for t, text in result.failures + result.errors}
    if LivePanel.start_failure is not None:  # said once; the tests that could not run are skipped
        case = ET.SubElement(root, "testcase", classname=name, name="start")
        ET.SubElement(case, "failure", message=LivePanel.start_failure.strip().splitlines()[0]).text = \
            next(text for key, text in failed.items() if "setUpClass" in key)
    for test in unittest.defaultTestLoader.loadTestsFromTestCase(LivePanel):
        case = ET.SubElement(root, "testcase", classname=name, name=test.id().split(".")[-1])
        text = failed.get(test.id())
        if LivePanel.start_failure is not None:
            ET.SubElement(case, "skipped", message="not run: the live panel did not start")
        elif text:
            ET.SubElement(case, "failure", message=text.strip().splitlines()[-1]).text = text
    ET.ElementTree(root).write(os.path.join(OUT, "live.xml"), encoding="utf-8", xml_declaration=True)
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())

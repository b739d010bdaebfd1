#!/usr/bin/python3
"""The live panel's guards, through the real thing on loopback: scripts/live
answers only its own page, and neither it nor the browser test leaves a
process behind, however it ends.

Refusals: each request sent as raw HTTP, with the Host and Origin that the
page in a browser, or another page in the same browser, would send.
Leftovers: every process of a run carries a mark in its environment, and
once the run has ended no process with the mark is left.

usage: guard_test.py OUT_DIR [--port N]   (N and N + 2 to N + 3 are used)
Writes OUT_DIR/guard.xml (JUnit); exit status 0 when every check passes.
"""
import os
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import uuid
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from live_test import OUT, ROOT, start, stop_all  # noqa: E402

PORT = int(sys.argv[sys.argv.index("--port") + 1]) if "--port" in sys.argv else 8474
OWN, ELSEWHERE = f"127.0.0.1:{PORT}", "evil.example"
PAGE, SOUND, SOCKET = "/", "/sound/TQ4MIN.wav", "/ws"
REFUSED = {PAGE: 403, SOUND: 403, SOCKET: 403}
# reason, Host, Origin (None: not sent), answers
REQUESTS = [
    ("own_origin", OWN, f"http://{OWN}", {PAGE: 200, SOUND: 200, SOCKET: 101}),
    ("own_origin_by_name", f"localhost:{PORT}", f"http://localhost:{PORT}", {PAGE: 200, SOUND: 200, SOCKET: 101}),
    ("no_origin_as_a_page_loads_but_no_socket", OWN, None, {PAGE: 200, SOUND: 200, SOCKET: 403}),
    ("foreign_origin", OWN, f"http://{ELSEWHERE}", REFUSED),
    ("own_address_at_another_port", OWN, f"http://127.0.0.1:{PORT + 1}", REFUSED),
    ("own_address_over_https", OWN, f"https://{OWN}", REFUSED),
    ("opaque_origin", OWN, "null", REFUSED),
    ("foreign_host_resolved_to_loopback", f"{ELSEWHERE}:{PORT}", f"http://{ELSEWHERE}:{PORT}", REFUSED),
    ("foreign_host_with_own_origin", f"{ELSEWHERE}:{PORT}", f"http://{OWN}", REFUSED),
    ("own_address_without_port", "127.0.0.1", f"http://{OWN}", REFUSED),
    ("no_host", None, f"http://{OWN}", REFUSED),
]


def answer(path, host, origin):
    """The status code of one GET, an upgrade to a WebSocket for SOCKET."""
    lines = [f"GET {path} HTTP/1.1"] + [f"{k}: {v}" for k, v in (("Host", host), ("Origin", origin)) if v]
    if path == SOCKET:
        lines += ["Upgrade: websocket", "Connection: Upgrade", "Sec-WebSocket-Version: 13",
                  "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ=="]
    with socket.create_connection(("127.0.0.1", PORT), timeout=10) as s:
        s.sendall(("\r\n".join(lines) + "\r\n\r\n").encode())
        return int(s.recv(64).split()[1])


def marked(mark):
    """The processes whose environment carries `mark` (a zombie has none)."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                if mark.encode() in f.read().split(b"\0"):
                    with open(f"/proc/{pid}/cmdline", "rb") as c:
                        found.append((int(pid), c.read().replace(b"\0", b" ").decode(errors="replace")))
        except OSError:
            continue
    return found


def wait_until(holds, timeout_s=300):
    deadline = time.monotonic() + timeout_s
    while not holds():
        if time.monotonic() > deadline:
            raise AssertionError("timed out")
        time.sleep(0.05)


class Refusals(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.said = tempfile.TemporaryFile("w+")
        cls.server = start([os.path.join(ROOT, "scripts", "live"), "--port", str(PORT)], stdout=subprocess.PIPE,
                           stderr=cls.said, text=True)
        if cls.server.stdout.readline().strip() != f"http://{OWN}/":
            stop_all()
            raise AssertionError("scripts/live printed no URL")

    @classmethod
    def tearDownClass(cls):
        stop_all()

    def test_each_refusal_said_once(self):
        for _ in range(3):
            self.assertEqual(answer(SOCKET, OWN, "http://said-once.example"), 403)
        self.said.seek(0)
        said = [line for line in self.said if "said-once.example" in line]
        self.assertEqual(len(said), 1, said)


def refusal_case(host, origin, answers):
    def test(self):
        self.assertEqual({path: answer(path, host, origin) for path in answers}, answers)
    return test


for reason, host, origin, answers in REQUESTS:
    setattr(Refusals, f"test_{reason}", refusal_case(host, origin, answers))

def running(name):
    return lambda mark: any(name in line for _, line in marked(mark))


def serving(mark):
    try:
        socket.create_connection(("127.0.0.1", PORT + 2), timeout=1).close()
        return True
    except OSError:
        return False


LIVE, BROWSER_TEST = os.path.join(ROOT, "scripts", "live"), os.path.join(ROOT, "live", "live_test.py")
# reason, command (OUT: a folder of its own, DRIVER: a file there that is no program), the signal sent once
# the run is so far (None: the run ends by itself), exit status
RUNS = [
    ("scripts_live_stopped_while_serving", [LIVE], (signal.SIGTERM, serving), 0),
    ("scripts_live_interrupted_while_starting", [LIVE], (signal.SIGINT, running("mertq4-render --stream")), 0),
    ("failed_browser_start", [BROWSER_TEST, "OUT", "--chromedriver", "DRIVER"], None, 1),
    ("browser_test_interrupted_at_start", [BROWSER_TEST, "OUT"], (signal.SIGINT, running("live/server.py")), 130),
    ("browser_test_terminated_in_the_browser", [BROWSER_TEST, "OUT"], (signal.SIGTERM, running("chromium")), 130),
]


class Leftovers(unittest.TestCase):
    pass


def leftover_case(command, stop, status):
    def test(self):
        mark = f"MERTQ4_LIVE_RUN={uuid.uuid4()}"
        with tempfile.TemporaryDirectory() as out:
            driver = os.path.join(out, "chromedriver")
            open(driver, "w").close()
            given = {"OUT": out, "DRIVER": driver}
            argv = [given.get(a, a) for a in command] + ["--port", str(PORT + 2)]
            if command[0] == BROWSER_TEST:
                argv.insert(0, "/usr/bin/python3")
            run = subprocess.Popen(argv, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, env=dict(os.environ, **dict([mark.split("=")])))
            try:
                if stop:
                    wait_until(lambda: stop[1](mark) or run.poll() is not None)
                    run.send_signal(stop[0])
                self.assertEqual(run.wait(timeout=300), status)
                self.assertEqual(marked(mark), [], "no process of the run is left")
                if status == 1:  # the failed start, said once in the browser's words
                    failures = ET.parse(os.path.join(out, "live.xml")).getroot().findall("testcase/failure")
                    self.assertEqual([f.get("message") for f in failures],
                                     [f"[Errno 13] Permission denied: '{driver}'"])
            finally:
                if run.poll() is None:
                    run.kill()
                    run.wait()
                for pid, _ in marked(mark):
                    os.kill(pid, signal.SIGKILL)  # what the run left, so that the next run finds its ports free
    return test


for reason, command, stop, status in RUNS:
    setattr(Leftovers, f"test_{reason}", leftover_case(command, stop, status))


def main():
    tests = [t for suite in unittest.defaultTestLoader.loadTestsFromModule(sys.modules[__name__]) for t in suite]
    result = unittest.TextTestRunner(verbosity=2).run(unittest.TestSuite(tests))
    failed = {t.id(): text for t, text in result.failures + result.errors}
    root = ET.Element("testsuite", name="live-guards")
    for test in tests:
        case = ET.SubElement(root, "testcase", classname=type(test).__name__, name=test.id().split(".")[-1])
        text = failed.get(test.id()) or next((v for k, v in failed.items() if f".{type(test).__name__})" in k), None)
        if text:
            ET.SubElement(case, "failure", message=text.strip().splitlines()[-1]).text = text
    os.makedirs(OUT, exist_ok=True)
    ET.ElementTree(root).write(os.path.join(OUT, "guard.xml"), encoding="utf-8", xml_declaration=True)
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())

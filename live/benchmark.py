#!/usr/bin/python3
"""How the live panel keeps up, measured in headless Chromium: the frames a
second the page shows with every gauge moving, the time from an input given
on the page to the first frame that shows it, and a shipped scenario played
at 4 times its rate.

usage: benchmark.py [--windows] [--seconds N]
Prints the two figures; exit status 0 (a benchmark, not a test).
"""
import os
import statistics
import sys
import time

sys.argv.insert(1, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build", "live-benchmark"))
SECONDS = float(sys.argv[sys.argv.index("--seconds") + 1]) if "--seconds" in sys.argv else 10
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from live_test import LivePanel  # noqa: E402

# A token of every gauge, swept while the frames are counted.
MOVING = {"61": (0, 400), "65": (-7000, 7000), "614": (0, 700), "74": (0, 30000), "624": (20, 100),
          "625": (40, 100), "643": (20, 100), "644": (40, 100), "73": (0, 10000)}


def main():
    LivePanel.setUpClass()
    page = LivePanel.page
    try:
        start_frame, started = page("live.frame"), time.monotonic()
        pictures = page("live.pictures || 0")
        while time.monotonic() - started < SECONDS:
            phase = (time.monotonic() - started) / 4 % 1
            tokens = {k: lo + (hi - lo) * phase for k, (lo, hi) in MOVING.items()}
            LivePanel.driver.execute_script("window.liveSend({tokens: arguments[0]});", tokens)
            time.sleep(0.05)
        elapsed = time.monotonic() - started
        frames = page("live.frame") - start_frame
        shown = page("live.pictures") - pictures
        latencies = []
        for n in range(20):  # the page's own clock: sent, then the first frame message that carries it
            value = 100 + n
            latencies.append(LivePanel.driver.execute_async_script("""
                const [value, done] = arguments;
                const sent = performance.now();
                window.liveSend({tokens: {"614": value}});
                const poll = () => (live.tokens && live.tokens["614"] === value)
                    ? done(performance.now() - sent) : setTimeout(poll, 2);
                poll();""", value))
        print(f"live panel: {frames / elapsed:.1f} frames a second run, {shown / elapsed:.1f} pictures a second "
              f"shown over {elapsed:.0f} s with every gauge moving")
        print(f"live panel: input to frame {statistics.median(latencies):.0f} ms median, "
              f"{max(latencies):.0f} ms worst of {len(latencies)}")
        # The approach played at 4 times the rate: the frames flown and pictures shown a second.
        LivePanel.driver.execute_script("window.liveSend({play: 'approach.json'}); window.liveSend({speed: 4});")
        time.sleep(1)
        start_frame, pictures, started = page("live.frame"), page("live.pictures"), time.monotonic()
        time.sleep(SECONDS)
        elapsed = time.monotonic() - started
        print(f"live panel: a played scenario at 4x: {(page('live.frame') - start_frame) / elapsed:.1f} frames "
              f"a second flown, {(page('live.pictures') - pictures) / elapsed:.1f} pictures a second shown")
    finally:
        LivePanel.tearDownClass()


if __name__ == "__main__":
    main()

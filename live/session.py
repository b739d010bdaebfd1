"""A live flight: a bench runner in its interactive mode, fed inputs as they
happen, and the record of every input at its frame, which saves as a bench
scenario that flies to the same trace.

The runner's messages are given in bench/interactive.h. A Session keeps the
runner's trace lines apart from its other answers (errors, readiness, the
drawn panel), so that what the session traced can be compared with what the
bench writes for the saved scenario.
"""
import json
import subprocess
import threading

SETTINGS = ("name", "frame_rate", "panel", "sound_library", "host_component")
DEFAULT_FRAME_RATE = 18


def dumps(value, indent=None):
    """JSON as the runner reads it, one line unless indented: non-finite
    numbers as the strings the scenario reader takes."""
    def clean(v):
        if isinstance(v, float) and v != v:
            return "nan"
        if isinstance(v, float) and v in (float("inf"), float("-inf")):
            return "inf" if v > 0 else "-inf"
        if isinstance(v, dict):
            return {k: clean(x) for k, x in v.items()}
        if isinstance(v, list):
            return [clean(x) for x in v]
        return v
    separators = (",", ": ") if indent else (",", ":")
    return json.dumps(clean(value), indent=indent, separators=separators, allow_nan=False)


class Recording:
    """Every input accepted, at the frame it went in, and the frames run."""

    def __init__(self, settings):
        self.settings = {k: v for k, v in settings.items() if k in SETTINGS}
        self.frame_rate = self.settings.get("frame_rate", DEFAULT_FRAME_RATE)
        self.inputs = []  # (frame, inputs)
        self.frames = 0

    def add(self, frame, inputs):
        """Records inputs taken before frame `frame`. A release ends the
        clicks still held: each gets the frames it was held for, as a
        scenario gives them."""
        inputs = dict(inputs)
        if inputs.pop("release", False):  # the clicks of this very frame are not yet held
            for pressed_at, earlier in [(f, i) for f, i in self.inputs if f < frame]:
                for click in earlier.get("clicks", []):
                    if click.get("held_frames", 1) > frame - pressed_at:
                        click["held_frames"] = max(frame - pressed_at, 1)
        inputs["clicks"] = [dict(c) for c in inputs.get("clicks", [])]
        if not inputs["clicks"]:
            del inputs["clicks"]
        self.inputs.append((frame, inputs))

    def scenario(self, name=None):
        """The session as a bench scenario: each token a step track from the
        frame it was set, each event at its frame's time."""
        def at(frame):
            return frame / self.frame_rate

        scenario = dict(self.settings)
        scenario["name"] = name or self.settings.get("name", "live session")
        # floor(duration x rate) + 1 frames, with room for rounding either way.
        scenario["duration_s"] = (max(self.frames, 1) - 0.5) / self.frame_rate
        tokens, events = {}, {"variables": [], "clicks": [], "panel_events": [], "snapshots": []}
        for frame, inputs in self.inputs:
            for token, value in inputs.get("tokens", {}).items():
                tokens.setdefault(token, {"step": []})["step"].append([at(frame), value])
            for name_, value in inputs.get("variables", []):
                events["variables"].append([at(frame), name_, value])
            for kind in ("clicks", "panel_events", "snapshots"):
                events[kind] += [{"t": at(frame), **event} for event in inputs.get(kind, [])]
        for steps in tokens.values():  # a later value in the same frame wins, as it did live
            steps["step"] = [s for n, s in enumerate(steps["step"])
                             if n + 1 == len(steps["step"]) or steps["step"][n + 1][0] != s[0]]
        if tokens:
            scenario["tokens"] = tokens
        scenario.update({k: v for k, v in events.items() if v})
        return scenario

    def scenario_text(self, name=None):
        """The saved scenario as a file holds it."""
        return dumps(self.scenario(name), indent=1) + "\n"


class Session:
    """A runner in interactive mode. `command` starts it (the native runner,
    or the Windows runner under Wine); its lines are read on a thread of
    their own and sorted into trace lines and answers. Given `scenario` (a
    bench scenario, as its file holds it), the session plays it: the runner
    feeds its inputs frame by frame, and they are recorded as live ones."""

    def __init__(self, command, settings, scenario=None):
        self.recording = Recording(scenario if scenario is not None else settings)
        self.playing = scenario is not None  # the scenario still gives inputs
        self.trace, self.answers = [], []
        self.changed = threading.Condition()
        self.process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True, bufsize=1)
        self._send({"play": scenario} if scenario is not None else self.recording.settings)
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _send(self, message):
        self.process.stdin.write(dumps(message) + "\n")
        self.process.stdin.flush()

    def _read(self):
        for line in self.process.stdout:
            message = json.loads(line)
            with self.changed:
                if "frame" in message and "t" in message:
                    self.trace.append(line)
                else:
                    self.answers.append(message)
                self.changed.notify_all()
        with self.changed:
            self.changed.notify_all()

    def inputs(self, inputs):
        """Hands inputs to the runner for the next frame; they are recorded
        once the runner has taken them (an error answer drops them)."""
        refused, _ = self.step(inputs, 0)
        return refused

    def step(self, inputs, count=1, take_over=False):
        """Inputs for the next frame, then `count` frames (none: the inputs
        wait for the next), in one exchange: the refusals of the inputs
        (recorded only when there are none) and the panel as drawn after
        the frames. `take_over` ends a played scenario's inputs first."""
        with self.changed:
            seen = len(self.answers)
        if take_over:
            self._send({"take_over": True})
            self.playing = False
        if inputs:
            self._send({"inputs": inputs})
        if count:
            self._send({"frame": count})
        self._send({"draw": True})  # answered after the rest: tells whether the inputs were refused
        answers = self._wait_for(seen, "draw")
        refused = [a["error"] for a in answers if "error" in a]
        first = self.recording.frames
        # The scenario's inputs of a frame went in before the live ones.
        played = [(a["played"], a["inputs"]) for a in answers if "played" in a]
        for frame, given in [p for p in played if p[0] == first]:
            self.recording.add(frame, given)
        if inputs and not refused:
            self.recording.add(first, inputs)
        for frame, given in [p for p in played if p[0] != first]:
            self.recording.add(frame, given)
        for answer in answers:
            if "ready" in answer:
                self.recording.frames = answer["ready"]
                self.playing = answer.get("playing", False)
        return refused, answers[-1]

    def frames(self, count=1):
        """Runs `count` frames; returns the panel as drawn after them."""
        return self.step(None, count)[1]

    def _wait_for(self, seen, key, timeout_s=30):
        with self.changed:
            ok = self.changed.wait_for(lambda: any(key in a for a in self.answers[seen:])
                                       or self.process.poll() is not None, timeout_s)
            if not ok or not any(key in a for a in self.answers[seen:]):
                raise RuntimeError(f"the runner did not answer: {self.process.stderr.read()[:500]}")
            return self.answers[seen:]

    def close(self):
        """Ends the runner; returns its exit status."""
        if self.process.stdin:
            self.process.stdin.close()
        status = self.process.wait(timeout=30)
        self.reader.join(timeout=5)
        self.process.stdout.close()
        self.process.stderr.close()
        return status

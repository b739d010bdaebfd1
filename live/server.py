#!/usr/bin/python3
"""The live panel's server: one flight of the module through a bench runner
in its interactive mode, run at the frame rate and shown to every page that
connects, with the page's inputs fed in as they come.

usage: server.py --runner CMD [--runner-arg ARG]... --renderer PATH --sounds DIR
                 [--port N] [--scenario FILE]

Listens on 127.0.0.1 only, and answers only its own page: a request whose
Host is not 127.0.0.1:PORT or localhost:PORT, or that carries any Origin but
http://127.0.0.1:PORT or http://localhost:PORT, is refused (403), and a
WebSocket is taken only with one of these two origins (a browser lets any
web page open one, and a name can be made to resolve to 127.0.0.1). Each
refused host or origin is said once on stderr.

Serves the page (live/page/), the sounds of the set by their file names,
the token table, and a WebSocket (/ws). Each frame every page gets a JSON
text message (the runner's trace line, the sounds it started and stopped in
the report's words, any refused input) and the panel as a PNG in a binary
message. A page sends JSON messages:

  {"tokens": {"614": 100}}            token values, held from the next frame
  {"variable": ["XMLSmoke", 1]}       a write of an XML gauge's variable
  {"click": {"x": px, "y": px, "button": "left"|"right", "held_frames": n}}
                                      on the panel picture; the gauge under it
                                      gets it in its own pixels, repeated while
                                      held where its area repeats
  {"release": true}                   the held mouse button comes up
  {"reload": true}                    every gauge removed and placed again
  {"settings": {"sound_library": "full"|"play_only"|"absent",
                "host_component": null | {"2848": b, "2852": b, "3400": b}}}
                                      the flight starts again from frame 0
                                      with this sound library and host
                                      component (and its status bytes)
  {"save": true}                      answered {"scenario": text}: the session
                                      as a bench scenario
  {"play": "approach.json" | null}    a shipped scenario (by its file name, as
                                      /setup lists them) flown from frame 0,
                                      its inputs given frame by frame; null:
                                      a session by hand again
  {"take_over": true}                 the played scenario gives no more
                                      inputs; every token holds its value
  {"pause": true | false}             frames stop or go on
  {"step": true}                      one frame, paused
  {"speed": 0.25 .. 4}                frames run at this many times the rate
  {"seek": frame}                     the played scenario flown again from
                                      frame 0 to this frame (the module
                                      cannot go back in time)

A token set by hand while a scenario plays is no longer the scenario's to
set. When a played scenario ends, the flight pauses; going on flies it on by
hand, every token held. Every frame message carries the flight's "state"
(what plays, paused, speed), the aural "timeline" of the frames it covers,
each looping sound now "sounding" by key, and, when they change, the placed
gauges' mouse "areas" with their cursors.

Inputs within one frame are merged (later token values win; at most
MAX_EVENTS events a frame). A message that is not one of these, or that the
runner refuses, is answered {"error": text} and dropped; the frames go on.
If the runner exits, every page is told why and the server exits with
status 2; it exits 2 too when its port is taken. On SIGINT or SIGTERM it
ends its runner and renderer and exits 0; under Wine (a runner named
"wine") it also waits for the Wine server of the prefix to end, and ends
it, with every Wine program it runs, if it does not within WINE_WAIT_S.
"""
import argparse
import asyncio
import json
import os
import signal
import subprocess
import sys

from aiohttp import WSMsgType, web

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(ROOT, "bench", "report"))
sys.path.insert(0, os.path.join(ROOT, "packaging"))
sys.path.insert(0, os.path.join(ROOT, "bench"))
from check_expectations import Hearing  # noqa: E402  (what a crew hears, frame by frame)
import package  # noqa: E402  (the sample panel block's arrangement)
import sounds  # noqa: E402  (the report's words for each sound)
from session import Session, dumps  # noqa: E402
from sound_table import SOUNDS  # noqa: E402

MAX_EVENTS = 64  # inputs of one frame beyond this are refused, so a flood cannot grow memory
SOUND_FILES = {s["file"] + ".wav" for s in SOUNDS}
SPEEDS = (0.25, 4.0)  # slowest and fastest, times the frame rate
NO_FRAME = {"frame": -1, "t": 0, "tokens": {}, "events": []}  # the last frame line of a flight that has run none
MAX_SAID = 64  # refused hosts and origins said on stderr; a flood of new ones is refused unsaid
END_S = 5  # a child's time to end, at each of: its input closed, SIGTERM, SIGKILL
WINE_WAIT_S = 10  # the Wine server's time to end by itself once its last program has


def end(process):
    """A child ended and reaped: its input closed (the runner and renderer
    stop at its end), then SIGTERM, then SIGKILL, each given END_S."""
    for step in (lambda: process.stdin and process.stdin.close(), process.terminate, process.kill):
        try:
            step()
            process.wait(timeout=END_S)
            return
        except (OSError, ValueError, subprocess.TimeoutExpired):
            continue


def end_wine():
    """The Wine server of this prefix (WINEPREFIX) and every Wine program it
    runs ended: it lives in a session of its own, so no signal to this
    process group reaches it."""
    try:
        subprocess.run(["wineserver", "-w"], timeout=WINE_WAIT_S, stdin=subprocess.DEVNULL)
    except subprocess.TimeoutExpired:
        subprocess.run(["wineserver", "-k"], timeout=WINE_WAIT_S, stdin=subprocess.DEVNULL)
    except OSError as error:
        print(f"live: cannot reach the Wine server: {error}", file=sys.stderr)


class OwnPage:
    """The requests the server answers: those for its own address and port
    only (a name made to resolve to 127.0.0.1 reaches nothing), any origin a
    request carries the page's own, and a WebSocket only with the page's own
    origin. A refusal is 403 before anything is served or upgraded."""

    def __init__(self, port):
        self.hosts = {f"127.0.0.1:{port}", f"localhost:{port}"}
        self.origins = {"http://" + host for host in self.hosts}
        self.said = set()

    def refuse(self, said, own):
        if said not in self.said and len(self.said) < MAX_SAID:
            self.said.add(said)
            print(f"live: refused {said}; the page's own is {' or '.join(sorted(own))}", file=sys.stderr, flush=True)
        raise web.HTTPForbidden(text=f"refused {said}\n")

    @web.middleware
    async def middleware(self, request, handler):
        host = request.headers.get("Host")
        if host is None or host.lower() not in self.hosts:
            self.refuse(f"a request for host {host!r}" if host is not None else "a request with no host", self.hosts)
        origin = request.headers.get("Origin")
        if origin is not None and origin not in self.origins:
            self.refuse(f"a request from origin {origin!r}", self.origins)
        return await handler(request)

    def socket(self, handler):
        """`handler` for a WebSocket, taken only from the page's own origin."""
        async def checked(request):
            origin = request.headers.get("Origin")
            if origin not in self.origins:  # a foreign one was refused with the request
                self.refuse("a WebSocket with no origin" if origin is None else f"a WebSocket from {origin!r}",
                            self.origins)
            return await handler(request)
        return checked


def shipped_scenarios(given=None):
    """The shipped scenarios by file name, and the one given on the command
    line; a page names one of these, never a path."""
    folder = os.path.join(ROOT, "scenarios")
    paths = [os.path.join(folder, f) for f in sorted(os.listdir(folder)) if f.endswith(".json")]
    found = {}
    for path in paths + ([given] if given else []):
        with open(path) as f:
            found[os.path.basename(path)] = json.load(f)
    return found


def frame_count(scenario):
    """The frames a scenario flies: floor(duration x rate) + 1, within the
    reader's tolerance of a frame boundary."""
    rate = scenario.get("frame_rate", 18)
    return int(scenario["duration_s"] * rate + 1e-9) + 1


def arrangement():
    """Every gauge where the sample panel block places it, at native size."""
    sizes = {name: package.png_size(os.path.join(ROOT, "docs", "manual", name + ".png"))
             for name in package.PANEL_ORDER}
    placed = package.layout(sizes)
    return {"width": max(x + w for _, x, _, w, _ in placed), "height": max(y + h for _, _, y, _, h in placed),
            "at": {name: [x, y] for name, x, y, _, _ in placed},
            "size": {name: [w, h] for name, _, _, w, h in placed}}


class Renderer:
    """mertq4-render --stream: a drawn panel in, a PNG out."""

    def __init__(self, path, layout):
        self.process = subprocess.Popen([path, "--stream"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self._line({k: layout[k] for k in ("width", "height", "at")})

    def _line(self, value):
        self.process.stdin.write((json.dumps(value) + "\n").encode())
        self.process.stdin.flush()

    def draw(self, drawn):
        self._line(drawn)
        header = self.process.stdout.readline().decode()
        if header.startswith("png "):
            return self.process.stdout.read(int(header.split()[2]))
        raise RuntimeError(header.strip() or "the renderer stopped")


class Live:
    def __init__(self, args):
        self.runner = [args.runner] + args.runner_arg
        self.wine = os.path.basename(args.runner) in ("wine", "wine64")
        self.stopping = False  # the frames end at the next tick
        try:
            self.setup_flight(args)
        except BaseException:
            self.close()
            raise

    def setup_flight(self, args):
        self.layout = arrangement()
        self.tokens = json.loads(subprocess.run(self.runner + ["--tokens"], capture_output=True, check=True,
                                                text=True).stdout)
        self.scenarios = shipped_scenarios(args.scenario)
        self.settings = {"name": "live session", "panel": list(package.PANEL_ORDER)}
        self.played = os.path.basename(args.scenario) if args.scenario else None  # the scenario flown
        self.restart = None  # asked for by a page, taken at the next frame: ("settings" | "play", value)
        self.seek_to = None
        self.paused, self.speed, self.due, self.steps = False, 1.0, 0.0, 0
        self.take_over = False
        self.session = self.start()
        self.renderer = Renderer(args.renderer, self.layout)
        self.sounds_dir = args.sounds
        self.pages = set()
        self.pending = {}
        self.pending_events = 0
        self.last = None  # the latest frame message and picture, for a page that joins
        self.areas = None  # the placed gauges' mouse areas, as last sent
        self.sent_state = None  # the flight's state, as last sent
        self.latest = NO_FRAME  # the last frame line

    def close(self):
        """The runner and renderer ended, and under Wine the Wine server with
        every program it runs; whatever of them has started."""
        for part in (getattr(self, "session", None), getattr(self, "renderer", None)):
            if part is not None:
                end(part.process)
        if self.wine:
            end_wine()

    def start(self, target=0):
        """A new flight: the played scenario, or a session by hand with the
        settings; then `target` frames run at once (a seek). By hand, every
        token the module reads starts at 0 (as an unset one reads), so every
        frame line lists them all, as the saved scenario's will; a played
        scenario's own tokens are its to set."""
        scenario = self.scenarios[self.played] if self.played else None
        session = Session(self.runner + ["--interactive"], self.settings, scenario)
        own = set(scenario.get("tokens", {})) if scenario else set()
        session.inputs({"tokens": {str(t["id"]): 0 for t in self.tokens if str(t["id"]) not in own}})
        self.hearing, self.take_over = Hearing(), False
        if target:
            session.frames(target)
        return session

    def state(self):
        """What the flight is doing, for every page."""
        played = None
        if self.played:
            played = {"file": self.played, "name": self.scenarios[self.played].get("name", self.played),
                      "frames": frame_count(self.scenarios[self.played]), "playing": self.session.playing}
        return {"played": played, "paused": self.paused, "speed": self.speed}

    def control(self, kind, value):
        """A message that steers the flight rather than feeding it; the
        refusal as text, or None."""
        if kind == "play":
            if value is not None and (not isinstance(value, str) or value not in self.scenarios):
                return f"play: no shipped scenario {value!r}"
            self.restart = ("play", value)
        elif kind == "take_over":
            if value is not True:
                return "take_over: true"
            self.take_over = True
        elif kind == "pause":
            if not isinstance(value, bool):
                return "pause: true or false"
            self.paused = value
        elif kind == "step":
            if value is not True:
                return "step: true"
            self.paused, self.steps = True, min(self.steps + 1, MAX_EVENTS)
        elif kind == "speed":
            if isinstance(value, bool) or not isinstance(value, (int, float)) or \
                    not SPEEDS[0] <= value <= SPEEDS[1]:
                return f"speed: from {SPEEDS[0]} to {SPEEDS[1]} times the frame rate"
            self.speed = float(value)
        elif kind == "seek":
            played = self.restart[1] if self.restart and self.restart[0] == "play" else \
                None if self.restart else self.played
            if not played:
                return "seek: only within a played scenario"
            last = frame_count(self.scenarios[played]) - 1
            if not isinstance(value, int) or isinstance(value, bool) or not 0 <= value <= last:
                return f"seek: a frame from 0 to {last}"
            self.seek_to = value
        return None

    def host_settings(self, value):
        """A page's choice of sound library and host component, checked; the
        refusal as text, or None. The flight starts again with them."""
        if not isinstance(value, dict) or not set(value) <= {"sound_library", "host_component"}:
            return "settings: sound_library and host_component only"
        if value.get("sound_library", "full") not in ("full", "play_only", "absent"):
            return "settings.sound_library: full, play_only or absent"
        component = value.get("host_component", {})
        if component is not None and not (isinstance(component, dict) and all(
                k in ("2848", "2852", "3400") and isinstance(v, int) and 0 <= v <= 255 for k, v in component.items())):
            return "settings.host_component: null, or status bytes 2848, 2852, 3400 of 0..255"
        self.restart = ("settings", {**self.settings, **value})
        return None

    # ----------------------------------------------------------------- inputs
    def take(self, message):
        """A page's message, merged into the next frame's inputs; the refusal
        as text, or None."""
        if not isinstance(message, dict) or len(message) != 1:
            return "a message is one JSON object with one field"
        (kind, value), = message.items()
        if kind in ("play", "take_over", "pause", "step", "speed", "seek"):
            return self.control(kind, value)
        if kind == "tokens":
            if not isinstance(value, dict):
                return "tokens: must be an object of token ids and values"
            self.pending.setdefault("tokens", {}).update(value)
            return None
        if self.pending_events >= MAX_EVENTS:
            return f"more than {MAX_EVENTS} inputs in one frame: dropped"
        self.pending_events += 1
        if kind == "settings":
            return self.host_settings(value)
        if kind == "release":
            self.pending["release"] = True
            return None
        if kind == "variable":
            self.pending.setdefault("variables", []).append(value)
        elif kind == "click":
            return self.click(value)
        elif kind == "reload":
            events = self.pending.setdefault("panel_events", [])
            placed = list(self.session.recording.settings.get("panel", package.PANEL_ORDER))
            events += [{"remove": g} for g in placed] + [{"place": g} for g in placed]
        else:
            return f"{kind}: not a message the live panel takes"
        return None

    def click(self, value):
        if not isinstance(value, dict) or not all(isinstance(value.get(k), (int, float)) for k in ("x", "y")):
            return "click: needs x and y in panel pixels"
        x, y = int(value["x"]), int(value["y"])
        for name, (gx, gy) in self.layout["at"].items():
            w, h = self.layout["size"][name]
            if gx <= x < gx + w and gy <= y < gy + h:
                click = {"gauge": name, "x": x - gx, "y": y - gy}
                click.update({k: value[k] for k in ("button", "held_frames") if k in value})
                self.pending.setdefault("clicks", []).append(click)
                return None
        return f"click: ({x}, {y}) is outside every gauge"

    # ----------------------------------------------------------------- frames
    def aural(self, line):
        """The sounds that started, played and stopped in a frame, in the
        report's words, with the inputs behind them."""
        entries = []
        words = {("play", False): "plays", ("play", True): "starts", ("stop", True): "stops"}
        clicks = [e for e in line["events"] if "click" in e]
        for _, what, path, _, looping in self.hearing.frame(line):
            cause = sounds.context(line["frame"], line["tokens"], sounds.causes(path), clicks, {})
            entries.append({"frame": line["frame"], "t": line["t"], "what": words[what, looping],
                            "sound": sounds.describe(path), "file": sounds.file_name(path), "cause": cause})
        return entries

    def frames_due(self):
        """How many frames this tick runs: the speed's share of a tick, or a
        single step while paused. A played scenario stops at its last frame;
        a frame asked for after it flies on by hand."""
        if self.paused:
            count, self.steps = min(self.steps, 1), max(self.steps - 1, 0)
        else:
            self.due += self.speed
            count = int(self.due)
            self.due -= count
        if self.session.playing and not self.take_over:
            left = frame_count(self.scenarios[self.played]) - self.session.recording.frames
            if count and not left:
                self.take_over = True
            else:
                count = min(count, left)
        return count

    def frame(self):
        """One tick: the flight started again if asked, then the frames due
        with the inputs given since the last; the page message and picture,
        or None when nothing ran."""
        restarted = self.restart is not None or self.seek_to is not None
        if restarted:
            if self.restart is not None:
                (kind, value), self.restart = self.restart, None
                self.paused = False
                if kind == "settings":
                    self.settings, self.played = value, None
                else:
                    self.played = value
            target, self.seek_to = self.seek_to or 0, None
            self.session.close()
            self.session = self.start(target)
            # The new flight's own last frame, none yet where it starts paused: not the old one's.
            self.latest = NO_FRAME
        count = self.frames_due()
        taking_over = self.take_over and self.session.playing
        if not (count or restarted or taking_over):
            return None  # paused: the inputs wait for the next frame
        inputs, self.pending, self.pending_events = self.pending, {}, 0
        seen = 0 if restarted else len(self.session.trace)
        refused, drawn = self.session.step(inputs, count, take_over=taking_over)
        lines = [json.loads(line) for line in self.session.trace[seen:]]
        frames = [entry for entry in lines if "events" in entry]
        timeline, events = [], []
        for line in frames:
            timeline += self.aural(line)
            events += line["events"]
        if self.session.playing and self.session.recording.frames >= frame_count(self.scenarios[self.played]):
            self.paused = True  # the scenario has ended: going on flies it on by hand
        if frames:
            self.latest = frames[-1]
        message = {"frame": self.latest["frame"], "t": self.latest["t"], "tokens": self.latest["tokens"],
                   "events": self.latest["events"] if restarted else events,
                   "timeline": timeline, "errors": refused, "gauges": drawn["gauges"],
                   "sounding": {key: sounds.file_name(path) for key, path in self.hearing.playing.items()},
                   "state": self.state(), "restarted": restarted}
        if drawn["areas"] != self.areas:
            self.areas = message["areas"] = drawn["areas"]
        self.sent_state = message["state"]  # a page steering meanwhile is told at the next tick
        return dumps(message), self.renderer.draw(drawn)

    async def run_frames(self):
        """Frames at the frame rate until `stopping`: 0; or 2 when the runner
        or renderer has gone, every page told why."""
        loop = asyncio.get_running_loop()
        next_at = loop.time()
        while not self.stopping:
            period = 1.0 / self.session.recording.frame_rate
            try:
                shown = await asyncio.to_thread(self.frame)
            except Exception as error:  # the runner or renderer has gone: say why, and stop
                why = self.session.process.poll()
                print(f"live: the runner stopped ({why}): {error}", file=sys.stderr, flush=True)
                await self.broadcast(dumps({"fatal": f"the runner stopped ({why}): {error}"}), None)
                return 2
            if shown is not None:
                self.last = shown
                await self.broadcast(*shown)
            elif self.state() != self.sent_state:  # paused, or the speed changed while paused
                self.sent_state = self.state()
                await self.broadcast(dumps({"state": self.sent_state}), None)
            next_at = max(next_at + period, loop.time())
            await asyncio.sleep(next_at - loop.time())
        return 0

    async def broadcast(self, text, picture):
        for page in list(self.pages):
            try:
                await page.send_str(text)
                if picture is not None:
                    await page.send_bytes(picture)
            except ConnectionError:
                self.pages.discard(page)

    # ------------------------------------------------------------------ pages
    async def websocket(self, request):
        page = web.WebSocketResponse(max_msg_size=64 * 1024)
        await page.prepare(request)
        self.pages.add(page)
        try:
            await self.talk(page)
        except ConnectionError:  # the page has gone: while it joined, or before an answer
            pass
        finally:
            self.pages.discard(page)
        return page

    async def talk(self, page):
        """A page joined: the latest frame, then its messages taken as they come."""
        if self.last:
            await page.send_str(self.last[0])
            await page.send_bytes(self.last[1])
            await page.send_str(dumps({"areas": self.areas, "state": self.state()}))
        async for msg in page:
            if msg.type != WSMsgType.TEXT:
                continue
            try:
                message = json.loads(msg.data)
            except ValueError:
                await page.send_str(dumps({"error": "not JSON"}))
                continue
            if message == {"save": True}:
                await page.send_str(dumps({"scenario": self.session.recording.scenario_text()}))
                continue
            refused = self.take(message)
            if refused:
                await page.send_str(dumps({"error": refused}))

    async def trace(self, request):
        """The session's trace so far, as the bench writes trace.jsonl."""
        return web.Response(text="".join(self.session.trace), content_type="application/x-ndjson")

    async def sound(self, request):
        name = request.match_info["name"]
        if name not in SOUND_FILES:
            raise web.HTTPNotFound()
        return web.FileResponse(os.path.join(self.sounds_dir, name))

    async def setup(self, request):
        scenarios = [{"file": f, "name": s.get("name", f), "frames": frame_count(s)}
                     for f, s in self.scenarios.items()]
        return web.json_response({"layout": self.layout, "tokens": self.tokens, "frame_rate": self.session.recording.frame_rate,
                                  "variables": VARIABLES, "sounds": sorted(SOUND_FILES), "scenarios": scenarios,
                                  "speeds": SPEEDS})


# The twelve named variables of the aircraft's XML gauges: one-shots go back to 0 once played.
VARIABLES = [{"name": n, "kind": "one-shot"} for n in
             ("XMLSmoke", "XMLBelts", "XMLBus", "XMLClick1", "XMLClick2", "XMLClick3", "XMLRotar", "XMLRotor")] + \
            [{"name": n, "kind": "level"} for n in ("XMLAltclk", "XMLOvspd", "XMLStalltst", "XMLFirewarn")]


def interrupted(number, frame):
    raise KeyboardInterrupt


def main():
    parser = argparse.ArgumentParser(description="The live panel's server.")
    parser.add_argument("--runner", required=True)
    parser.add_argument("--runner-arg", action="append", default=[])
    parser.add_argument("--renderer", required=True)
    parser.add_argument("--sounds", required=True)
    parser.add_argument("--port", type=int, default=8471)
    parser.add_argument("--scenario")
    args = parser.parse_args()
    signal.signal(signal.SIGTERM, interrupted)  # while the flight starts, SIGTERM ends it as SIGINT does
    try:
        live = Live(args)
    except KeyboardInterrupt:
        sys.exit(0)
    except (OSError, RuntimeError, ValueError, subprocess.CalledProcessError) as error:
        stderr = getattr(error, "stderr", "") or ""
        print(f"live: the flight cannot start: {error} {stderr}".strip(), file=sys.stderr)
        sys.exit(2)
    try:
        sys.exit(asyncio.run(serve(live, args.port)))
    finally:
        live.close()


async def serve(live, port):
    """Serves the page on 127.0.0.1:`port`, its URL printed once it listens,
    until SIGINT or SIGTERM (0) or the flight stops (2). A port that is taken
    is said, and 2."""
    guard = OwnPage(port)
    app = web.Application(middlewares=[guard.middleware])
    page_dir = os.path.join(HERE, "page")
    app.router.add_get("/", lambda r: web.FileResponse(os.path.join(page_dir, "index.html")))
    app.router.add_get("/live.js", lambda r: web.FileResponse(os.path.join(page_dir, "live.js")))
    app.router.add_get("/live.css", lambda r: web.FileResponse(os.path.join(page_dir, "live.css")))
    app.router.add_get("/setup", live.setup)
    app.router.add_get("/ws", guard.socket(live.websocket))
    app.router.add_get("/sound/{name}", live.sound)
    app.router.add_get("/trace", live.trace)
    runner = web.AppRunner(app)
    await runner.setup()
    try:
        await web.TCPSite(runner, "127.0.0.1", port).start()
    except OSError as error:
        print(f"live: cannot listen on 127.0.0.1:{port}: {error.strerror}", file=sys.stderr)
        await runner.cleanup()
        return 2
    print(f"http://127.0.0.1:{port}/", flush=True)
    stop = asyncio.Event()
    for number in (signal.SIGINT, signal.SIGTERM):
        asyncio.get_running_loop().add_signal_handler(number, stop.set)
    frames, stopped = asyncio.create_task(live.run_frames()), asyncio.create_task(stop.wait())
    await asyncio.wait((frames, stopped), return_when=asyncio.FIRST_COMPLETED)
    live.stopping = True
    status = await frames  # the frame being flown finishes first, so no runner starts after close()
    stopped.cancel()
    await runner.cleanup()
    return status


if __name__ == "__main__":
    main()

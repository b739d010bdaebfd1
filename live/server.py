#!/usr/bin/python3
"""The live panel's server: one flight of the module through a bench runner
in its interactive mode, run at the frame rate and shown to every page that
connects, with the page's inputs fed in as they come.

usage: server.py --runner CMD [--runner-arg ARG]... --renderer PATH --sounds DIR
                 [--port N] [--scenario FILE]

Listens on 127.0.0.1 only. Serves the page (live/page/), the sounds of the
set by their file names, the token table, and a WebSocket (/ws). Each frame
every page gets a JSON text message (the runner's trace line, the sounds it
started and stopped in the report's words, any refused input) and the panel
as a PNG in a binary message. A page sends JSON messages:

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

Inputs within one frame are merged (later token values win; at most
MAX_EVENTS events a frame). A message that is not one of these, or that the
runner refuses, is answered {"error": text} and dropped; the frames go on.
If the runner exits, every page is told why and the server exits with
status 2.
"""
import argparse
import asyncio
import json
import os
import subprocess
import sys

from aiohttp import WSMsgType, web

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(ROOT, "bench", "report"))
sys.path.insert(0, os.path.join(ROOT, "packaging"))
import package  # noqa: E402  (the sample panel block's arrangement)
import sounds  # noqa: E402  (the report's words for each sound)
from session import Session, dumps  # noqa: E402
from sound_table import SOUNDS  # noqa: E402

MAX_EVENTS = 64  # inputs of one frame beyond this are refused, so a flood cannot grow memory
SOUND_FILES = {s["file"] + ".wav" for s in SOUNDS}


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
        self.layout = arrangement()
        settings = {"name": "live session", "panel": list(package.PANEL_ORDER)}
        if args.scenario:
            with open(args.scenario) as f:
                given = json.load(f)
            settings.update({k: v for k, v in given.items() if k in ("name", "frame_rate", "panel",
                                                                    "sound_library", "host_component")})
        self.runner = [args.runner] + args.runner_arg
        self.tokens = json.loads(subprocess.run(self.runner + ["--tokens"], capture_output=True, check=True,
                                                text=True).stdout)
        self.settings = settings
        self.new_settings = None  # asked for by a page, taken at the next frame
        self.session = self.start(settings)
        self.renderer = Renderer(args.renderer, self.layout)
        self.frame_rate = settings.get("frame_rate", 18)
        self.sounds_dir = args.sounds
        self.pages = set()
        self.pending = {}
        self.pending_events = 0
        self.last = None  # the latest frame message and picture, for a page that joins
        self.sounding = {}  # sound key -> file of each looping sound now sounding
        self.frame_clicks = []

    def start(self, settings):
        """A new flight with these settings. Every token the module reads
        starts at 0 (as an unset one reads), so every frame line lists them
        all, as the saved scenario's will."""
        session = Session(self.runner + ["--interactive"], settings)
        session.inputs({"tokens": {str(t["id"]): 0 for t in self.tokens}})
        return session

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
        self.new_settings = {**self.settings, **value}
        return None

    # ----------------------------------------------------------------- inputs
    def take(self, message):
        """A page's message, merged into the next frame's inputs; the refusal
        as text, or None."""
        if not isinstance(message, dict) or len(message) != 1:
            return "a message is one JSON object with one field"
        (kind, value), = message.items()
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
        """The sounds that started and stopped this frame, in the report's
        words: a looping sound is asked for on every pass, so only a change
        of what sounds is listed."""
        entries = []

        def entry(what, path):
            cause = sounds.context(line["frame"], line["tokens"], sounds.causes(path), self.frame_clicks, {})
            entries.append({"what": what, "sound": sounds.describe(path), "file": sounds.file_name(path),
                            "cause": cause})

        for event in line["events"]:
            kind = event.get("sound")
            if kind == "play" and event["loop"]:
                if self.sounding.get(event["key"]) != event["file"]:
                    self.sounding[event["key"]] = event["file"]
                    entry("starts", event["file"])
            elif kind == "play":
                entry("plays", event["file"])
            elif kind == "stop" and event["key"] in self.sounding:
                entry("stops", self.sounding.pop(event["key"]))
            elif kind == "terminate":
                for path in self.sounding.values():
                    entry("stops", path)
                self.sounding.clear()
        return entries

    def frame(self):
        """One frame with the inputs given since the last: the page message and picture."""
        if self.new_settings is not None:  # the flight starts again, from frame 0
            self.session.close()
            self.settings, self.new_settings = self.new_settings, None
            self.session, self.sounding = self.start(self.settings), {}
        inputs, self.pending, self.pending_events = self.pending, {}, 0
        seen = len(self.session.trace)
        refused, drawn = self.session.step(inputs)
        lines = [json.loads(line) for line in self.session.trace[seen:]]
        line = next(entry for entry in lines if "events" in entry)
        self.frame_clicks = [e for e in line["events"] if "click" in e]
        timeline = self.aural(line)
        message = {"frame": line["frame"], "t": line["t"], "tokens": line["tokens"], "events": line["events"],
                   "timeline": timeline, "errors": refused, "gauges": drawn["gauges"]}
        return dumps(message), self.renderer.draw(drawn)

    async def run_frames(self, app):
        loop = asyncio.get_running_loop()
        period = 1.0 / self.frame_rate
        next_at = loop.time()
        while True:
            try:
                text, picture = await asyncio.to_thread(self.frame)
            except Exception as error:  # the runner or renderer has gone: say why, and stop
                why = self.session.process.poll()
                await self.broadcast(dumps({"fatal": f"the runner stopped ({why}): {error}"}), None)
                os._exit(2)
            self.last = (text, picture)
            await self.broadcast(text, picture)
            next_at = max(next_at + period, loop.time())
            await asyncio.sleep(next_at - loop.time())

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
        if self.last:
            await page.send_str(self.last[0])
            await page.send_bytes(self.last[1])
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
        self.pages.discard(page)
        return page

    async def trace(self, request):
        """The session's trace so far, as the bench writes trace.jsonl."""
        return web.Response(text="".join(self.session.trace), content_type="application/x-ndjson")

    async def sound(self, request):
        name = request.match_info["name"]
        if name not in SOUND_FILES:
            raise web.HTTPNotFound()
        return web.FileResponse(os.path.join(self.sounds_dir, name))

    async def setup(self, request):
        return web.json_response({"layout": self.layout, "tokens": self.tokens, "frame_rate": self.frame_rate,
                                  "variables": VARIABLES, "sounds": sorted(SOUND_FILES)})


# The twelve named variables of the aircraft's XML gauges: one-shots go back to 0 once played.
VARIABLES = [{"name": n, "kind": "one-shot"} for n in
             ("XMLSmoke", "XMLBelts", "XMLBus", "XMLClick1", "XMLClick2", "XMLClick3", "XMLRotar", "XMLRotor")] + \
            [{"name": n, "kind": "level"} for n in ("XMLAltclk", "XMLOvspd", "XMLStalltst", "XMLFirewarn")]


def main():
    parser = argparse.ArgumentParser(description="The live panel's server.")
    parser.add_argument("--runner", required=True)
    parser.add_argument("--runner-arg", action="append", default=[])
    parser.add_argument("--renderer", required=True)
    parser.add_argument("--sounds", required=True)
    parser.add_argument("--port", type=int, default=8471)
    parser.add_argument("--scenario")
    args = parser.parse_args()
    try:
        live = Live(args)
    except (OSError, RuntimeError, ValueError, subprocess.CalledProcessError) as error:
        stderr = getattr(error, "stderr", "") or ""
        print(f"live: the flight cannot start: {error} {stderr}".strip(), file=sys.stderr)
        sys.exit(2)
    app = web.Application()
    page_dir = os.path.join(HERE, "page")
    app.router.add_get("/", lambda r: web.FileResponse(os.path.join(page_dir, "index.html")))
    app.router.add_get("/live.js", lambda r: web.FileResponse(os.path.join(page_dir, "live.js")))
    app.router.add_get("/live.css", lambda r: web.FileResponse(os.path.join(page_dir, "live.css")))
    app.router.add_get("/setup", live.setup)
    app.router.add_get("/ws", live.websocket)
    app.router.add_get("/sound/{name}", live.sound)
    app.router.add_get("/trace", live.trace)

    async def start_frames(app):
        app["frames"] = asyncio.create_task(live.run_frames(app))

    app.on_startup.append(start_frames)
    print(f"http://127.0.0.1:{args.port}/", flush=True)
    web.run_app(app, host="127.0.0.1", port=args.port, print=None)


if __name__ == "__main__":
    main()

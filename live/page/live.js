// The live panel's page. It computes nothing the module does: the panel
// picture, the sounds and every value shown come from the server, frame by
// frame; the page sends the inputs a person gives and plays the sound calls.
"use strict";

const GROUPS = [  // the token controls, grouped as a pilot thinks of them
  ["Flight", [61, 65, 73, 74, 116]],
  ["Ground proximity", [614, 556, 41, 331]],
  ["Engines", [624, 625, 643, 644, 128, 163]],
  ["Configuration", [907, 334, 333, 327, 323, 783, 60, 324]],
];

const live = {
  socket: null, layout: null, frame: -1, shown: 0, since: performance.now(),
  audio: null, buffers: new Map(), loops: new Map(), oneShots: new Set(), muted: false,
  played: [],  // every sound call carried out, for whoever watches the page
  lastWrites: {},  // the module's latest write of each named variable
  errors: [],  // every refusal shown, in order
  pointer: [],  // every press and release sent
  timeline: [],  // every aural timeline entry since the flight (re)started
  areas: [],  // the placed gauges' mouse areas, as the runner gives them
  state: null,  // what the flight is doing: scenario played, paused, speed
  dragging: false,  // the time slider is held
};
window.live = live;
window.liveSend = (message) => send(message);  // for the benchmark and the tests

function send(message) {
  if ("click" in message || "release" in message) live.pointer.push(message);
  if (live.socket && live.socket.readyState === WebSocket.OPEN) live.socket.send(JSON.stringify(message));
}

function showError(text) {
  live.errors.push(text);
  document.getElementById("errors").textContent = text;
}

// A typed value as the runner takes it: a number, or "nan", "inf", "-inf".
function typedValue(text) {
  const t = text.trim().toLowerCase();
  if (["nan", "inf", "-inf", "infinity", "-infinity"].includes(t)) return t.replace("infinity", "inf");
  const v = Number(t);
  return t !== "" && Number.isFinite(v) ? v : null;
}

function tokenControl(token) {
  const box = document.createElement("div");
  box.className = "token";
  const id = `token-${token.id}`;
  const label = document.createElement("label");
  label.htmlFor = id;
  label.textContent = `${token.role} (${token.unit}) [${token.id}]`;
  const slider = document.createElement("input");
  Object.assign(slider, {type: "range", id, min: token.low, max: token.high, value: Math.max(token.low, 0)});
  slider.step = (token.high - token.low) / 1000;
  const typed = document.createElement("input");
  Object.assign(typed, {type: "text", id: `${id}-typed`, value: slider.value, inputMode: "decimal"});
  typed.setAttribute("aria-label", `${token.role}, typed value`);
  slider.addEventListener("input", () => {
    typed.value = slider.value;
    send({tokens: {[token.id]: Number(slider.value)}});
  });
  typed.addEventListener("change", () => {
    if (typed.value.trim() === "") return;  // cleared, to be typed again
    const value = typedValue(typed.value);
    if (value === null) { showError(`${token.role}: "${typed.value}" is not a number`); return; }
    if (typeof value === "number") slider.value = value;
    send({tokens: {[token.id]: value}});
  });
  box.append(label, slider, typed);
  return box;
}

// Each token control shows the value the last frame flew with (a played
// scenario's, say), except while a person is setting it.
function showTokens(tokens) {
  for (const [id, value] of Object.entries(tokens)) {
    const slider = document.getElementById(`token-${id}`);
    const typed = document.getElementById(`token-${id}-typed`);
    if (!slider || [slider, typed].includes(document.activeElement)) continue;
    const text = String(value);
    if (typed.value !== text) {
      typed.value = text;
      if (typeof value === "number") slider.value = value;
    }
  }
}

function variableControl(variable) {
  if (variable.kind === "one-shot") {
    const button = document.createElement("button");
    Object.assign(button, {type: "button", id: `var-${variable.name}`, textContent: `Pulse ${variable.name}`});
    button.addEventListener("click", () => send({variable: [variable.name, 1]}));
    return button;
  }
  const label = document.createElement("label");
  const box = document.createElement("input");
  Object.assign(box, {type: "checkbox", id: `var-${variable.name}`});
  box.addEventListener("change", () => send({variable: [variable.name, box.checked ? 1 : 0]}));
  label.append(box, ` ${variable.name}`);
  return label;
}

function buildControls(setup) {
  const byId = new Map(setup.tokens.map((t) => [t.id, t]));
  const tokens = document.getElementById("tokens");
  for (const [name, ids] of GROUPS) {
    const set = document.createElement("fieldset");
    const legend = document.createElement("legend");
    legend.textContent = name;
    set.append(legend, ...ids.filter((id) => byId.has(id)).map((id) => tokenControl(byId.get(id))));
    tokens.append(set);
  }
  const variables = document.getElementById("variables");
  const row = document.createElement("div");
  row.className = "row";
  row.append(...setup.variables.map(variableControl));
  variables.append(row);
}

// ------------------------------------------------------------------ sound
async function buffer(file) {
  if (!live.buffers.has(file)) {
    live.buffers.set(file, fetch(`sound/${file}`).then((r) => r.arrayBuffer())
      .then((bytes) => live.audio.decodeAudioData(bytes)));
  }
  return live.buffers.get(file);
}

async function start(file, loop) {
  if (!live.audio) live.audio = new AudioContext();
  const source = live.audio.createBufferSource();
  source.buffer = await buffer(file);
  source.loop = loop;
  const gain = live.audio.createGain();
  gain.gain.value = live.muted ? 0 : 1;
  source.connect(gain).connect(live.audio.destination);
  source.start();
  return {source, gain};
}

function stopSound(sound) {
  if (sound) sound.then((s) => { try { s.source.stop(); } catch (e) { /* already ended */ } });
}

// The module's one-shot sounds and terminations of a frame, carried out as
// the sound library would; looping sounds follow what the server hears.
function playCalls(events) {
  for (const e of events) {
    if (!("sound" in e)) continue;
    const file = e.file ? e.file.split("\\").pop() : "";
    live.played.push({frame: live.frame, call: e.sound, file, key: e.key || "", loop: !!e.loop});
    if (e.sound === "play" && !e.loop) {
      const sound = start(file, false);
      live.oneShots.add(sound);
      sound.then((s) => { s.source.onended = () => live.oneShots.delete(sound); });
    } else if (e.sound === "terminate") {
      for (const sound of live.oneShots) stopSound(sound);
      live.oneShots.clear();
    }
  }
}

// Each looping sound now sounding, by key: started and stopped to match,
// also after a seek, when the frames between were not heard.
function syncLoops(sounding) {
  for (const [key, loop] of live.loops) {
    if (sounding[key] !== loop.file) {
      stopSound(loop.sound);
      live.loops.delete(key);
    }
  }
  for (const [key, file] of Object.entries(sounding)) {
    if (!live.loops.has(key)) live.loops.set(key, {file, sound: start(file, true)});
  }
}

function setMuted(muted) {
  live.muted = muted;
  for (const sound of [...[...live.loops.values()].map((l) => l.sound), ...live.oneShots]) {
    sound.then((s) => { s.gain.gain.value = muted ? 0 : 1; });
  }
}

// ------------------------------------------------------------------ frames
function onFrame(message) {
  const list = document.getElementById("timeline");
  if (message.restarted) {  // a new flight, or a seek: the timeline starts again
    live.timeline = [];
    list.replaceChildren();
  }
  live.frame = message.frame;
  live.tokens = message.tokens;
  showTokens(message.tokens);
  live.gauges = message.gauges;
  for (const e of message.events) if ("var" in e) live.lastWrites[e.var] = e.value;
  playCalls(message.events);
  syncLoops(message.sounding);
  for (const entry of message.timeline) {
    live.timeline.push(entry);
    const item = document.createElement("li");
    item.textContent = `${entry.t.toFixed(2)} s, frame ${entry.frame}: ${entry.sound} ${entry.what}` +
      (entry.cause ? ` (${entry.cause})` : "");
    list.prepend(item);
  }
  if (message.errors.length) showError(message.errors.join("; "));
  if (message.areas) showAreas(message.areas);
  showState(message.state);
}

// What the flight is doing, on the playback controls and in the status line.
function showState(state) {
  live.state = state;
  const played = state.played;
  const pause = document.getElementById("pause");
  pause.textContent = state.paused ? "Resume" : "Pause";
  pause.setAttribute("aria-pressed", String(state.paused));
  document.getElementById("speed").value = String(state.speed);
  document.getElementById("take-over").disabled = !(played && played.playing);
  const time = document.getElementById("time");
  time.disabled = !played;
  if (played) {
    time.max = played.frames - 1;
    document.getElementById("scenario").value = played.file;
  }
  if (!live.dragging) time.value = played ? Math.min(Math.max(live.frame, 0), played.frames - 1) : 0;
  showTime();
}

function showTime() {
  const played = live.state && live.state.played;
  const time = document.getElementById("time");
  const frame = live.dragging ? Number(time.value) : live.frame;
  document.getElementById("time-shown").textContent = !played ? "not playing" :
    `frame ${frame}, ${(frame / live.frameRate).toFixed(2)} s, of frames 0 to ${played.frames - 1}` +
    (played.playing ? "" : " (flown by hand)");
}

// The mouse areas over the picture, each with the cursor its record names:
// the first area in the host's order is on top, as the host tries it first.
// Each is also a button for the keyboard, held while Enter or Space is down.
function showAreas(areas) {
  live.areas = areas;
  const layer = document.getElementById("areas");
  const counted = {};  // areas of each gauge so far, to number them within it
  layer.replaceChildren(...areas.map((area, n) => {
    counted[area.gauge] = (counted[area.gauge] || 0) + 1;
    const at = live.layout.at[area.gauge];
    const button = document.createElement("button");
    button.type = "button";
    button.className = `area cursor-${area.cursor}`;
    const words = {up_arrow: "raise", down_arrow: "lower", hand: "switch"}[area.cursor] || "click";
    button.setAttribute("aria-label", `${area.gauge}: ${words} (area ${counted[area.gauge]})`);
    button.title = `${area.gauge}: ${words}`;
    Object.assign(button.style, {
      left: `${(100 * (at[0] + area.x)) / live.layout.width}%`,
      top: `${(100 * (at[1] + area.y)) / live.layout.height}%`,
      width: `${(100 * area.width) / live.layout.width}%`,
      height: `${(100 * area.height) / live.layout.height}%`,
      zIndex: String(areas.length - n),
    });
    button.addEventListener("keydown", (event) => {
      if ((event.key !== "Enter" && event.key !== " ") || event.repeat) return;
      event.preventDefault();
      send({click: {x: at[0] + area.x + Math.floor(area.width / 2), y: at[1] + area.y + Math.floor(area.height / 2),
        button: area.buttons.includes("left") ? "left" : "right", held_frames: 1000000}});
    });
    button.addEventListener("keyup", (event) => {
      if (event.key === "Enter" || event.key === " ") send({release: true});
    });
    return button;
  }));
}

function onPicture(bytes) {
  const panel = document.getElementById("panel");
  const old = panel.src;
  panel.src = URL.createObjectURL(new Blob([bytes], {type: "image/png"}));
  if (old.startsWith("blob:")) URL.revokeObjectURL(old);
  live.shown += 1;
  live.pictures = (live.pictures || 0) + 1;
  const now = performance.now();
  if (now - live.since >= 1000) {
    live.rate = (live.shown * 1000) / (now - live.since);
    live.shown = 0;
    live.since = now;
  }
  document.getElementById("status").textContent =
    `frame ${live.frame}, ${live.rate ? live.rate.toFixed(1) : "…"} frames a second`;
}

function connect() {
  const socket = new WebSocket(`ws://${location.host}/ws`);
  socket.binaryType = "arraybuffer";
  socket.onmessage = (event) => {
    if (typeof event.data !== "string") { onPicture(event.data); return; }
    const message = JSON.parse(event.data);
    if ("fatal" in message) {
      document.getElementById("status").textContent = message.fatal;
    } else if ("error" in message) {
      showError(message.error);
    } else if ("state" in message && !("frame" in message)) {
      if (message.areas) showAreas(message.areas);
      showState(message.state);
    } else if ("scenario" in message) {
      const link = document.createElement("a");
      link.href = URL.createObjectURL(new Blob([message.scenario], {type: "application/json"}));
      link.download = "live-session.json";
      live.saved = message.scenario;
      link.click();
    } else {
      onFrame(message);
    }
  };
  socket.onclose = () => { document.getElementById("status").textContent = "the server has gone"; };
  live.socket = socket;
}

// The point in panel pixels: the picture is shown scaled to the page, and
// is the panel's size whichever frame's picture is loading.
function panelPoint(event) {
  const panel = document.getElementById("panel");
  const box = panel.getBoundingClientRect();
  return {
    x: Math.floor(((event.clientX - box.left - panel.clientLeft) * live.layout.width) / panel.clientWidth),
    y: Math.floor(((event.clientY - box.top - panel.clientTop) * live.layout.height) / panel.clientHeight),
  };
}

function buildPlayback(setup) {
  const choice = document.getElementById("scenario");
  for (const s of setup.scenarios) choice.append(new Option(`${s.name} (${s.file})`, s.file));
  const on = (id, type, handler) => document.getElementById(id).addEventListener(type, handler);
  on("play", "click", () => send({play: choice.value}));
  on("by-hand", "click", () => send({play: null}));
  on("take-over", "click", () => send({take_over: true}));
  on("pause", "click", () => send({pause: !(live.state && live.state.paused)}));
  on("step", "click", () => send({step: true}));
  on("speed", "change", (event) => send({speed: Number(event.target.value)}));
  on("time", "input", () => { live.dragging = true; showTime(); });
  on("time", "change", (event) => { live.dragging = false; send({seek: Number(event.target.value)}); });
}

async function main() {
  const setup = await (await fetch("setup")).json();
  live.layout = setup.layout;
  live.frameRate = setup.frame_rate;
  buildControls(setup);
  buildPlayback(setup);
  const panel = document.getElementById("panel");
  const wrap = document.getElementById("panel-wrap");
  panel.width = setup.layout.width;  // the picture's size, before any picture has come
  panel.height = setup.layout.height;
  // A press is held until the button comes up: the module repeats it each
  // frame where the area repeats while held.
  wrap.addEventListener("mousedown", (event) => {
    if (event.button !== 0 && event.button !== 2) return;
    event.preventDefault();  // no text selection, and the focus stays where it was
    send({click: {...panelPoint(event), button: event.button === 2 ? "right" : "left", held_frames: 1000000}});
  });
  for (const up of ["mouseup", "mouseleave"]) wrap.addEventListener(up, () => send({release: true}));
  wrap.addEventListener("contextmenu", (event) => event.preventDefault());
  document.getElementById("reload").addEventListener("click", () => send({reload: true}));
  const component = {  // the host component's status bytes: byte 3400 at 2 inhibits the warnings
    allowed: {2848: 1, 2852: 1, 3400: 0}, inhibited: {2848: 1, 2852: 1, 3400: 2}, absent: null,
  };
  for (const id of ["library", "component"]) {
    document.getElementById(id).addEventListener("change", () => send({settings: {
      sound_library: document.getElementById("library").value,
      host_component: component[document.getElementById("component").value],
    }}));
  }
  document.getElementById("save").addEventListener("click", () => send({save: true}));
  document.getElementById("mute").addEventListener("change", (e) => setMuted(e.target.checked));
  connect();
}

main();

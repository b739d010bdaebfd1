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
  lastWrites: {},
  errors: [],  // every refusal shown, in order
  pointer: [],  // every press and release sent  // the module's latest write of each named variable
  timeline: [],
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
    const value = typedValue(typed.value);
    if (value === null) { showError(`${token.role}: "${typed.value}" is not a number`); return; }
    if (typeof value === "number") slider.value = value;
    send({tokens: {[token.id]: value}});
  });
  box.append(label, slider, typed);
  return box;
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

// The module's sound calls of one frame, carried out as the sound library would.
function playCalls(events) {
  for (const e of events) {
    if (!("sound" in e)) continue;
    const file = e.file ? e.file.split("\\").pop() : "";
    live.played.push({frame: live.frame, call: e.sound, file, key: e.key || "", loop: !!e.loop});
    if (e.sound === "play" && e.loop) {
      if (!live.loops.has(e.key)) live.loops.set(e.key, start(file, true));
    } else if (e.sound === "play") {
      const sound = start(file, false);
      live.oneShots.add(sound);
      sound.then((s) => { s.source.onended = () => live.oneShots.delete(sound); });
    } else if (e.sound === "stop") {
      stopSound(live.loops.get(e.key));
      live.loops.delete(e.key);
    } else if (e.sound === "terminate") {
      for (const sound of [...live.loops.values(), ...live.oneShots]) stopSound(sound);
      live.loops.clear();
      live.oneShots.clear();
    }
  }
}

function setMuted(muted) {
  live.muted = muted;
  for (const sound of [...live.loops.values(), ...live.oneShots]) {
    sound.then((s) => { s.gain.gain.value = muted ? 0 : 1; });
  }
}

// ------------------------------------------------------------------ frames
function onFrame(message) {
  live.frame = message.frame;
  live.tokens = message.tokens;
  live.gauges = message.gauges;
  for (const e of message.events) if ("var" in e) live.lastWrites[e.var] = e.value;
  playCalls(message.events);
  const list = document.getElementById("timeline");
  for (const entry of message.timeline) {
    live.timeline.push({frame: message.frame, ...entry});
    const item = document.createElement("li");
    item.textContent = `${message.t.toFixed(2)} s, frame ${message.frame}: ${entry.sound} ${entry.what}` +
      (entry.cause ? ` (${entry.cause})` : "");
    list.prepend(item);
  }
  if (message.errors.length) showError(message.errors.join("; "));
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
  return {
    x: Math.floor((event.offsetX * live.layout.width) / panel.clientWidth),
    y: Math.floor((event.offsetY * live.layout.height) / panel.clientHeight),
  };
}

async function main() {
  const setup = await (await fetch("setup")).json();
  live.layout = setup.layout;
  buildControls(setup);
  const panel = document.getElementById("panel");
  panel.width = setup.layout.width;  // the picture's size, before any picture has come
  panel.height = setup.layout.height;
  // A press is held until the button comes up: the module repeats it each
  // frame where the area repeats while held.
  panel.addEventListener("mousedown", (event) => {
    send({click: {...panelPoint(event), button: event.button === 2 ? "right" : "left", held_frames: 1000000}});
  });
  for (const up of ["mouseup", "mouseleave"]) panel.addEventListener(up, () => send({release: true}));
  panel.addEventListener("contextmenu", (event) => event.preventDefault());
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

"""Every sound the module plays, as a datasheet: its file, what it is (named
by what is heard), what plays it, once or looping, its class, and its words
or its sox recipe. The generator makes the files from it; the checks, the
bench's report and the manual name the sounds by it. Pure data: it needs
nothing beyond Python.
"""

def synth(seconds, *effects):
    """A sox synth effect of the given length."""
    return ["synth", f"{seconds}"] + [str(s) for s in effects]


def strike(seconds, decay_s, *effects):
    """One struck or knocked sound: a synth with an instant attack that dies away."""
    return synth(seconds, *effects) + ["fade", "q", "0.0005", f"{seconds}", f"{decay_s}"]


# Synthesis recipes: sox effects applied to silence (-n), then padded and repeated.
CLICK = strike(0.006, 0.005, "whitenoise") + ["highpass", "2500"]
KNOCK = strike(0.05, 0.045, "brownnoise") + ["lowpass", "500"]
CLACK = strike(0.02, 0.018, "pinknoise") + ["bandpass", "1800", "600h"]

# Every file the module plays: name as the module spells it; what it is, named
# by what is heard; what plays it; once or looping; its class (warning,
# callout, alert for tones, chimes and bells, mechanical, click); and its
# words (spoken, with their syllables) or its sox recipe (synthesised). A
# recipe is (effects, trailing pad in seconds, repeats).
SOUNDS = [
    # Radio-height callouts and minimums.
    dict(file="TQ4500", name="five hundred callout", plays="radio height through 500 ft, descending",
         loop=False, kind="callout", words="five hundred", syllables=3),
    dict(file="TQ4100", name="one hundred callout", plays="radio height through 100 ft, descending",
         loop=False, kind="callout", words="one hundred", syllables=3),
    dict(file="TQ450", name="fifty callout", plays="radio height through 50 ft, descending",
         loop=False, kind="callout", words="fifty", syllables=2),
    dict(file="TQ430", name="thirty callout", plays="radio height through 30 ft, descending",
         loop=False, kind="callout", words="thirty", syllables=2),
    dict(file="TQ410", name="ten callout", plays="radio height through 10 ft, descending",
         loop=False, kind="callout", words="ten", syllables=1),
    dict(file="TQ4MIN", name="minimums callout", plays="radio height reaches the decision height",
         loop=False, kind="callout", words="minimums", syllables=3),
    # Ground proximity warnings, repeated while their envelope holds.
    dict(file="TQ4GLIDE", name="glideslope warning", plays="below the glideslope on approach",
         loop=True, kind="warning", words="glideslope", heard="glide slope", syllables=2, gap_s=0.35),
    dict(file="TQ4SINKRT", name="sink rate warning", plays="sinking fast between 1000 and 3000 ft",
         loop=True, kind="warning", words="sink rate", syllables=2, gap_s=0.35),
    dict(file="TQ4WPULLUP", name="whoop whoop pull up warning", plays="sinking fast below 1000 ft",
         loop=True, kind="warning", words="whoop whoop, pull up", syllables=4, gap_s=0.3),
    dict(file="TQ4Terrain", name="terrain terrain warning", plays="fast and low, 300 to 500 ft",
         loop=True, kind="warning", words="terrain, terrain", syllables=4, gap_s=0.3),
    dict(file="TQ4TPULLUP", name="pull up warning", plays="fast and low below 300 ft",
         loop=True, kind="warning", words="pull up", syllables=2, gap_s=0.3),
    # Altitude alert.
    dict(file="TQ4400hz", name="altitude alert tone", plays="altitude alert: nearing or leaving the selected altitude",
         loop=True, kind="alert", what="a steady 400 Hz tone",
         recipe=(synth(0.5, "sine", 400) + ["vol", "0.35"], 0, 1)),
    dict(file="TQ4beep", name="altitude alert beep",
         plays="altitude alert: entering the window around the selected altitude", loop=False, kind="alert",
         what="a short 1 kHz beep",
         recipe=(synth(0.18, "sine", 1000) + ["vol", "0.5", "fade", "q", "0.005", "0.18", "0.02"], 0, 1)),
    # Flap and slat callouts.
    dict(file="TQ4FlapsUp", name="flaps up callout", plays="flaps reach up", loop=False, kind="callout",
         words="flaps up", syllables=2),
    dict(file="TQ4SlatsE", name="slats extended callout", plays="slats extend", loop=False, kind="callout",
         words="slats extended", syllables=4),
    dict(file="TQ4Flaps5", name="flaps five callout", plays="flaps reach 5", loop=False, kind="callout",
         words="flaps five", syllables=2),
    dict(file="TQ4Flaps15", name="flaps fifteen callout", plays="flaps reach 15", loop=False, kind="callout",
         words="flaps fifteen", syllables=3),
    dict(file="TQ4Flaps28", name="flaps twenty five callout", plays="flaps reach 25", loop=False,
         kind="callout", words="flaps twenty five", syllables=4),
    dict(file="TQ4Flaps35", name="flaps forty callout", plays="flaps reach 40", loop=False, kind="callout",
         words="flaps forty", syllables=3),
    dict(file="TQ4Flaps50", name="flaps fifty callout", plays="flaps reach 50", loop=False, kind="callout",
         words="flaps fifty", syllables=3),
    # Configuration: mechanical sounds of the gear, spoilers, brakes and trim.
    dict(file="TQ4GearUpLck", name="gear uplock thump", plays="both main gears up and locked", loop=False,
         kind="mechanical", what="a low thump of the uplock",
         recipe=(strike(0.12, 0.11, "brownnoise") + ["lowpass", "300", "norm", "-3"], 0.05, 1)),
    dict(file="TQ4GeardnLck", name="gear downlock thumps", plays="both main gears down and locked", loop=False,
         kind="mechanical", what="two low thumps of the downlocks",
         recipe=(strike(0.09, 0.085, "brownnoise") + ["lowpass", "400", "norm", "-3"], 0.08, 2)),
    dict(file="TQ4SpoilExt", name="spoiler whoosh", plays="spoilers reach full extension", loop=False,
         kind="mechanical", what="a hydraulic whoosh rising and falling",
         recipe=(synth(0.7, "pinknoise") + ["bandpass", "700", "2q", "fade", "t", "0.25", "0.7", "0.3",
                                            "norm", "-6"], 0, 1)),
    dict(file="Tq4SplExt", name="spoiler handle knock", plays="the second spoiler sound", loop=False,
         kind="mechanical", what="a dull knock of the handle",
         recipe=(KNOCK + ["norm", "-4"], 0.03, 1)),
    dict(file="TQ4Park", name="parking brake ratchet", plays="parking brake set", loop=False, kind="mechanical",
         what="a ratchet of four clacks", recipe=(CLACK + ["norm", "-4"], 0.04, 4)),
    dict(file="TQ4Parkrel", name="parking brake release knock", plays="parking brake released", loop=False,
         kind="mechanical", what="a single released knock",
         recipe=(KNOCK + ["highpass", "120", "norm", "-3"], 0.06, 1)),
    dict(file="TQ4TRIM", name="trim wheel clatter", plays="stabiliser trim moving, either way", loop=False,
         kind="mechanical", what="the trim wheel's clatter, six clacks",
         recipe=(CLACK + ["lowpass", "1200", "norm", "-6"], 0.055, 6)),
    # Test switches, held while the aircraft's test variable is 1.
    dict(file="TQ4STLL", name="stick shaker", plays="XMLStalltst held at 1: stall warning test", loop=True,
         kind="mechanical", what="the stick shaker's rattle, 16 knocks a second",
         recipe=(strike(0.03, 0.028, "brownnoise") + ["lowpass", "250", "norm", "-2"], 0.0325, 16)),
    dict(file="TQ4OVSPD", name="overspeed clacker", plays="XMLOvspd held at 1: overspeed warning test",
         loop=True, kind="alert", what="the clacker, 8 clacks a second",
         recipe=(strike(0.03, 0.028, "square", 1100) + ["bandpass", "1100", "1q", "norm", "-3"], 0.095, 8)),
    dict(file="TQ4FIRETST", name="fire bell", plays="XMLFirewarn held at 1: fire warning test", loop=True,
         kind="alert", what="a fire bell struck 8 times a second",
         recipe=(strike(0.125, 0.12, "sine", 760, "sine", 1900) + ["norm", "-3"], 0, 8)),
    # Sign chime, switches and knobs of the aircraft's XML gauges.
    dict(file="TQ4Signs", name="sign chime", plays="XMLSmoke or XMLBelts set to 1: a sign switched", loop=False,
         kind="alert", what="a two-tone chime dying away",
         recipe=(strike(1.4, 1.35, "sine", 1046.5, "sine", 2093) + ["vol", "0.6"], 0, 1)),
    dict(file="TQ4Bus", name="bus switch clunk", plays="XMLBus set to 1: an electrical bus switch", loop=False,
         kind="mechanical", what="a relay click and clunk",
         recipe=(CLICK + ["pad", "0", "0.015"] + strike(0.06, 0.055, "brownnoise") + ["norm", "-3"], 0.02, 1)),
    dict(file="TQ4Click1", name="switch click", plays="XMLClick1 set to 1: a cockpit switch", loop=False,
         kind="click", what="a sharp switch click", recipe=(CLICK + ["norm", "-3"], 0.02, 1)),
    dict(file="TQ4Click2", name="soft switch click", plays="XMLClick2 set to 1: a cockpit switch", loop=False,
         kind="click", what="a softer switch click", recipe=(CLICK + ["lowpass", "3000", "norm", "-3"], 0.02, 1)),
    dict(file="TQ4Click3", name="double switch click", plays="XMLClick3 set to 1: a cockpit switch", loop=False,
         kind="click", what="a double switch click", recipe=(CLICK + ["norm", "-4"], 0.035, 2)),
    dict(file="TQ4ClickR", name="rotary selector tick", plays="XMLRotar set to 1: a rotary selector", loop=False,
         kind="click", what="a tiny detent tick",
         recipe=(strike(0.003, 0.0025, "whitenoise") + ["highpass", "3500", "norm", "-5"], 0.02, 1)),
    dict(file="TQ4Rtr", name="rotary knob ticks", plays="XMLRotor set to 1: a rotary knob", loop=False,
         kind="click", what="three detent ticks of a turned knob",
         recipe=(strike(0.004, 0.0035, "whitenoise") + ["highpass", "3000", "norm", "-6"], 0.03, 3)),
]
SPOKEN = [s for s in SOUNDS if "words" in s]


def heard(sound):
    """The words of a spoken sound as a listener writes them down."""
    return sound.get("heard", sound["words"].replace(",", ""))


def table():
    """The sound table in Markdown: the sound, its file, what plays it, once or looping, how it is made."""
    rows = ["| sound | file | plays when | mode | made as |", "|---|---|---|---|---|"]
    for s in SOUNDS:
        made = f'spoken: "{s["words"]}"' if "words" in s else "synthesised: " + s["what"]
        rows.append(f'| {s["name"]} | {s["file"]}.wav | {s["plays"]} | {"looping" if s["loop"] else "once"} '
                    f'| {made} |')
    return "\n".join(rows)

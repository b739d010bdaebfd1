"""The module's sounds in plain words, and the inputs that decide each.

SOUNDS maps a sound file's name (as played, without its "sound\\MERTQ4\\"
folder) to its description and to the inputs that explain it when it starts:
token ids, whose values at that frame are shown, and the named variables of
the aircraft's XML gauges ("XML..."), whose write by the scenario is shown,
and gauges ("MERTQ4..."), whose click in that frame is shown. TOKENS gives
each token's name and unit.
"""

import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources", "sounds"))
from sound_table import SOUNDS as SOUND_SET  # noqa: E402

# token id -> (name in the report, unit or "" when the host's own)
TOKENS = {
    "41": ("glideslope deviation", ""),
    "61": ("airspeed", "kt"),
    "323": ("parking brake", ""),
    "327": ("spoilers", ""),
    "331": ("warning enable value", ""),
    "333": ("gear 2", ""),
    "334": ("gear 1", ""),
    "614": ("radio height", "m"),
    "74": ("altitude", "ft"),
    "783": ("trim", ""),
    "907": ("flaps", ""),
}

# The tokens behind the radio-height callouts and the descent warnings.
_DESCENT = ["614", "556"]
_FLAPS = ["907"]

# file name -> (what decides it, in a few words, or "", tokens that explain it).
# Each sound is named by what is heard, from the sound set's own table.
SOUNDS = {
    "TQ4500.wav": ("", _DESCENT),
    "TQ4100.wav": ("", _DESCENT),
    "TQ450.wav": ("", _DESCENT),
    "TQ430.wav": ("", _DESCENT),
    "TQ410.wav": ("", _DESCENT),
    "TQ4MIN.wav": ("radio height at the decision height", _DESCENT),
    "TQ4SINKRT.wav": ("", _DESCENT),
    "TQ4WPULLUP.wav": ("for the sink rate", _DESCENT),
    "TQ4GLIDE.wav": ("", ["614", "41", "331"]),
    "TQ4Terrain.wav": ("", ["614", "331", "61"]),
    "TQ4TPULLUP.wav": ("for terrain", ["614", "331", "61"]),
    "TQ4400hz.wav": ("400 Hz, XMLAltclk", ["XMLAltclk"]),
    "TQ4beep.wav": ("near the selected altitude", ["74"]),
    "TQ4GearUpLck.wav": ("gear up and locked", ["334", "333"]),
    "TQ4GeardnLck.wav": ("gear down and locked", ["334", "333"]),
    "TQ4SpoilExt.wav": ("spoilers extending", ["327"]),
    "Tq4SplExt.wav": ("spoilers extending", ["327"]),
    "TQ4Park.wav": ("parking brake set", ["323"]),
    "TQ4Parkrel.wav": ("parking brake released", ["323"]),
    "TQ4TRIM.wav": ("stabilizer trim in motion", ["783"]),
    "TQ4FlapsUp.wav": ("", _FLAPS),
    "TQ4SlatsE.wav": ("", _FLAPS),
    "TQ4Flaps5.wav": ("", _FLAPS),
    "TQ4Flaps15.wav": ("", _FLAPS),
    "TQ4Flaps28.wav": ("", _FLAPS),
    "TQ4Flaps35.wav": ("", _FLAPS),
    "TQ4Flaps50.wav": ("", _FLAPS),
    "TQ4STLL.wav": ("stall warning test, XMLStalltst", ["XMLStalltst"]),
    "TQ4OVSPD.wav": ("overspeed warning test, XMLOvspd", ["XMLOvspd"]),
    "TQ4FIRETST.wav": ("fire warning test, XMLFirewarn", ["XMLFirewarn"]),
    "TQ4Signs.wav": ("no-smoking or seat-belt sign, XMLSmoke, XMLBelts", ["XMLSmoke", "XMLBelts", "MERTQ4SGN"]),
    "TQ4Bus.wav": ("electrical bus switch, XMLBus", ["XMLBus"]),
    "TQ4Click1.wav": ("XMLClick1", ["XMLClick1"]),
    "TQ4Click2.wav": ("XMLClick2", ["XMLClick2"]),
    "TQ4Click3.wav": ("XMLClick3", ["XMLClick3"]),
    "TQ4ClickR.wav": ("XMLRotar", ["XMLRotar"]),
    "TQ4Rtr.wav": ("XMLRotor", ["XMLRotor"]),
}
NAMES = {s["file"] + ".wav": s["name"] for s in SOUND_SET}


def file_name(path):
    """The sound's file name without the folder the module plays it from."""
    return path.replace("/", "\\").rsplit("\\", 1)[-1]


def describe(path):
    """Plain words for a sound file: what is heard, and what decides it where
    that is not plain from the words; the file name itself for one not listed."""
    name = file_name(path)
    if name not in NAMES:
        return name
    context = SOUNDS.get(name, ("", []))[0]
    return f"{NAMES[name]} ({context})" if context else NAMES[name]


def causes(path):
    """The token ids, named variables and gauges that explain the sound."""
    entry = SOUNDS.get(file_name(path))
    return entry[1] if entry else []


def number(value):
    """A trace number: JSON numbers, and "nan", "inf", "-inf" for the others."""
    if isinstance(value, (int, float)):
        return float(value)
    if value in ("nan", "inf", "-inf"):
        return float(value)
    return None


def shown(value, digits=1):
    """A number as the report writes it."""
    v = number(value)
    if v is None:
        return "?"
    if not math.isfinite(v):
        return str(value)
    return f"{v:.{digits}f}"


def context(frame, tokens, inputs, clicks, writes):
    """The inputs behind a sound, e.g. "radio height 152.3 m, descending"."""
    words = []
    for token in inputs:
        if token.startswith("MERTQ4"):
            for click in clicks:
                if click["click"] == token:
                    words.append(f"{click.get('button', 'left')} click on {token} at "
                                 f"({click.get('x')}, {click.get('y')})")
            continue
        if token.startswith("XML"):
            # A write acts at its own frame or, for a one-shot request, the next.
            earlier = [w for w in writes.get(token, []) if 0 <= frame - w[0] <= 1]
            if earlier:
                _, t, value = earlier[-1]
                words.append(f"{token} set to {shown(value, 0)} at t = {t:.2f} s")
            continue
        if token not in tokens:
            continue
        value = tokens[token]
        if token == "556":
            v = number(value)
            trend = "descending" if v is not None and v < 0 else "climbing" if v is not None and v > 0 else "level"
            words.append(f"{trend} (vertical speed {shown(value)})")
        else:
            name, unit = TOKENS.get(token, (f"token {token}", ""))
            words.append(f"{name} {shown(value)}{' ' + unit if unit else ''}")
    return ", ".join(words)

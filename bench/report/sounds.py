"""The module's sounds in plain words, and the inputs that decide each.

SOUNDS maps a sound file's name (as played, without its "sound\\MERTQ4\\"
folder) to its description and to the inputs that explain it when it starts:
token ids, whose values at that frame are shown, and the named variables of
the aircraft's XML gauges ("XML..."), whose write by the scenario is shown,
and gauges ("MERTQ4..."), whose click in that frame is shown. TOKENS gives
each token's name and unit.
"""

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

# file name -> (description, tokens that explain it)
SOUNDS = {
    "TQ4500.wav": ("500 callout", _DESCENT),
    "TQ4100.wav": ("100 callout", _DESCENT),
    "TQ450.wav": ("50 callout", _DESCENT),
    "TQ430.wav": ("30 callout", _DESCENT),
    "TQ410.wav": ("10 callout", _DESCENT),
    "TQ4MIN.wav": ("minimums callout (radio height at the decision height)", _DESCENT),
    "TQ4SINKRT.wav": ("\u201csink rate\u201d warning", _DESCENT),
    "TQ4WPULLUP.wav": ("\u201cpull up\u201d warning for the sink rate", _DESCENT),
    "TQ4GLIDE.wav": ("\u201cglideslope\u201d warning", ["614", "41", "331"]),
    "TQ4Terrain.wav": ("\u201cterrain\u201d warning", ["614", "331", "61"]),
    "TQ4TPULLUP.wav": ("\u201cpull up\u201d warning for terrain", ["614", "331", "61"]),
    "TQ4400hz.wav": ("altitude-alert tone, 400 Hz (XMLAltclk)", ["XMLAltclk"]),
    "TQ4beep.wav": ("altitude-alert beep near the selected altitude", ["74"]),
    "TQ4GearUpLck.wav": ("gear up and locked", ["334", "333"]),
    "TQ4GeardnLck.wav": ("gear down and locked", ["334", "333"]),
    "TQ4SpoilExt.wav": ("spoilers extending", ["327"]),
    "Tq4SplExt.wav": ("spoilers extending, second sound", ["327"]),
    "TQ4Park.wav": ("parking brake set", ["323"]),
    "TQ4Parkrel.wav": ("parking brake released", ["323"]),
    "TQ4TRIM.wav": ("stabilizer trim in motion", ["783"]),
    "TQ4FlapsUp.wav": ("flaps up callout", _FLAPS),
    "TQ4SlatsE.wav": ("slats extended callout", _FLAPS),
    "TQ4Flaps5.wav": ("flaps 5 callout", _FLAPS),
    "TQ4Flaps15.wav": ("flaps 15 callout", _FLAPS),
    "TQ4Flaps28.wav": ("flaps 28 callout", _FLAPS),
    "TQ4Flaps35.wav": ("flaps 35 callout", _FLAPS),
    "TQ4Flaps50.wav": ("flaps 50 callout", _FLAPS),
    "TQ4STLL.wav": ("stall warning test (XMLStalltst)", ["XMLStalltst"]),
    "TQ4OVSPD.wav": ("overspeed warning test (XMLOvspd)", ["XMLOvspd"]),
    "TQ4FIRETST.wav": ("fire warning test (XMLFirewarn)", ["XMLFirewarn"]),
    "TQ4Signs.wav": ("no-smoking or seat-belt sign chime (XMLSmoke, XMLBelts)", ["XMLSmoke", "XMLBelts", "MERTQ4SGN"]),
    "TQ4Bus.wav": ("electrical bus switch (XMLBus)", ["XMLBus"]),
    "TQ4Click1.wav": ("switch click 1 (XMLClick1)", ["XMLClick1"]),
    "TQ4Click2.wav": ("switch click 2 (XMLClick2)", ["XMLClick2"]),
    "TQ4Click3.wav": ("switch click 3 (XMLClick3)", ["XMLClick3"]),
    "TQ4ClickR.wav": ("rotary switch click (XMLRotar)", ["XMLRotar"]),
    "TQ4Rtr.wav": ("rotary selector (XMLRotor)", ["XMLRotor"]),
}


def file_name(path):
    """The sound's file name without the folder the module plays it from."""
    return path.replace("/", "\\").rsplit("\\", 1)[-1]


def describe(path):
    """Plain words for a sound file; the file name itself for one not listed."""
    entry = SOUNDS.get(file_name(path))
    return entry[0] if entry else file_name(path)


def causes(path):
    """The token ids, named variables and gauges that explain the sound."""
    entry = SOUNDS.get(file_name(path))
    return entry[1] if entry else []

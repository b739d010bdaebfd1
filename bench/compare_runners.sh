#!/usr/bin/env bash
# Flies each scenario with the native runner and with each Windows runner
# under its Wine (the 32-bit build's under 32-bit Wine, the 64-bit build's
# under Debian's wine64), and compares their traces byte for byte: the proof
# that each shipped MERTQ4.gau does what the tested native code does. The
# 64-bit build's trace is held to the native one less the host component's
# lookups, which that build never makes (bench/windows_runners.py).
#
# usage: bench/compare_runners.sh [--native BUILD] [--windows BUILD] [--windows64 BUILD] SCENARIO.json...
#   BUILD folders default to build/native, build/windows and build/windows64;
#   a Windows build whose runner is not built is left out (at least one must
#   be built). Each Wine prefix is its build's own (BUILD/wineprefix).
# Exit status: 0 when every pair of traces is identical, 1 when one differs
# or a runner fails.
set -euo pipefail

native=build/native
declare -A windows=([windows]=build/windows [windows64]=build/windows64)
declare -A loader=([windows]=wine [windows64]=/usr/lib/wine/wine64)
scenarios=()
while [ $# -gt 0 ]; do
  case "$1" in
    --native) native=$2; shift 2 ;;
    --windows) windows[windows]=$2; shift 2 ;;
    --windows64) windows[windows64]=$2; shift 2 ;;
    -h|--help) sed -n '2,14p' "$0"; exit 0 ;;
    *) scenarios+=("$1"); shift ;;
  esac
done
if [ "${#scenarios[@]}" -eq 0 ]; then
  echo "usage: $0 [--native BUILD] [--windows BUILD] [--windows64 BUILD] SCENARIO.json..." >&2
  exit 2
fi

native_runner=$native/bench/mertq4-bench
[ -f "$native_runner" ] || { echo "compare: $native_runner is not built" >&2; exit 1; }
runners=()
for which in windows windows64; do
  if [ -f "${windows[$which]}/bin/mertq4-bench.exe" ]; then runners+=("$which"); fi
done
if [ "${#runners[@]}" -eq 0 ]; then
  echo "compare: neither ${windows[windows]} nor ${windows[windows64]} holds a built Windows runner" >&2
  exit 1
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=0
for scenario in "${scenarios[@]}"; do
  name=$(basename "$scenario" .json)
  if ! "$native_runner" "$scenario" --out "$work/$name-native" 2>"$work/$name-native.err"; then
    echo "FAIL $scenario: the native runner failed:"; cat "$work/$name-native.err"
    failed=1; continue
  fi
  native_trace=$work/$name-native/trace.jsonl
  for which in "${runners[@]}"; do
    build=${windows[$which]}
    if ! WINEPREFIX="$(cd "$build" && pwd)/wineprefix" "${loader[$which]}" "$build/bin/mertq4-bench.exe" \
         "$scenario" --out "$work/$name-$which" 2>"$work/$name-$which.err"; then
      echo "FAIL $scenario: the $which runner failed:"; cat "$work/$name-$which.err"
      failed=1; continue
    fi
    trace=$work/$name-$which/trace.jsonl
    # The 64-bit build's trace is the native one less the host component's
    # lookups, which it never makes.
    expected=$native_trace
    if [ "$which" = windows64 ]; then
      expected=$work/$name-expected64.jsonl
      python3 -c 'import sys; sys.path.insert(0, sys.argv[1]); import windows_runners as w
sys.stdout.buffer.write(w.expected_trace("windows64", open(sys.argv[2], "rb").read()))' \
        "$(dirname "$0")" "$native_trace" >"$expected"
    fi
    if cmp -s "$expected" "$trace"; then
      echo "same $scenario ($which): $(wc -l <"$trace") lines, $(wc -c <"$trace") bytes"
    else
      echo "DIFFERENT $scenario ($which): $(cmp "$expected" "$trace" 2>&1 || true)"
      diff <(tr ',' '\n' <"$expected") <(tr ',' '\n' <"$trace") | head -20 || true
      failed=1
    fi
  done
done
exit $failed

#!/usr/bin/env bash
# Flies each scenario with both runners, the native one and the Windows one
# under Wine, and compares their traces byte for byte: the proof that the
# shipped MERTQ4.gau does what the tested native code does.
#
# usage: bench/compare_runners.sh [--native BUILD] [--windows BUILD] SCENARIO.json...
#   BUILD folders default to build/native and build/windows; the Wine prefix
#   is the Windows build's own (BUILD/wineprefix).
# Exit status: 0 when every pair of traces is identical, 1 when one differs
# or a runner fails.
set -euo pipefail

native=build/native
windows=build/windows
scenarios=()
while [ $# -gt 0 ]; do
  case "$1" in
    --native) native=$2; shift 2 ;;
    --windows) windows=$2; shift 2 ;;
    -h|--help) sed -n '2,11p' "$0"; exit 0 ;;
    *) scenarios+=("$1"); shift ;;
  esac
done
if [ "${#scenarios[@]}" -eq 0 ]; then
  echo "usage: $0 [--native BUILD] [--windows BUILD] SCENARIO.json..." >&2
  exit 2
fi

native_runner=$native/bench/mertq4-bench
windows_runner=$windows/bin/mertq4-bench.exe
for runner in "$native_runner" "$windows_runner"; do
  [ -f "$runner" ] || { echo "compare: $runner is not built" >&2; exit 1; }
done
export WINEPREFIX=${WINEPREFIX:-$(cd "$windows" && pwd)/wineprefix}
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
  if ! wine "$windows_runner" "$scenario" --out "$work/$name-windows" 2>"$work/$name-windows.err"; then
    echo "FAIL $scenario: the Windows runner failed:"; cat "$work/$name-windows.err"
    failed=1; continue
  fi
  native_trace=$work/$name-native/trace.jsonl
  windows_trace=$work/$name-windows/trace.jsonl
  if cmp -s "$native_trace" "$windows_trace"; then
    echo "same $scenario: $(wc -l <"$native_trace") lines, $(wc -c <"$native_trace") bytes"
  else
    echo "DIFFERENT $scenario: $(cmp "$native_trace" "$windows_trace" 2>&1 || true)"
    diff <(tr ',' '\n' <"$native_trace") <(tr ',' '\n' <"$windows_trace") | head -20 || true
    failed=1
  fi
done
exit $failed

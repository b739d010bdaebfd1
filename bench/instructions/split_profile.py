#!/usr/bin/env python3
"""Splits a callgrind profile of the measured frames (written with
--compress-strings=no) into the module's own instructions, those of the C and
C++ runtime the module calls, and the host model's rest; counts the module's
heap allocations and its calls into the host model by kind; all per frame.

Inputs: the profile, the number of frames it covers, the module library's
file name, and optionally --budget N: exit 1 when module and runtime exceed N
instructions per frame. Output: a table on stdout whose last line is
"module and libc: N instructions per frame"."""
import argparse
import collections
import os
import sys

# Entry points of the C and C++ heap: a call to one of them from module code
# is one allocation.
HEAP_ALLOCATORS = {"malloc", "calloc", "realloc", "aligned_alloc", "posix_memalign", "strdup",
                   "operator new", "operator new[]"}


def read_profile(path, module_name):
    """Sums of one profile: summary, module self cost, runtime called from
    module code, allocation calls and host-model calls by callee name."""
    summary = None
    module_self = 0
    runtime_from_module = 0
    allocations = 0
    host_calls = collections.Counter()
    ob = cob = ""
    in_module = False
    pending_call = None  # (callee object, callee name, count) awaiting its cost line
    cfn = ""
    with open(path, encoding="utf-8", errors="replace") as lines:
        for line in lines:
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            key, sep, value = line.partition("=")
            if sep and key.isalpha():
                if key == "ob":
                    ob = value
                    in_module = os.path.basename(ob) == module_name
                elif key == "fn":
                    cob = ob
                elif key == "cob":
                    cob = value
                elif key == "cfn":
                    cfn = value
                elif key == "calls":
                    pending_call = (cob, cfn, int(value.split()[0]))
                    cob = ob
                continue
            if line.startswith("summary:"):
                summary = int(line.split()[1])
                continue
            if ":" in line.split()[0]:
                continue  # other header lines (positions:, events:, totals:, ...)
            fields = line.split()
            cost = int(fields[1]) if len(fields) > 1 else 0
            if pending_call is not None:
                callee_ob, callee, count = pending_call
                pending_call = None
                if not in_module:
                    continue
                if unqualified(callee) in HEAP_ALLOCATORS:
                    allocations += count
                if os.path.basename(callee_ob) == module_name:
                    continue  # the module's calls to itself are in its own costs
                if callee_ob.endswith(".so") or ".so." in callee_ob:
                    runtime_from_module += cost
                else:
                    host_calls[callee] += count
                continue
            if in_module:
                module_self += cost
    if summary is None:
        sys.exit(f"split_profile: {path} has no summary line")
    return summary, module_self, runtime_from_module, allocations, host_calls


def unqualified(function):
    """A function's name without its namespaces, template arguments and
    parameters: "play_sound" of "hostmodel::(anonymous namespace)::play_sound(char const*)"."""
    name = function.replace("(anonymous namespace)", "")
    name = name.split("(")[0] if not name.startswith("operator") else name.rsplit("(", 1)[0]
    depth, plain = 0, ""
    for c in name:
        depth += c == "<"
        if depth == 0:
            plain += c
        depth -= c == ">"
    return plain.rsplit("::", 1)[-1]


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("profile")
    parser.add_argument("frames", type=int)
    parser.add_argument("--module", default="libmertq4_module.so")
    parser.add_argument("--budget", type=int, help="most module and libc instructions per frame")
    args = parser.parse_args()
    if args.frames <= 0:
        sys.exit("split_profile: frames must be a positive count")

    summary, module_self, runtime, allocations, host_calls = read_profile(args.profile, args.module)
    per_frame = lambda n: n / args.frames
    host_model = summary - module_self - runtime
    print(f"{args.frames} frames of the approach, all sixteen gauges placed; per frame:")
    print(f"  {per_frame(summary):>10.0f}  instructions in all")
    print(f"  {per_frame(module_self):>10.0f}  module code")
    print(f"  {per_frame(runtime):>10.0f}  libc and libm called by the module")
    print(f"  {per_frame(host_model):>10.0f}  host model")
    print(f"  {per_frame(allocations):>10.2f}  heap allocations by module code")
    print(f"  {per_frame(sum(host_calls.values())):>10.2f}  host calls, by kind:")
    by_kind = collections.Counter()
    for callee, count in host_calls.items():
        by_kind[unqualified(callee)] += count
    for kind, count in sorted(by_kind.items(), key=lambda item: (-item[1], item[0])):
        print(f"  {per_frame(count):>14.2f}  {kind}")
    module_and_libc = round(per_frame(module_self + runtime))
    print(f"module and libc: {module_and_libc} instructions per frame")
    if args.budget is not None and module_and_libc > args.budget:
        print(f"over the budget of {args.budget} instructions per frame", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""What the game costs against minimal programs doing the same visible work, in CPU time of the
whole process (every thread), quoted as ratios of medians over ROUNDS runs taken in turns:

  start-up   the game to its first frame of the main menu (windowed) and to the end of a
             one-step run (headless), against a program that makes the same context and
             presents one textured full-screen frame;
  level      one level frame (first play with the tutorial, and later plays) at scale 1 and 2,
             against the same quads drawn with raw GL (bench_game_level);
  idle       the menu idling in a window at scale 1 and 2, against a bare window drawing the
             menu's quads at the same rate;
  memory     peak RSS of a 900-step level run against the floor drawing 900 frames;
  and the heap allocations of a steady level frame.

  bench/cost_ratios.py BUILD_DIR [ROUNDS]     (windowed parts need a display: run under xvfb-run)
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/default")
rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 7
game = f"{build}/flingo"
bare = f"{build}/bench/shell/shell_bare_present"
idle_floor = f"{build}/bench/shell/shell_idle_floor"
probe = f"{build}/bench/shell/libshell_present_probe.so"
level_bench = f"{build}/bench/game/bench_game_level"
work = tempfile.mkdtemp(prefix="flingo-cost-")
env = dict(os.environ, SDL_AUDIODRIVER="dummy", MESA_SHADER_CACHE_DIR=f"{work}/shader-cache")
windowed = bool(os.environ.get("DISPLAY"))


def run(argv, stdin_text=None, probe_file=None):
    """Runs a program; returns (CPU seconds of the whole process, peak RSS in MB, presents)."""
    e = dict(env)
    if probe_file:
        if os.path.exists(probe_file):
            os.unlink(probe_file)
        e.update(LD_PRELOAD=probe, PRESENT_PROBE_FILE=probe_file)
    p = subprocess.Popen(argv, env=e, stdin=subprocess.PIPE if stdin_text else subprocess.DEVNULL,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if stdin_text:
        p.stdin.write(stdin_text.encode())
        p.stdin.close()
    _, status, usage = os.wait4(p.pid, 0)
    p.returncode = os.waitstatus_to_exitcode(status)
    if p.returncode != 0:
        sys.exit(f"{argv[0]} failed ({p.returncode})")
    presents = []
    if probe_file and os.path.exists(probe_file):
        with open(probe_file) as f:
            presents = [int(line.split()[1]) / 1e9 for line in f if line.strip()]
    return usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024, presents


def game_args(data, *extra):
    return [game, "--no-ads", "--seed", "7", "--data-dir", f"{work}/{data}", *extra]


def menu_step(*mode):
    """The step of the main menu's first frame: the game's first "render" (the start-up screen
    before it is the shell's)."""
    trace = f"{work}/trace.jsonl"
    run(game_args("calib", *mode, "--frames", "400", "--trace", trace))
    with open(trace) as f:
        for line in f:
            if json.loads(line).get("event") == "render":
                return json.loads(line)["frame"]
    sys.exit("the menu never came")


def median_ratio(name, pairs, unit="s", target=None):
    g = statistics.median(p[0] for p in pairs)
    f = statistics.median(p[1] for p in pairs)
    verdict = "" if target is None else ("  ok" if g / f <= target else f"  over {target}")
    print(f"{name:44s} game {g:9.4f} {unit}  floor {f:9.4f} {unit}  ratio {g / f:5.2f}{verdict}")


results = {}

# Start-up.
pairs_exit, pairs_menu_headless, pairs_menu = [], [], []
step = menu_step("--scale", "1") if windowed else None
headless_step = menu_step("--headless")
for i in range(rounds):
    floor_cpu, _, floor_presents = run([bare, "--headless"], probe_file=f"{work}/p")
    cpu, _, _ = run(game_args(f"s{i}", "--headless", "--frames", "1"))
    pairs_exit.append((cpu, floor_cpu))
    _, _, presents = run(game_args(f"h{i}", "--headless", "--frames", str(headless_step)),
                         probe_file=f"{work}/p")
    pairs_menu_headless.append((presents[-1], floor_presents[0]))
    if windowed:
        _, _, wfloor = run([bare], probe_file=f"{work}/p")
        _, _, presents = run(game_args(f"w{i}", "--scale", "1", "--frames", str(step)),
                             probe_file=f"{work}/p")
        pairs_menu.append((presents[-1], wfloor[0]))
if windowed:
    median_ratio("start-up to the menu's first frame (window)", pairs_menu, target=1.5)
median_ratio(f"start-up to the menu's first frame (headless, step {headless_step})",
             pairs_menu_headless)
median_ratio("start-up whole run --frames 1 (headless)", pairs_exit, target=1.5)

# Level frames.
allocs, screens = {}, {}
for scale in (1, 2):
    ratios = {"BM_FirstPlayOverFloor": [], "BM_LevelOverFloor": []}
    for i in range(rounds):
        wanted = "OverFloor|FrameAtRest|FrameInFlight" if scale == 1 and i < 3 else "OverFloor"
        out = subprocess.run(
            [level_bench, f"--benchmark_filter={wanted}", "--benchmark_format=json"],
            env=dict(env, FLINGO_BENCH_SCALE=str(scale), FLINGO_RESOURCE_DIR=""),
            capture_output=True, text=True, check=True).stdout
        for b in json.loads(out)["benchmarks"]:
            name = b["name"].split("/")[0]
            if name in ratios:
                ratios[name].append((b["level_process_cpu_us"], b["floor_process_cpu_us"]))
                screens[(name, scale)] = b["flat_screens"]
            elif "allocs_per_frame" in b:
                allocs.setdefault(name, []).append(b["allocs_per_frame"])
    median_ratio(f"level frame, first play, scale {scale}", ratios["BM_FirstPlayOverFloor"],
                 "us", 1.05)
    median_ratio(f"level frame, later plays, scale {scale}", ratios["BM_LevelOverFloor"], "us",
                 1.05)
for (name, scale), n in sorted(screens.items()):
    print(f"{'screens of pixels blended by flat quads, ' + name:44s} {n:.2f} (scale {scale})")
for name, values in allocs.items():
    print(f"{'allocations per steady frame, ' + name:44s} {statistics.median(values):g}")

# Menu idle in a window.
if windowed:
    seconds = 4
    for scale in (1, 2):
        pairs = []
        for i in range(rounds):
            short, _, _ = run(game_args(f"i{i}a{scale}", "--scale", str(scale), "--frames", "130"))
            long, _, _ = run(game_args(f"i{i}b{scale}", "--scale", str(scale), "--frames",
                                       str(130 + 50 * seconds)))
            floor, _, _ = run([idle_floor, str(50 * seconds), str(scale)])
            pairs.append(((long - short) / seconds, floor / seconds))
        median_ratio(f"menu idle, window, scale {scale} (CPU s/s)", pairs, target=1.1)
else:
    print("menu idle and windowed start-up: skipped (no display; run under xvfb-run)")

# Memory of a level run.
script = "130 down 230 164\n131 up 230 164\n170 down 160 448\n171 move 200 380\n171 up 200 380\n"
with open(f"{work}/level.txt", "w") as f:
    f.write(script)
pairs = []
for i in range(rounds):
    _, floor_rss, _ = run([bare, "--headless", "--frames", "900"])
    _, rss, _ = run(game_args(f"m{i}", "--headless", "--frames", "900", "--script",
                              f"{work}/level.txt"))
    pairs.append((rss, floor_rss))
median_ratio("peak RSS, 900-step level run", pairs, "MB", 1.1)

subprocess.run(["rm", "-rf", work])

#!/usr/bin/env python3
"""Prints the bench's tables from the damage_watch results in one directory
and exits non-zero when the ornament misses one of its goals.

  bench_report.py RESULTS_DIR

RESULTS_DIR holds <who>.<round>.txt files of key=value lines, where <who> is
program or xlib_floor; optionally wine.1.txt, soak.1.txt and facts.txt
(exe_bytes=..., program_note=..., about_first_ms=..., about_rss_kib_100=..., ...).
Its subfolder other-window/ holds the same runs made with another window
active, which are held to the same goals.
"""
import glob
import os
import statistics
import sys

COLUMNS = [("program", "program"), ("xlib_floor", "Xlib floor")]

# (key, label, digits)
ROWS = [
    ("startup_ms", "start-up to first frame (ms)", 1),
    ("cpu_ms_per_min", "CPU (ms per minute)", 1),
    ("ctx_per_s", "context switches per second", 1),
    ("pss_kib", "Pss (KiB, shared pages shared out)", 0),
    ("rss_kib", "VmRSS (KiB)", 0),
    ("hwm_kib", "VmHWM (KiB)", 0),
    ("rss_anon_kib", "  of VmRSS: RssAnon (KiB)", 0),
    ("rss_file_kib", "  of VmRSS: RssFile (KiB)", 0),
    ("threads", "threads", 0),
    ("anon_growth_kib_per_min", "RssAnon growth (KiB/min, end-start)", 1),
    ("anon_slope_kib_per_min", "RssAnon growth (KiB/min, fitted)", 1),
    ("xserver_cpu_ms_per_min", "Xvfb CPU during run (ms/min)", 1),
    ("wm_cpu_ms_per_min", "openbox CPU during run (ms/min)", 1),
    ("period_mean_ms", "step period mean (ms)", 4),
    ("period_mean_error_ms", "|mean - 100 ms| (ms)", 4),
    ("period_p99_error_ms", "p99 |period - 100 ms| (ms)", 3),
    ("period_max_error_ms", "max |period - 100 ms| (ms)", 3),
    ("late_steps", "periods >= 150 ms", 0),
    ("steps", "steps seen", 0),
    ("steps_expected", "steps expected", 1),
    ("bursts_per_step", "repaint bursts per step", 3),
    ("idle_bursts", "repaint bursts between steps", 0),
    ("pixels_per_step_mean", "pixels per step, mean", 1),
    ("pixels_per_step_max", "pixels per step, max", 0),
    ("inside_width", "window inside width (px)", 0),
    ("inside_height", "window inside height (px)", 0),
]

LAMP_PIXELS = 17 * 17


def read_results(path):
    values = {}
    with open(path) as f:
        for line in f:
            key, sep, value = line.strip().partition("=")
            if sep:
                try:
                    values[key] = float(value)
                except ValueError:
                    values[key] = value
    return values


def load(directory, who):
    runs = []
    for path in sorted(glob.glob(os.path.join(directory, f"{who}.*.txt"))):
        run = read_results(path)
        run["round"] = path.rsplit(".", 2)[-2]
        if "window_s" in run:  # a run that failed left no figures
            runs.append(run)
    return runs


def load_startups(directory, who):
    """Start-up times (ms) of the extra starts, startup-<who>.<round>.<n>.txt."""
    times = []
    for path in sorted(glob.glob(os.path.join(directory, f"startup-{who}.*.txt"))):
        value = read_results(path).get("startup_ms")
        if isinstance(value, float):
            times.append(value)
    return times


def series(runs, key):
    return [r[key] for r in runs if isinstance(r.get(key), float)]


def median(runs, key):
    s = series(runs, key)
    return statistics.median(s) if s else None


def cell(runs, key, digits):
    s = series(runs, key)
    if not s:
        return "-"
    f = f"{{:.{digits}f}}"
    if len(s) == 1:
        return f.format(s[0])
    return f"{f.format(statistics.median(s))} [{f.format(min(s))}-{f.format(max(s))}]"


def table(header, rows):
    widths = [max(len(str(r[i])) for r in [header] + rows) for i in range(len(header))]
    line = lambda r: "  ".join(str(c).ljust(w) if i == 0 else str(c).rjust(w)
                               for i, (c, w) in enumerate(zip(r, widths)))
    print(line(header))
    print("  ".join("-" * w for w in widths))
    for r in rows:
        print(line(r))


def ratio(a, b):
    if a is None or b is None or b == 0:
        return None
    return a / b


def fmt_ratio(r):
    return "-" if r is None else f"{r:.2f}x"


def pooled_periods(directory, who):
    """Step periods (ms) of all rounds together, from the <who>.<round>.bursts
    files: a p99 over all rounds rests on more periods than any one round's."""
    periods = []
    for path in sorted(glob.glob(os.path.join(directory, f"{who}.*.bursts"))):
        steps = []
        with open(path) as f:
            for line in f:
                start, _end, _rects, _pixels, changed = line.split()
                if changed != "1":
                    continue
                start = float(start)
                if steps and start - steps[-1] < 50:
                    continue  # the same step drawn in more than one burst
                steps.append(start)
        periods += [b - a for a, b in zip(steps, steps[1:])]
    return periods


def period_figures(periods):
    if not periods:
        return None
    errors = sorted(abs(p - 100) for p in periods)
    p99 = errors[max(0, -(-99 * len(errors) // 100) - 1)]
    return {"mean_error": abs(statistics.fmean(periods) - 100), "p99": p99, "count": len(periods)}


def paired(mine, theirs, key):
    """Per-round ratios; rounds are matched by their number."""
    by_round = {r.get("round"): r for r in theirs}
    ratios = []
    for r in mine:
        other = by_round.get(r.get("round"))
        if other and isinstance(r.get(key), float) and other.get(key):
            ratios.append(r[key] / other[key])
    if not ratios:
        return "-"
    return f"{statistics.median(ratios):.2f}x [{min(ratios):.2f}-{max(ratios):.2f}]"


def judge_rounds(directory, facts, heading):
    """Prints the tables of one set of rounds (program and Xlib floor runs in
    one folder) and returns its goals: (name, passed or None when not
    measured, detail)."""
    runs = {who: load(directory, who) for who, _ in COLUMNS}
    goals = []
    if not any(runs.values()):
        return goals
    print(f"\n== {heading}")
    counts = ", ".join(f"{label}: {len(runs[who])}" for who, label in COLUMNS)
    print(f"\nMedian [min-max] over rounds ({counts}); damage seen on the X server, "
          f"CPU from /proc schedstat.\n")
    table(["metric"] + [label for _, label in COLUMNS],
          [[label] + [cell(runs[who], key, d) for who, _ in COLUMNS] for key, label, d in ROWS])
    pooled = {who: period_figures(pooled_periods(directory, who)) for who, _ in COLUMNS}
    if any(pooled.values()):
        print("\nStep periods of all rounds pooled:\n")
        rows = []
        for key, label, digits in [("count", "periods", 0), ("mean_error", "|mean - 100 ms| (ms)", 4),
                                   ("p99", "p99 |period - 100 ms| (ms)", 3)]:
            rows.append([label] + ["-" if pooled[who] is None else f"{pooled[who][key]:.{digits}f}"
                                   for who, _ in COLUMNS])
        table(["metric"] + [label for _, label in COLUMNS], rows)
    startups = {who: load_startups(directory, who) for who, _ in COLUMNS}
    if any(startups.values()):
        print("\nStart-up to first frame over all starts (the runs' own and the extra ones):\n")
        rows = []
        for who, _ in COLUMNS:
            startups[who] += series(runs[who], "startup_ms")
        rows.append(["starts"] + [str(len(startups[who])) for who, _ in COLUMNS])
        rows.append(["median [min-max] (ms)"] + [
            "-" if not startups[who] else
            f"{statistics.median(startups[who]):.1f} [{min(startups[who]):.1f}-{max(startups[who]):.1f}]"
            for who, _ in COLUMNS])
        table(["metric"] + [label for _, label in COLUMNS], rows)
    if facts.get("load_before") or facts.get("load_after"):
        print(f"\nMachine load average (1, 5, 15 min) before: {facts.get('load_before', '-')}, "
              f"after: {facts.get('load_after', '-')}. Other work on the machine shows in CPU and timing.")
    if facts.get("program_note"):
        print(f"\nNote: {facts['program_note']}")

    print("\nRatios of medians\n")
    p, x = runs["program"], runs["xlib_floor"]
    ratio_rows = []
    for key, label in [("cpu_ms_per_min", "CPU per minute"), ("ctx_per_s", "context switches/s"),
                       ("pss_kib", "Pss"), ("rss_kib", "VmRSS"),
                       ("startup_ms", "start-up to first frame"),
                       ("xserver_cpu_ms_per_min", "Xvfb CPU"), ("wm_cpu_ms_per_min", "openbox CPU"),
                       ("period_p99_error_ms", "p99 period error")]:
        ratio_rows.append([label, fmt_ratio(ratio(median(p, key), median(x, key)))])
    table(["metric", "program/Xlib floor"], ratio_rows)
    print("\nPaired ratios (each round's program run against the same round's reference runs,")
    print("which ran next to it in time): median [min-max]\n")
    paired_rows = []
    for key, label in [("cpu_ms_per_min", "CPU per minute"), ("ctx_per_s", "context switches/s"),
                       ("pss_kib", "Pss"), ("rss_kib", "VmRSS"),
                       ("startup_ms", "start-up to first frame"), ("xserver_cpu_ms_per_min", "Xvfb CPU")]:
        paired_rows.append([label, paired(p, x, key)])
    table(["metric", "program/Xlib floor"], paired_rows)

    def against(name, key, factor, of="xlib_floor"):
        a, b = median(p, key), median(runs[of], key)
        if a is None or b is None:
            goals.append((name, None, "not measured"))
            return
        goals.append((name, a <= factor * b, f"{a:.2f} vs limit {factor * b:.2f} ({fmt_ratio(ratio(a, b))})"))

    # The floor does the same three duties with nothing but Xlib: what the
    # job itself costs. The program aims at 1.1 x; these are the limits.
    against("CPU per minute <= 1.5 x Xlib floor", "cpu_ms_per_min", 1.5)
    against("context switches/s <= 1.3 x Xlib floor", "ctx_per_s", 1.3)
    # Memory is judged by Pss: VmRSS counts each shared library page the
    # process touches as wholly its own, and so rewards a private copy of a
    # library every other program shares.
    against("Pss <= 2 x Xlib floor (About window never opened)", "pss_kib", 2.0)
    growth = median(p, "anon_growth_kib_per_min")
    goals.append(("RssAnon growth <= 32 KiB/min", None if growth is None else growth <= 32,
                  "not measured" if growth is None else f"{growth:.1f} KiB/min (median of rounds)"))
    mine, theirs = startups["program"], startups["xlib_floor"]
    if mine and theirs:
        a, b = statistics.median(mine), statistics.median(theirs)
        goals.append(("start-up to first frame <= 2 x Xlib floor (median of all starts)",
                      a <= 2 * b, f"{a:.2f} vs limit {2 * b:.2f} ({fmt_ratio(ratio(a, b))}; "
                      f"{len(mine)} and {len(theirs)} starts)"))
    else:
        against("start-up to first frame <= 2 x Xlib floor", "startup_ms", 2.0)
    errors = series(p, "period_mean_error_ms")
    goals.append(("|mean step period - 100 ms| <= 0.05 ms", (max(errors) <= 0.05) if errors else None,
                  f"worst round {max(errors):.4f} ms" if errors else "not measured"))
    mine, floor = pooled["program"], pooled["xlib_floor"]
    if mine and floor:
        goals.append(("p99 |period - 100 ms| <= Xlib floor's p99 + 1 ms (all rounds pooled)",
                      mine["p99"] <= floor["p99"] + 1,
                      f"{mine['p99']:.3f} ms vs limit {floor['p99'] + 1:.3f} ms "
                      f"({mine['count']} and {floor['count']} periods)"))
    else:
        a, b = median(p, "period_p99_error_ms"), median(x, "period_p99_error_ms")
        goals.append(("p99 |period - 100 ms| <= Xlib floor's p99 + 1 ms",
                      None if a is None or b is None else a <= b + 1,
                      "not measured" if a is None or b is None else f"{a:.3f} ms vs limit {b + 1:.3f} ms"))
    bursts, idle = series(p, "bursts_per_step"), series(p, "idle_bursts")
    goals.append(("exactly one repaint burst per step", (max(bursts) <= 1.0 and min(bursts) >= 1.0) if bursts else None,
                  f"{min(bursts):.3f}-{max(bursts):.3f} bursts per step" if bursts else "not measured"))
    goals.append(("no repaint burst between steps", (max(idle) == 0) if idle else None,
                  f"worst round {max(idle):.0f}" if idle else "not measured"))
    pixels = series(p, "pixels_per_step_max")
    limit = 1.02 * 2 * LAMP_PIXELS
    goals.append((f"pixels per step <= 1.02 x 2 x 17 x 17 = {limit:.1f}",
                  (max(pixels) <= limit) if pixels else None,
                  f"largest step {max(pixels):.0f} px" if pixels else "not measured"))
    return goals


def about_goals(facts, goals):
    """The About window's cost: GTK loaded only at its first opening, the
    opening times, the lamps meanwhile, and the memory it keeps."""
    def fact(key):
        value = facts.get(key)
        return None if value is None else float(value)

    def goal(name, value, passed, detail):
        goals.append((name, None if value is None else passed, "not measured" if value is None else detail))

    mapped = fact("about_gtk_mapped_before")
    goal("no GTK library mapped before the About window first opens", mapped, mapped == 0,
         "none" if mapped == 0 else "GTK was mapped")
    first = fact("about_first_ms")
    goal("first About opening <= 150 ms (second press to mapped)", first, first is not None and first <= 150,
         f"{first} ms")
    later = fact("about_later_max_ms")
    goal("later About openings <= 50 ms (the slowest of 99)", later, later is not None and later <= 50,
         f"mean {facts.get('about_later_mean_ms')} ms, slowest {later} ms")
    lost, late = fact("about_first_lost_steps"), fact("about_first_late_steps")
    goal("no lamp step lost and at most one late during the first opening", lost,
         lost == 0 and late is not None and late <= 1,
         f"{lost:.0f} lost, {late:.0f} late (>= 120 ms), longest period "
         f"{facts.get('about_first_longest_step_ms')} ms" if lost is not None and late is not None else "")
    opened, tenth, last = fact("about_rss_kib_1"), fact("about_rss_kib_10"), fact("about_rss_kib_100")
    goal("VmRSS after the About window has been open <= 32 MB", opened, opened is not None and opened <= 32 * 1024,
         f"{opened:.0f} KiB, Pss {facts.get('about_pss_kib_1')} KiB (before the first opening "
         f"{facts.get('about_rss_kib_before')} KiB, Pss {facts.get('about_pss_kib_before')} KiB)"
         if opened is not None else "")
    goal("VmRSS flat over 100 About openings (10th to 100th <= 0.5 MB)", last,
         last is not None and tenth is not None and last - tenth <= 512,
         f"{tenth:.0f} KiB after 10, {last:.0f} KiB after 100 (Pss {facts.get('about_pss_kib_10')} "
         f"and {facts.get('about_pss_kib_100')} KiB)" if last is not None and tenth is not None else "")


def main():
    directory = sys.argv[1]
    facts = {}
    if os.path.exists(os.path.join(directory, "facts.txt")):
        facts = read_results(os.path.join(directory, "facts.txt"))
    goals = judge_rounds(directory, facts, "With its own window active")
    other = os.path.join(directory, "other-window")
    other_goals = judge_rounds(other, {}, "With another window active (made active through the window manager)")
    goals += [(f"other window active: {name}", passed, detail) for name, passed, detail in other_goals]
    if other_goals:
        ends = [run.get("other_window_active_at_end") for who, _ in COLUMNS for run in load(other, who)]
        goals.append(("other window active: it stayed active to the end of every run",
                      all(end == 1.0 for end in ends),
                      f"{sum(end == 1.0 for end in ends)} of {len(ends)} runs"))

    soak = load(directory, "soak")
    if soak:
        s = soak[0]
        print(f"\nSoak: the program alone for {s.get('window_s', 0):.0f} s\n")
        table(["metric", "program"], [[label, cell(soak, key, d)] for key, label, d in ROWS])
        for key, label in [("anon_growth_kib_per_min", "end-start"), ("anon_slope_kib_per_min", "fitted")]:
            v = s.get(key)
            goals.append((f"soak: RssAnon growth ({label}) <= 32 KiB/min", None if v is None else v <= 32,
                          "not measured" if v is None else f"{v:.2f} KiB/min"))

    about_goals(facts, goals)
    if "exe_bytes" in facts:
        kib = facts["exe_bytes"] / 1024
        goals.append(("Windows program size <= 512 KiB", kib <= 512, f"{kib:.1f} KiB"))
    wine = load(directory, "wine")
    if wine:
        print("\nWindows program under Wine on the same virtual display. Wine is not Windows:")
        print("these figures show how the program behaves on Wine's timers and drawing, not on Windows.\n")
        keys = ["startup_ms", "period_mean_ms", "period_mean_error_ms", "period_p99_error_ms",
                "period_max_error_ms", "late_steps", "steps", "steps_expected", "bursts_per_step",
                "idle_bursts", "pixels_per_step_mean", "pixels_per_step_max"]
        table(["metric", "Windows program on Wine"], [[label, cell(wine, key, d)] for key, label, d in ROWS if key in keys])
    elif facts.get("wine_note"):
        print(f"\nWine: {facts['wine_note']}")

    print("\nGoals\n")
    failed = False
    for name, passed, detail in goals:
        verdict = "PASS" if passed else ("FAIL" if passed is False else "NOT MEASURED")
        failed |= passed is not True
        print(f"{verdict:13} {name}: {detail}")
    return 1 if failed or not goals else 0


if __name__ == "__main__":
    sys.exit(main())

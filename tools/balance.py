#!/usr/bin/env python3
"""Course balance, measured with the headless race (run by hand, never by CI).

  tools/balance.py check N KEYS [--career SAV] [--easy]   a proof run over seeds 1-5 and
                                                          with its keys moved up to 3 frames
  tools/balance.py table                                  README's balance table, all courses
  tools/balance.py pickups N                              where on course N the rivals leave
                                                          a pickup lying (seeds 1-8)
  tools/balance.py place-pickups N                        lays course N's eleven pickups round
                                                          the course where the rivals leave them
  tools/balance.py career [OUT]                           plays a Normal career course by
                                                          course: a fast run searched for the
                                                          car as it stands, the shop between;
                                                          writes the session and the proofs

GAME=path picks another build of the game (default build/game/gravel-ghosts).
"""
import json
import os
import random
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
GAME = os.environ.get("GAME", os.path.join(ROOT, "build", "game", "gravel-ghosts"))
RUNS = os.path.join(ROOT, "data", "runs")


def race(course, seed, keys=None, career=None, easy=False, autopilot=False):
    args = [GAME, "--headless", "--course", str(course), "--seed", str(seed),
            "--difficulty", "easy" if easy else "normal"]
    if keys:
        args += ["--input", keys]
    if career:
        args += ["--career", career]
    if autopilot:
        args.append("--autopilot")
    out = subprocess.run(args, capture_output=True, text=True, check=True).stdout
    return json.loads(out)


def place(report):
    """The player's place, or None when he did not place."""
    if report["outcome"] != 5:
        return None
    return report["FinishCount"]


def seconds(text):
    try:
        return float(text)
    except ValueError:
        return None


def times(report):
    """The player's time and the rivals' times in finishing order."""
    mine, rivals = None, []
    for row in report["order"]:
        t = seconds(row["time"])
        if row["car"] == 0:
            mine = t
        elif t is not None:
            rivals.append(t)
    return mine, rivals


def jittered(keys_path, rng, spread=3):
    events = []
    for line in open(keys_path):
        words = line.split()
        if not words or words[0].startswith("#"):
            continue
        frame = max(1, int(words[0]) + rng.randint(-spread, spread))
        events.append((frame, words[1], words[2]))
    events.sort(key=lambda e: e[0])
    f = tempfile.NamedTemporaryFile("w", suffix=".keys", delete=False)
    for e in events:
        f.write("%d %s %s\n" % e)
    f.close()
    return f.name


def check(course, keys, career=None, easy=False, tries=20):
    seeds = {}
    for seed in range(1, 6):
        r = race(course, seed, keys, career, easy)
        seeds[seed] = (place(r), times(r), r["cars"][0]["Cash"])
    rng = random.Random(course * 1000 + 7)
    kept = 0
    for i in range(tries):
        path = jittered(keys, rng)
        try:
            if place(race(course, 1 + i % 5, path, career, easy)):
                kept += 1
        finally:
            os.unlink(path)
    return seeds, kept, tries


def rival_spots(course, seeds=range(1, 9), frames=3000):
    """For each seed, the set of (x, y) course points (10-pixel grid) some rival's centre
    came within reach of. A car's centre is at (TileCol x 200 + TileX, TileRow x 200 +
    TileY - 2), as the grid placement lays cars and pickups out."""
    keys = tempfile.NamedTemporaryFile("w", suffix=".keys", delete=False)
    keys.write("1 down Space\n")  # the player stays on the grid
    keys.close()
    trace = keys.name + ".jsonl"
    covered = []
    try:
        for seed in seeds:
            subprocess.run([GAME, "--headless", "--course", str(course), "--seed", str(seed),
                            "--input", keys.name, "--trace", trace, "--max-frames",
                            str(frames)], capture_output=True, check=True)
            spots = set()
            for line in open(trace):
                r = json.loads(line)
                if r["car"] == 0 or r["Status"] == 2:
                    continue
                x = r["TileCol"] * 200 + r["TileX"]
                y = r["TileRow"] * 200 + r["TileY"] - 2
                for gx in range(int(x - 20) // 10 * 10, int(x + 20) + 10, 10):
                    for gy in range(int(y - 20) // 10 * 10, int(y + 20) + 10, 10):
                        if (gx - x) ** 2 + (gy - y) ** 2 < 20 ** 2:
                            spots.add((gx, gy))
            covered.append(spots)
    finally:
        os.unlink(keys.name)
        if os.path.exists(trace):
            os.unlink(trace)
    return covered


def pickups(course):
    covered = rival_spots(course)
    layout = open(os.path.join(ROOT, "data", "courses", "course%02d.txt" % course)).read()
    print("per road tile: the points (x, y inside the tile) fewest rivals' seeds reached, of 8")
    rows = layout.split("tiles\n")[1].split("\nend")[0].split("\n")
    for r, row in enumerate(rows):
        for c, ch in enumerate(row):
            if ch not in "-|FL7J+ST]E_s><":
                continue
            counts = {}
            for x in range(40, 151, 10):
                for y in range(40, 151, 10):
                    spot = (c * 200 + x, r * 200 + y)
                    counts[(x, y)] = sum(1 for s in covered if spot in s)
            least = min(counts.values())
            best = [p for p, n in counts.items() if n == least]
            print("  %2d %2d %s: %d  %s" % (c, r, ch, least, " ".join("%d,%d" % p for p in best[:8])))


# Open sides of the road pieces a pickup may lie on (W, E, N, S) and the walls beside them.
PIECES = {"-": ("WE", "NS"), "|": ("NS", "WE"), "F": ("ES", "NW"), "7": ("WS", "NE"),
          "L": ("NE", "WS"), "J": ("NW", "SE")}
STEP = {"W": (-1, 0), "E": (1, 0), "N": (0, -1), "S": (0, 1)}
OPPOSITE = {"W": "E", "E": "W", "N": "S", "S": "N"}


def road_loop(rows):
    """The road's tiles in driving order from the start tile southwards."""
    start = next((c, r) for r, row in enumerate(rows) for c, ch in enumerate(row) if ch in "Ss")
    loop, (c, r), heading = [], start, "S"
    while True:
        loop.append((c, r))
        c, r = c + STEP[heading][0], r + STEP[heading][1]
        if (c, r) == start:
            return loop
        ch = rows[r][c]
        if ch in PIECES and heading not in PIECES[ch][0]:
            heading = PIECES[ch][0].replace(OPPOSITE[heading], "")


def place_pickups(course):
    """Eleven pickups spread round the course, each where fewest of the rivals' races on
    seeds 1-8 pass within reach, away from the grid."""
    path = os.path.join(ROOT, "data", "courses", "course%02d.txt" % course)
    text = open(path).read()
    rows = text.split("tiles\n")[1].split("\nend")[0].split("\n")
    loop = road_loop(rows)
    covered = rival_spots(course)
    # The grid and the first tiles after it are the pack's: start a little further on.
    usable = [t for t in loop[5:] if rows[t[1]][t[0]] in PIECES]
    chosen = []
    for k in range(11):
        best = None
        centre = int((k + 0.5) * len(usable) / 11)
        for (c, r) in usable[max(0, centre - 1):centre + 2]:
            walls = PIECES[rows[r][c]][1]
            for x in range(40, 151, 10):
                for y in range(40, 151, 10):
                    if ("E" in walls and x > 144) or ("S" in walls and y > 144):
                        continue
                    # A bend's outer corner is rounded off: keep to its middle.
                    if rows[r][c] in "F7LJ" and not (60 <= x <= 120 and 60 <= y <= 120):
                        continue
                    spot = (c * 200 + x, r * 200 + y)
                    n = sum(1 for s in covered if spot in s)
                    # Fewest rivals first, then nearest the middle of the road.
                    key = (n, abs(x - 95) + abs(y - 95))
                    if best is None or key < best[0]:
                        best = (key, c, r, x, y)
        chosen.append(best)
    lines = ["pickup %d %d %d %d" % (c, r, x, y) for _, c, r, x, y in chosen]
    kept = [l for l in text.split("\n") if not l.startswith("pickup ")]
    out = "\n".join(kept).rstrip("\n") + "\n" + "\n".join(lines) + "\n"
    open(path, "w").write(out)
    for (n, _), c, r, x, y in chosen:
        print("pickup %d %d %d %d   rivals reached it on %d of 8 seeds" % (c, r, x, y, n))


FASTRUN = os.environ.get("FASTRUN", os.path.join(ROOT, "build", "gg_fastrun"))
NEW_DRIVER = ["click Label1", "click Label21", "type Ria", "key Enter"]
# The career as it stands goes to the file and comes back from it, so that the race after it
# is the race its saved career gives.
SAVE_AND_RELOAD = ["click RaceWindow.Label19", "click RaceWindow.Label18", "click Label1",
                   "click Label18", "select SaveGameList 0", "click Label29"]


def play(lines, folder, scripts, seed=1):
    """Runs a session in a fresh copy of the game's data; returns its dumps and the folder."""
    data = os.path.join(folder, "data")
    if os.path.exists(data):
        subprocess.run(["rm", "-rf", data], check=True)
    os.makedirs(data)
    game = os.path.dirname(GAME)
    for d in ("graphics", "resources", "soundfx"):
        os.symlink(os.path.join(game, d), os.path.join(data, d))
    os.makedirs(os.path.join(data, "saves"))
    subprocess.run(["cp", os.path.join(game, "saves", "saves.lst"), os.path.join(data, "saves")],
                   check=True)
    script = os.path.join(scripts, "trial.session")
    with open(script, "w") as f:
        f.write("\n".join(lines) + "\n")
    r = subprocess.run([GAME, "--headless", "--session", script, "--seed", str(seed),
                        "--data-dir", data], capture_output=True, text=True)
    if r.returncode != 0:
        raise RuntimeError("session failed: " + r.stderr)
    return [json.loads(l) for l in r.stdout.splitlines() if l.startswith("{")], data


def shopping(player):
    """What a careful player buys and mends before a race: the body when it is down by a
    third, the tyres when worn, then the faster engine, the better tyres, the fastest engine,
    the best tyres and the titanium body."""
    lines, cash = [], player["Cash"]
    def buy(line, price):
        nonlocal cash
        if cash > price:
            lines.append("click StoreForm.Item(%d)" % line)
            cash -= price
            return True
        return False
    # Mend first: a body down by a third, an engine down by a fifth, tyres down by a third
    # (worn-out tyres burn a car out), each click mending half the part's maximum.
    for item, part, limit in ((0, "Body", 3), (1, "Engine", 5), (2, "Tyres", 3)):
        worn = player[part + "Max"] - player[part]
        clicks = 0
        while worn > player[part + "Max"] / limit and cash > 1200 and clicks < 2:
            lines.append("click StoreForm.CarItem(%d)" % item)
            cash -= int(worn * 3 + 200)
            worn -= player[part + "Max"] / 2
            clicks += 1
    if player["EngineLevel"] < 1:
        buy(2, 1750)
    elif player["TyresLevel"] < 1:
        buy(0, 750)
    elif player["EngineLevel"] < 2:
        buy(3, 5200)
    elif player["TyresLevel"] < 2:
        buy(1, 1700)
    elif player["BodyLevel"] < 2:
        # The last courses are four long laps: a titanium body outlasts their walls.
        buy(5, 4850)
    if not lines:
        return []
    return ["click RaceWindow.Label17"] + lines + ["click StoreForm.LeaveLabel"]


def search(course, career, out, seeds="1,2,3,4,5", beam=200, random_state=None, collect=False):
    extra = ["--random-state", str(random_state)] if random_state else []
    if collect:
        extra.append("--collect")
    subprocess.run([FASTRUN, "--course", str(course), "--career", career, "--seeds", seeds] +
                   extra + ["--hands", "0", "--slack", "0", "--spare", "1", "--min-hold", "0", "--beam", str(beam),
                            "--pickup-worth", "60", "--out", out], capture_output=True, check=True)


def play_career(out):
    """Each race: the shop, the career saved and loaded again (so that the race is the one
    its saved career gives), then a run searched for that very race and for the saved
    career on seeds 1-5; a race that cannot be placed is raced for its pickups instead."""
    os.makedirs(out, exist_ok=True)
    work = tempfile.mkdtemp()
    lines = ["# A new Normal career, placed on all fourteen courses in order in fourteen races: the shop",
             "# before a race, the career saved and loaded again, then the race from keys searched for it.",
             "# The last dump stands on course 1 again, after the fourteenth placing."] + NEW_DRIVER
    races = placed = repeats = 0
    # Going on from a career played so far: its lines, races, placings and repeats.
    if os.environ.get("RESUME"):
        lines = open(os.environ["RESUME"]).read().rstrip("\n").split("\n")
        for line in lines:
            if line.startswith("race keys "):
                races += 1
                if "-pickups" in line:
                    repeats += 1
                else:
                    placed += 1
    while placed < 14 and races < 30:
        dumps, data = play(lines + ["dump"], work, out)
        state = dumps[-1]
        course = state["course"]
        prefix = lines + ["", "# Course %d, race %d" % (course, races + 1)] + \
            shopping(state["cars"][0]) + SAVE_AND_RELOAD + ["dump"]
        dumps, data = play(prefix, work, out)
        random_state = dumps[-1]["random"]
        sav = os.path.join(work, "now.sav")
        subprocess.run(["cp", os.path.join(data, "saves", "Ria            .sav"), sav], check=True)
        name = "course%02d" % course
        accepted = None
        for attempt, beam in enumerate((200, 350, 500)):
            keys = os.path.join(out, name + ".keys")
            search(course, sav, keys, beam=beam, random_state=random_state)
            start = ["click Label16", "race keys %s.keys" % name, "wait 500", "key Enter"]
            dumps, data = play(prefix + start + ["dump"], work, out)
            # The proof must hold for the saved career on four of the seeds 1-5, replayed.
            proven = sum(1 for seed in range(1, 6) if place(race(course, seed, keys, sav)))
            if dumps[-1]["course"] != course and proven >= 4:
                accepted = start
                subprocess.run(["cp", sav, os.path.join(out, name + ".sav")], check=True)
                placed += 1
                break
        if not accepted:
            repeats += 1
            kept = "%s-pickups%d" % (name, repeats)
            search(course, sav, os.path.join(out, kept + ".keys"), random_state=random_state,
                   collect=True)
            accepted = ["click Label16", "race keys %s.keys" % kept, "wait 500", "key Enter"]
            dumps, data = play(prefix + accepted + ["dump"], work, out)
            if dumps[-1]["course"] != course:
                # Raced for its pickups, it placed all the same: the course's placing race,
                # though no proof on the seeds.
                os.replace(os.path.join(out, kept + ".keys"), os.path.join(out, name + ".keys"))
                subprocess.run(["cp", sav, os.path.join(out, name + ".sav")], check=True)
                accepted[1] = "race keys %s.keys" % name
                repeats -= 1
                placed += 1
        races += 1
        after = dumps[-1]
        if "RaceWindow" not in after["forms"]:
            raise RuntimeError("race %d ended at the front end: the car burnt out" % races)
        print("race %d, course %d: %s, cash %d -> %d, body %s" %
              (races, course, "placed" if after["course"] != course else "not placed",
               state["cars"][0]["Cash"], after["cars"][0]["Cash"], after["cars"][0]["Body"]),
              flush=True)
        lines = prefix + accepted
        with open(os.path.join(out, "career-normal.session"), "w") as f:
            f.write("\n".join(lines + ["dump"]) + "\n")
    print("%d placings in %d races" % (placed, races))


def table():
    """README's balance table: per course, the rivals' times with the player left on the
    grid (fastest and third, median of seeds 1-5), the career proof's time, its margin over
    the third rival and its pickups, and the autopilot's placings with the starting car."""
    idle = tempfile.NamedTemporaryFile("w", suffix=".keys", delete=False)
    idle.write("1 down Space\n")
    idle.close()
    med = lambda v: sorted(v)[len(v) // 2] if v else None
    fmt = lambda t: "%.2f" % t if t is not None else "-"
    print("| course | laps | fastest rival | third rival | proof | margin | pickups | "
          "proof placed | keys moved 3 frames | autopilot Easy | autopilot Normal |")
    print("|---|---|---|---|---|---|---|---|---|---|---|")
    for course in range(1, 15):
        name = os.path.join(RUNS, "course%02d" % course)
        sav = name + ".sav" if os.path.exists(name + ".sav") else None
        first, third, mine, picks, placed = [], [], [], [], 0
        for seed in range(1, 6):
            _, rivals = times(race(course, seed, idle.name, sav))
            if rivals:
                first.append(rivals[0])
            if len(rivals) > 2:
                third.append(rivals[2])
            if os.path.exists(name + ".keys"):
                r = race(course, seed, name + ".keys", sav)
                start = json.loads(subprocess.run(
                    [GAME, "--headless", "--course", str(course), "--seed", str(seed), "--input",
                     idle.name, "--max-frames", "1"] + (["--career", sav] if sav else []),
                    capture_output=True, text=True).stdout)["cars"][0]["Cash"]
                if place(r):
                    placed += 1
                    mine.append(times(r)[0])
                    picks.append((r["cars"][0]["Cash"] - start) // 100)  # the report is before the prize
        auto = [sum(1 for seed in range(1, 6) if place(race(course, seed, None, None, easy, True)))
                for easy in (True, False)]
        kept = check(course, name + ".keys", sav)[1] if os.path.exists(name + ".keys") else 0
        laps = {1: 2, 2: 2, 3: 2, 5: 2, 10: 3, 11: 3, 12: 4, 13: 4, 14: 4}.get(course, 1)
        m = med(mine)
        margin = med(third) - m if m is not None and third else None
        print("| %d | %d | %s | %s | %s | %s | %s | %d of 5 | %d of 20 | %d of 5 | %d of 5 |" %
              (course, laps, fmt(med(first)), fmt(med(third)), fmt(m), fmt(margin),
               med(picks) if picks else "-", placed, kept, auto[0], auto[1]), flush=True)
    os.unlink(idle.name)


def main():
    if len(sys.argv) == 2 and sys.argv[1] == "table":
        table()
        return
    if len(sys.argv) == 3 and sys.argv[1] == "place-pickups":
        place_pickups(int(sys.argv[2]))
        return
    if len(sys.argv) >= 2 and sys.argv[1] == "career":
        play_career(sys.argv[2] if len(sys.argv) > 2 else RUNS)
        return
    if len(sys.argv) == 3 and sys.argv[1] == "pickups":
        pickups(int(sys.argv[2]))
        return
    if len(sys.argv) >= 4 and sys.argv[1] == "check":
        course, keys = int(sys.argv[2]), sys.argv[3]
        career = sys.argv[sys.argv.index("--career") + 1] if "--career" in sys.argv else None
        easy = "--easy" in sys.argv
        seeds, kept, tries = check(course, keys, career, easy)
        for seed, (p, (mine, rivals), cash) in seeds.items():
            print("seed %d: place %s, time %s, rivals %s, cash %d" %
                  (seed, p, mine, rivals[:3], cash))
        placed = sum(1 for p, _, _ in seeds.values() if p)
        print("placed on %d of 5 seeds; with keys moved up to 3 frames %d of %d" %
              (placed, kept, tries))
        sys.exit(0 if placed >= 4 and kept * 2 > tries else 1)
    print(__doc__)
    sys.exit(2)


if __name__ == "__main__":
    main()

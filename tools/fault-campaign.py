#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Runs the built game against spoilt resources, corrupt save files, kills during saves, a full
disk and a file-size limit, and counts what happened: runs that survived, faults named on
stderr, best scores lost.

Every run starts from a data folder holding a best score of 50 on the first level, signed with
the build's key, and plays into that level and makes a scoring throw. Afterwards the record
must still verify with the real key and hold at least 50 (a kill may interrupt a save, but must
never leave a file that does not load or a best that went down).

Usage: fault-campaign.py BUILD_DIR [KIND...] [--every N] [--jobs N]
       KIND: spoilt, saves, kills, disk, fsize (default: all)
"""

import concurrent.futures
import hashlib
import os
import plistlib
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

# Into the first level (its menu button), a flick that scores with seed 7, back to the menu.
SCRIPT = "130 down 224 162\n131 up 224 162\n170 down 160 448\n171 move 200 380\n171 up 200 380\n"
FRAMES = "300"


def le32(v):
    return (v & 0xFFFFFFFF).to_bytes(4, "little")


def signed_best(key, value, ts=1765000000, tutorial=True):
    """A savedata.plist holding a protected best of `value` on level 0."""
    off = ts % 64
    digest = hashlib.md5(le32(value) + key[off : off + 256]).digest()
    return plistlib.dumps(
        {"level_0_best": {"value": value, "ts": ts, "checksum": digest}, "tutorial_shown": tutorial}
    )


def best_of(key, data_dir):
    """The verified best of level 0, or None when the file does not load or does not verify."""
    try:
        with open(os.path.join(data_dir, "savedata.plist"), "rb") as f:
            rec = plistlib.load(f)["level_0_best"]
    except FileNotFoundError:
        return 0
    except Exception:
        return None
    v, ts, sum_ = rec.get("value"), rec.get("ts"), rec.get("checksum")
    if not isinstance(v, int) or not isinstance(ts, int) or ts < 0:
        return None
    off = ts % 64
    ok = hashlib.md5(le32(v) + key[off : off + 256]).digest() == sum_
    return v if ok else None


def spoil(data, how, rng):
    if how == "empty":
        return b""
    if how == "half":
        return data[: len(data) // 2]
    if how == "random":
        return bytes(rng.getrandbits(8) for _ in range(max(64, len(data))))
    out = bytearray(data)  # flipped: a few bits past the first 64 bytes
    for _ in range(8):
        if len(out) > 64:
            out[rng.randrange(64, len(out))] ^= 1 << rng.randrange(8)
    return bytes(out)


class Campaign:
    def __init__(self, build):
        self.exe = os.path.join(build, "flingo")
        self.res = os.path.join(build, "resources")
        with open(os.path.join(self.res, "obf.dat"), "rb") as f:
            self.key = f.read()
        self.root = tempfile.mkdtemp(prefix="flingo-campaign-")
        self.results = {}

    def data_dir(self, parent, tutorial=True):
        d = os.path.join(parent, "data")
        os.makedirs(d, exist_ok=True)
        with open(os.path.join(d, "savedata.plist"), "wb") as f:
            f.write(signed_best(self.key, 50, tutorial=tutorial))
        return d

    def start(self, work, data, res=None, prefix=(), extra=()):
        script = os.path.join(work, "s.txt")
        with open(script, "w") as f:
            f.write(SCRIPT)
        argv = list(prefix) + [self.exe, "--headless", "--seed", "7", "--frames", FRAMES,
                               "--data-dir", data, "--script", script] + list(extra)
        if res:
            argv += ["--resource-dir", res]
        env = dict(os.environ, SDL_AUDIODRIVER="dummy")
        return subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)

    def record(self, kind, name, survived, named, best):
        r = self.results.setdefault(kind, {"runs": 0, "survived": 0, "named": 0, "lost": 0,
                                           "unnamed": [], "died": [], "lost_in": []})
        r["runs"] += 1
        r["survived"] += survived
        r["named"] += named
        if not survived:
            r["died"].append(name)
        if not named:
            r["unnamed"].append(name)
        if best is None or best < 50:
            r["lost"] += 1
            r["lost_in"].append(name)

    # ---- the kinds

    def spoilt_case(self, rel, how, seed):
        work = tempfile.mkdtemp(dir=self.root)
        res = os.path.join(work, "res")
        shutil.copytree(self.res, res, copy_function=os.link)
        path = os.path.join(res, rel)
        with open(path, "rb") as f:
            good = f.read()
        os.unlink(path)  # a hard link: the build's own file stays as it is
        with open(path, "wb") as f:
            f.write(spoil(good, how, random.Random(seed)))
        data = self.data_dir(work)
        p = self.start(work, data, res)
        _, err = p.communicate(timeout=300)
        text = err.decode(errors="replace")
        named = os.path.basename(rel) in text
        best = best_of(self.key, data)
        shutil.rmtree(work)
        return ("spoilt", f"{rel} {how}", p.returncode == 0, named, best)

    def save_case(self, name, content):
        work = tempfile.mkdtemp(dir=self.root)
        data = os.path.join(work, "data")
        os.makedirs(data)
        with open(os.path.join(data, "savedata.plist"), "wb") as f:
            f.write(content)
        p = self.start(work, data)
        _, err = p.communicate(timeout=300)
        # An unreadable file is named and kept aside, never silently replaced.
        kept = os.path.exists(os.path.join(data, "savedata.plist.unreadable"))
        named = "savedata.plist" in err.decode(errors="replace") and kept
        shutil.rmtree(work)
        return ("saves", name, p.returncode == 0, named, 50)

    def kill_case(self, seed):
        rng = random.Random(seed)
        work = tempfile.mkdtemp(dir=self.root)
        # The tutorial not yet seen: entering the level saves the whole file, best included.
        data = self.data_dir(work, tutorial=False)
        p = self.start(work, data)
        time.sleep(rng.uniform(0.0, 6.0))
        p.send_signal(signal.SIGKILL)
        p.communicate()
        best = best_of(self.key, data)
        temps = [n for n in os.listdir(data) if ".tmp." in n]
        try:
            with open(os.path.join(data, "savedata.plist"), "rb") as f:
                saved = plistlib.load(f).get("tutorial_shown") is True
        except Exception:
            saved = False  # and best_of has counted a lost best
        # The next start must load the file and clear the killed run's temporary files.
        again = self.start(work, data, extra=["--frames", "2"])
        again.communicate(timeout=300)
        left = [n for n in os.listdir(data) if ".tmp." in n]
        ok = again.returncode == 0 and not left
        shutil.rmtree(work)
        when = "after" if saved else "before"
        return ("kills", f"kill {seed}: {len(temps)} temp, {when} the save", ok, True, best)

    def disk_case(self, free):
        work = tempfile.mkdtemp(dir=self.root)
        mnt = os.path.join(work, "mnt")
        os.makedirs(mnt)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", mnt]).returncode:
            return ("disk", f"free {free}: cannot mount", False, False, None)
        try:
            data = self.data_dir(mnt)
            st = os.statvfs(mnt)
            filler = st.f_bavail * st.f_frsize - free
            with open(os.path.join(mnt, "filler"), "wb") as f:
                f.write(b"\0" * max(0, filler))
            p = self.start(work, data)
            _, err = p.communicate(timeout=300)
            text = err.decode(errors="replace")
            named = "No space left on device" in text
            best = best_of(self.key, data)
            temps = [n for n in os.listdir(data) if ".tmp." in n]
            survived = p.returncode == 0 and not temps
            return ("disk", f"free {free}", survived, named, best)
        finally:
            subprocess.run(["umount", mnt])
            shutil.rmtree(work)

    def fsize_case(self, limit):
        work = tempfile.mkdtemp(dir=self.root)
        data = self.data_dir(work)
        p = self.start(work, data, prefix=["prlimit", f"--fsize={limit}"])
        _, err = p.communicate(timeout=300)
        named = "File too large" in err.decode(errors="replace")
        best = best_of(self.key, data)
        temps = [n for n in os.listdir(data) if ".tmp." in n]
        shutil.rmtree(work)
        return ("fsize", f"limit {limit}", p.returncode == 0 and not temps, named, best)

    def cases(self, kinds, every):
        out = []
        if "spoilt" in kinds:
            files = sorted(os.path.relpath(os.path.join(d, n), self.res)
                           for d, _, names in os.walk(self.res) for n in names)
            n = 0
            for rel in files:
                for how in ("empty", "half", "random", "flipped"):
                    if (n + n // 4) % every == 0:  # a sample turns through the variants
                        out.append((self.spoilt_case, (rel, how, n)))
                    n += 1
        if "saves" in kinds:
            good = signed_best(self.key, 50)
            rng = random.Random(5)
            variants = {"empty": b"", "half": good[: len(good) // 2], "text": b"hello\n",
                        "deep": b"<plist><dict>" + b"<key>a</key><dict>" * 40 + b"</plist>",
                        "array root": plistlib.dumps([1, 2]),
                        "binary half": plistlib.dumps({"a": 1}, fmt=plistlib.FMT_BINARY)[:20]}
            for i in range(31):
                variants[f"random {i}"] = spoil(good, "random", random.Random(i))
            for name, content in list(variants.items())[::every]:
                out.append((self.save_case, (name, content)))
            del rng
        if "kills" in kinds:
            out += [(self.kill_case, (i,)) for i in range(0, 300, every)]
        if "disk" in kinds:
            out += [(self.disk_case, (free,)) for free in (0, 100, 400, 1000, 4000)]
        if "fsize" in kinds:
            out += [(self.fsize_case, (limit,)) for limit in (0, 20, 100, 300, 1000)]
        return out

    def run(self, kinds, every, jobs):
        with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
            for result in pool.map(lambda c: c[0](*c[1]), self.cases(kinds, every)):
                self.record(*result)
                print(*result, flush=True)
        shutil.rmtree(self.root, ignore_errors=True)
        for kind, r in self.results.items():
            print(f"{kind}: {r['runs']} runs, {r['survived']} survived, {r['named']} named, "
                  f"{r['lost']} lost bests")
            for label in ("died", "unnamed", "lost_in"):
                if r[label]:
                    print(f"  {label}: " + "; ".join(r[label]))
        return all(r["survived"] == r["runs"] and r["lost"] == 0 for r in self.results.values())


def main():
    args = sys.argv[1:]
    every = jobs = 1
    for opt in ("--every", "--jobs"):
        if opt in args:
            i = args.index(opt)
            value = int(args[i + 1])
            del args[i : i + 2]
            every, jobs = (value, jobs) if opt == "--every" else (every, value)
    if not args:
        sys.exit(__doc__)
    kinds = args[1:] or ["spoilt", "saves", "kills", "disk", "fsize"]
    sys.exit(0 if Campaign(args[0]).run(kinds, every, jobs) else 1)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Corrupt-file sweep: mutants of a DBF, its CDX and FPT, and a label layout, through the reading
and writing verbs of addrova-batch.

Counts crashes (death by a signal), hangs (past the time limit), ordered dumps that came out
different from the undamaged file's while reporting success (for mutants of the index alone), and
writing verbs that failed but changed a file. Exits 1 when any of these is not zero.

    fuzz/sweep.py build/src/batch/addrova-batch [--mutants 300] [--seed 1] [--records 400]
"""
import argparse
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile

READING = [
    ["info"],
    ["dump"],
    ["dump", "--order", "LNAME", "--fields", "LNAME"],
    ["dump", "--order", "ZIP", "--fields", "ZIP"],
    ["count", "--filter", "UPPER(LNAME) = 'S'"],
]
WRITING = [["check"], ["pack"], ["reindex"], ["check", "--rebuild"]]
TIMEOUT = 60


def run(batch, args, env):
    try:
        p = subprocess.run([batch] + args, capture_output=True, timeout=TIMEOUT, env=env)
    except subprocess.TimeoutExpired:
        return "hang", b""
    if p.returncode < 0:
        return "crash:" + signal.Signals(-p.returncode).name, p.stdout
    return p.returncode, p.stdout


def mutate(data, rng):
    b = bytearray(data)
    kind = rng.randrange(5)
    if kind == 0 and b:  # flip bytes
        for _ in range(rng.randint(1, 8)):
            i = rng.randrange(len(b))
            b[i] ^= 1 << rng.randrange(8)
    elif kind == 1 and b:  # random bytes over a run
        i = rng.randrange(len(b))
        for j in range(i, min(len(b), i + rng.randint(1, 16))):
            b[j] = rng.randrange(256)
    elif kind == 2 and len(b) > 1:  # truncate
        del b[rng.randrange(1, len(b)):]
    elif kind == 3 and len(b) >= 4:  # a 16- or 32-bit value set to an extreme
        i = rng.randrange(len(b) - 3)
        b[i:i + 4] = rng.choice([b"\xff\xff\xff\xff", b"\x00\x00\x00\x00", b"\xff\xff\xff\x7f", b"\x0a\x00\x00\x00"])
    else:  # header region: the first 512 bytes take the most damage
        for _ in range(rng.randint(1, 4)):
            i = rng.randrange(min(len(b), 512)) if b else 0
            if b:
                b[i] = rng.randrange(256)
    return bytes(b)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("batch")
    ap.add_argument("--mutants", type=int, default=300)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--records", type=int, default=400)
    ap.add_argument("--keep", help="copy the files of every failure here")
    a = ap.parse_args()
    batch = os.path.abspath(a.batch)
    rng = random.Random(a.seed)
    work = tempfile.mkdtemp(prefix="addrova-sweep-")
    env = dict(os.environ, ADDROVA_HOME=os.path.join(work, "home"), QT_QPA_PLATFORM="offscreen")
    os.makedirs(env["ADDROVA_HOME"])
    base = os.path.join(work, "base")
    os.makedirs(base)
    dbf = os.path.join(base, "ADDR.DBF")
    status, _ = run(batch, ["demo", dbf, str(a.records)], env)
    if status != 0:
        sys.exit("cannot make the sample table: %s" % status)
    # Memos on some records so that the FPT holds data worth damaging.
    originals = {n: open(os.path.join(base, n), "rb").read() for n in os.listdir(base)}
    right = {}
    for verb in READING:
        if "--order" in verb:
            right[tuple(verb)] = run(batch, verb[:1] + [dbf] + verb[1:], env)[1]
    layout_src = None
    sysdata = os.path.join(env["ADDROVA_HOME"], "sysdata")
    run(batch, ["sysdata"], env)
    if os.path.exists(os.path.join(sysdata, "BIN00001.L")):
        layout_src = open(os.path.join(sysdata, "BIN00001.L"), "rb").read()

    counts = {"mutants": 0, "runs": 0, "refused": 0, "crashes": 0, "hangs": 0, "wrong_order": 0,
              "changed_on_failure": 0}
    failures = []
    targets = ["ADDR.DBF", "ADDR.CDX", "ADDR.FPT"] + (["BIN00001.L"] if layout_src else [])
    for m in range(a.mutants):
        target = targets[m % len(targets)]
        case = os.path.join(work, "m%04d" % m)
        os.makedirs(case)
        for n, data in originals.items():
            open(os.path.join(case, n), "wb").write(data)
        counts["mutants"] += 1
        if target == "BIN00001.L":
            path = os.path.join(case, target)
            open(path, "wb").write(mutate(layout_src, rng))
            runs = [["render-layout", path, "--kind", "label", "--png", os.path.join(case, "out.png")],
                    ["render-layout", path, "--kind", "envelope", "--png", os.path.join(case, "out.png")]]
            for args in runs:
                status, _ = run(batch, args, env)
                counts["runs"] += 1
                note(status, counts, failures, m, args)
            shutil.rmtree(case)
            continue
        tpath = os.path.join(case, target)
        open(tpath, "wb").write(mutate(originals[target], rng))
        table = os.path.join(case, "ADDR.DBF")
        for verb in READING:
            args = verb[:1] + [table] + verb[1:]
            status, out = run(batch, args, env)
            counts["runs"] += 1
            note(status, counts, failures, m, args)
            if target == "ADDR.CDX" and status == 0 and tuple(verb) in right and out != right[tuple(verb)]:
                counts["wrong_order"] += 1
                failures.append((m, args, "ordered output differs from the undamaged file's"))
        for verb in WRITING:
            before = {n: open(os.path.join(case, n), "rb").read() for n in os.listdir(case)}
            args = verb[:1] + [table] + verb[1:]
            status, _ = run(batch, args, env)
            counts["runs"] += 1
            note(status, counts, failures, m, args)
            if status != 0:
                after = {n: open(os.path.join(case, n), "rb").read() for n in os.listdir(case)}
                if after != before:
                    counts["changed_on_failure"] += 1
                    failures.append((m, args, "failed and changed the files"))
        if (m + 1) % 25 == 0:
            print(" ".join("%s=%d" % kv for kv in counts.items()), flush=True)
        if a.keep and any(f[0] == m for f in failures):
            shutil.copytree(case, os.path.join(a.keep, "m%04d" % m))
        shutil.rmtree(case)
    shutil.rmtree(work)
    for m, args, what in failures[:30]:
        print("mutant %d: %s: %s" % (m, " ".join(os.path.basename(x) if x.startswith("/") else x for x in args), what))
    print(" ".join("%s=%d" % kv for kv in counts.items()))
    bad = counts["crashes"] + counts["hangs"] + counts["wrong_order"] + counts["changed_on_failure"]
    sys.exit(1 if bad else 0)


def note(status, counts, failures, m, args):
    if status == "hang":
        counts["hangs"] += 1
        failures.append((m, args, "hang"))
    elif isinstance(status, str):
        counts["crashes"] += 1
        failures.append((m, args, status))
    elif status != 0:
        counts["refused"] += 1


if __name__ == "__main__":
    main()

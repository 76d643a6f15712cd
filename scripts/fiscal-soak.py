#!/usr/bin/env python3
"""Receipts through kasctl against kasemu with line faults armed at random.

Each sale line is judged against what the register really did: the open
receipt's sums are read (with no fault armed) before and after the line, and
the number of lines the register registered is compared with what kasctl told:
exit 0 (once), exit 1 with "carried_out" N, exit 1 without a verdict (nothing
carried out), exit 3 (in doubt). Prints the counts of outcomes told rightly,
wrongly and in doubt, and every wrong one.

    scripts/fiscal-soak.py [--receipts 200] [--rate 0.3] [--seed N] [--build build]
"""
import argparse
import json
import os
import random
import subprocess
import sys
import tempfile
import time

FAULTS = ["ignore", "ignore*3", "drop", "drop*3", "nak", "nak*3", "delay:2500", "delay:900",
          "bad-checksum", "garbage:4", "syn-before-ack", "cut", "nine-dles", "length:1",
          "length:-1", "ack-enq"]
# What a sale line sends: the receipt sums read before it, and the line.
TARGETS = ["@0x12", "@0x2B", ""]


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--receipts", type=int, default=200)
    ap.add_argument("--rate", type=float, default=0.3, help="share of commands with a fault")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--build", default="build")
    a = ap.parse_args()
    rnd = random.Random(a.seed)
    work = tempfile.mkdtemp(prefix="kas-soak-")
    env = dict(os.environ, KASDRV_DEVICES=work)
    ctl = os.path.join(work, "ctl")
    emu = subprocess.Popen([os.path.join(a.build, "bin", "kasemu"), "--link",
                            os.path.join(work, "com1"), "--print-speed", "0", "--control", ctl],
                           stderr=subprocess.DEVNULL, env=env)
    while not os.path.exists(ctl):
        time.sleep(0.05)

    def arm(text):
        with open(ctl, "w") as f:
            f.write(text + "\n")
        time.sleep(0.05)

    def kasctl(*words):
        r = subprocess.run([os.path.join(a.build, "bin", "kasctl"), "--json", *words],
                           capture_output=True, text=True, env=env)
        try:
            out = json.loads(r.stdout) if r.stdout.strip() else {}
        except json.JSONDecodeError:
            out = {}
        return r.returncode, out

    def sums():
        arm("clear")
        for _ in range(3):
            rc, out = kasctl("check-sums")
            if rc == 0:
                return round(out.get("group_А", 0) * 100)
        sys.exit("the receipt's sums cannot be read without faults")

    tally = {"right": 0, "wrong": 0, "doubt": 0}
    wrong = []
    for n in range(a.receipts):
        for line in range(rnd.randint(1, 3)):
            price = rnd.randint(1, 999)
            before = sums()
            fault = None
            if rnd.random() < a.rate:
                fault = rnd.choice(FAULTS) + rnd.choice(TARGETS)
                arm(fault)
            rc, out = kasctl("sale", "1", "%d.%02d" % (price // 100, price % 100), "А", "x")
            done = (sums() - before) / price
            if rc == 3:
                told = None
                tally["doubt"] += 1
            else:
                told = out.get("carried_out", 1 if rc == 0 else 0)
                key = "right" if told == done else "wrong"
                tally[key] += 1
                if key == "wrong":
                    wrong.append((n, fault, rc, told, done, out))
        arm("clear")
        rc, _ = kasctl("pay", "cash", "0", "close")
        if rc != 0:
            kasctl("annul")
    emu.terminate()
    emu.wait()
    total = sum(tally.values())
    print(json.dumps({"sale lines": total, **tally}, ensure_ascii=False))
    for w in wrong:
        print("receipt %d fault %s: exit %d, told %s, done %s %s" % (
            w[0], w[1], w[2], w[3], w[4], json.dumps(w[5], ensure_ascii=False)))
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())

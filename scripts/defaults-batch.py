#!/usr/bin/env python3
"""Writes a batch of calls over every pricing code for `kzr batch`, to compare the library's
default answers before and after a change:

    python3 scripts/defaults-batch.py > calls.txt
    build/bin/kzr batch calls.txt > after.txt     # and the same with the earlier build
    diff before.txt after.txt

Each code is priced on a spread of contracts drawn from a fixed generator (so the file is the same
on every run), at the library's defaults; simulations are seeded (--seed) and kept small so that
their answers repeat; a share of the lines also sets grid sizes, tree steps, cache modes and
sensitivities. The inputs come from `kzr codes` (the tool's catalogue), so new codes are covered.
"""
import random
import re
import subprocess
import sys

KZR = sys.argv[1] if len(sys.argv) > 1 else "build/bin/kzr"


def catalogue():
    out = subprocess.run([KZR, "codes"], capture_output=True, text=True, check=True).stdout
    codes = []
    for line in out.splitlines():
        if not line or not line[0].isupper() or "  " not in line:
            continue
        code = line.split()[0]
        if code.startswith("Options"):
            break
        # the inputs are the last column: after the description's end, split on ", "
        tail = line.rstrip()
        counted = tail.endswith("]")
        if counted:
            tail = tail[: tail.rindex("[")].rstrip()
        # The columns are as wide as their widest text and two spaces: the description is the
        # second field, the inputs the third, between runs of two spaces or more.
        fields = re.split(r"\s{2,}", tail)
        code_descriptions[code] = fields[1]
        start = len(tail) - len(fields[2])
        names = [n.strip() for n in tail[start:].split(",") if n.strip() and n.strip() != "..."]
        codes.append((code, names, counted))
    return codes


def contract(code, g):
    """One contract's values by input name."""
    S = g.choice([80.0, 95.0, 100.0, 110.0, 125.0])
    values = {
        "T": g.choice([0.1, 0.5, 1.0, 2.0]), "t": 0.25, "S": S, "F": S, "K": g.choice([90.0, 100.0, 110.0]),
        "k": g.choice([3.0, 8.0]), "sigma": g.choice([0.12, 0.2, 0.35]), "r": g.choice([0.0, 0.03, 0.08]),
        "q": g.choice([0.0, 0.02, 0.05]), "kind": g.choice([0, 1]), "X": g.choice([90.0, 100.0, 110.0]),
        "R": g.choice([0.0, 2.0]), "i": g.choice([1.0, 2.0]), "C": 50.0, "E": 1.2, "Ep": 1.1,
        "sigmaS": g.choice([0.15, 0.25]), "sigmaE": 0.1, "rho": g.choice([-0.4, 0.0, 0.5]), "rf": 0.03,
        "S1": S, "S2": g.choice([90.0, 100.0, 105.0]), "sigma1": g.choice([0.15, 0.25]),
        "sigma2": g.choice([0.2, 0.3]), "q1": g.choice([0.0, 0.02]), "q2": g.choice([0.0, 0.04]),
        "L": g.choice([70.0, 85.0]), "U": g.choice([130.0, 150.0]), "Tc": 1.0, "Kc": 100.0, "Tp": 1.2,
        "Kp": 100.0, "t1": 0.5, "T2": 1.0, "X1": 100.0, "X2": 105.0, "A": 1.0, "Tavg": 0.0,
    }
    down = code.startswith("DOWN") or "falls" in code_descriptions.get(code, "")
    values["H"] = g.choice([70.0, 85.0]) if down else g.choice([120.0, 140.0])
    values["m"] = round(S * (0.9 if "minimum" in code_descriptions.get(code, "") else 1.1), 2)
    if code.startswith("POWER") and "ED" not in code:
        values["K"] *= 100.0 if values["i"] == 2.0 else 1.0
    if code.startswith("ASIAN"):
        values["A"] = S
        values["Tavg"] = values["T"] + g.choice([0.0, 0.2])  # T of the period is still to come
    return values


def scalarrow(code, names, g):
    values = contract(code, g)
    return [repr(values[name]) for name in names]


def countedrow(code, names, g):
    n = g.choice([3, 4]) if code.startswith("ATLAS") else g.choice([2, 3])
    sig = [g.choice([0.15, 0.2, 0.3]) for _ in range(n)]
    rho = g.choice([0.0, 0.3, 0.6])
    corr = [1.0 if i == j else rho for i in range(n) for j in range(n)]
    fmt = lambda xs: ",".join(repr(x) for x in xs)
    rows = []
    for name in names:
        if name == "n":
            rows.append(str(n))
        elif name == "T":
            rows.append(repr(g.choice([0.5, 1.0, 2.0])))
        elif name == "S_i":
            rows.append(fmt([g.choice([90.0, 100.0, 110.0]) for _ in range(n)]))
        elif name == "H_i":
            rows.append(fmt([1.2 * 100 if code.startswith("ALTI") else 0.7] * n))
        elif name == "sigma_i":
            rows.append(fmt(sig))
        elif name == "rho_ij":
            rows.append(fmt(corr))
        elif name == "q_i":
            rows.append(fmt([g.choice([0.0, 0.02]) for _ in range(n)]))
        elif name in ("K", "X"):
            rows.append(repr(g.choice([90.0, 100.0])))
        elif name == "notional":
            rows.append("100")
        elif name == "coupon":
            rows.append("5")
        elif name == "r":
            rows.append(repr(g.choice([0.0, 0.05])))
        else:
            raise SystemExit(f"defaults-batch: no value for {name} of {code}")
    return rows


code_descriptions = {}


def main():
    g = random.Random(20261211)
    out = []
    for code, names, counted in catalogue():
        simulated = counted or code.startswith("ASIANAAR")
        for variant in range(12 if not simulated else 6):
            rows = countedrow(code, names, g) if counted else scalarrow(code, names, g)
            options = []
            if simulated:
                options += ["--paths", str(g.choice([500, 2000])), "--seed", str(g.randint(1, 1000))]
                if code.startswith(("ASIAN", "ALTI", "ANNA")):
                    options += ["--steps", str(g.choice([10, 25]))]
            elif variant % 4 == 1:
                options += ["--grid", "161,80", "--steps", "60"]
            if variant % 5 == 2:
                options += ["--mode", "0"]
            verb = "price"
            if counted and variant % 3 == 1:
                verb = "vector"
                options += ["--greek", g.choice(["delta", "gamma", "vega", "theta", "rho"])]
            out.append(" ".join([verb, code] + rows + options))
    print("\n".join(out))


if __name__ == "__main__":
    main()

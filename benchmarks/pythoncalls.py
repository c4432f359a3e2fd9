#!/usr/bin/env python3
"""The Black-Scholes call priced from Python, beside QuantLib's Python module, in one run.

    PYTHONPATH=build/python python3 benchmarks/pythoncalls.py [--kzrbench build/bin/kzrbench]

Times, after checking that both sides agree with the closed form:
  - kzr.price on one point, inputs by name (a spot bumped between calls, as the C++ benchmarks
    do), against QuantLib-Python's AnalyticEuropeanEngine re-pricing after a spot quote change;
  - kzr.price on an array of points, per point, against one fun call through the host stand-in
    (kzrbench's entrypoint_standin_fun_BSECO, run from here when the program is found). The
    array's points are the ones that benchmark prices (the spot alternating between S and
    S + 1e-9), so that the ratio compares the same work; an array of spots spread from 80 to 120
    is timed beside it for information (its formula takes other branches and costs more).
Each figure is the process time (as kzrbench's CPU column) of the best of several rounds, which
keeps the least disturbed one on a busy machine.
"""

import argparse
import json
import math
import os
import subprocess
import sys
import time

import numpy as np

import kzr

T, S, K, SIGMA, R, Q = 1.0, 100.0, 100.0, 0.2, 0.05, 0.02
ROUNDS = 7


def closedform(spot):
    """The call by Black-Scholes with a dividend yield, written out here."""
    d1 = (math.log(spot / K) + (R - Q + 0.5 * SIGMA * SIGMA) * T) / (SIGMA * math.sqrt(T))
    d2 = d1 - SIGMA * math.sqrt(T)
    n = lambda x: 0.5 * math.erfc(-x / math.sqrt(2.0))
    return spot * math.exp(-Q * T) * n(d1) - K * math.exp(-R * T) * n(d2)


def best(function, calls):
    """The least time per call over ROUNDS rounds of `calls` calls (seconds)."""
    times = []
    for _ in range(ROUNDS):
        start = time.process_time()
        function(calls)
        times.append((time.process_time() - start) / calls)
    return min(times)


def kzr_scalar(calls):
    price = kzr.price
    for i in range(calls):
        price("BSECO", T=T, S=S + 1e-9 * (i & 1), K=K, sigma=SIGMA, r=R, q=Q)


def quantlib_reprice():
    import QuantLib as ql
    today = ql.Date(15, ql.May, 2024)
    ql.Settings.instance().evaluationDate = today
    dc = ql.Actual365Fixed()
    spot = ql.SimpleQuote(S)
    rates = ql.YieldTermStructureHandle(ql.FlatForward(today, R, dc))
    dividends = ql.YieldTermStructureHandle(ql.FlatForward(today, Q, dc))
    vol = ql.BlackVolTermStructureHandle(ql.BlackConstantVol(today, ql.NullCalendar(), SIGMA, dc))
    process = ql.BlackScholesMertonProcess(ql.QuoteHandle(spot), dividends, rates, vol)
    option = ql.EuropeanOption(ql.PlainVanillaPayoff(ql.Option.Call, K),
                               ql.EuropeanExercise(today + 365))
    option.setPricingEngine(ql.AnalyticEuropeanEngine(process))

    def run(calls):
        for i in range(calls):
            spot.setValue(S + 1e-9 * (i & 1))
            option.NPV()

    return option.NPV(), run


def funcost(kzrbench):
    """fun through the host stand-in, ns per call, from kzrbench (None when it is not found)."""
    if not kzrbench or not os.path.exists(kzrbench):
        return None
    out = subprocess.run([kzrbench, "--benchmark_filter=entrypoint_standin_fun_BSECO$",
                          "--benchmark_min_time=0.3", "--benchmark_repetitions=3",
                          "--benchmark_format=json"], capture_output=True, text=True, check=True)
    runs = json.loads(out.stdout)["benchmarks"]
    return min(b["cpu_time"] for b in runs if b.get("run_type") == "iteration")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--kzrbench", default=os.path.join(os.path.dirname(kzr.LIBRARY),
                                                           "kzrbench"))
    parser.add_argument("--points", type=int, default=10000)
    arguments = parser.parse_args()

    expected = closedform(S)
    own = kzr.price("BSECO", T=T, S=S, K=K, sigma=SIGMA, r=R, q=Q)
    peer, quantlib_run = quantlib_reprice()
    for name, value in (("kzr", own), ("QuantLib", peer)):
        if not abs(value - expected) <= 1e-10 * expected:
            sys.exit(f"{name} answers {value!r}, the closed form {expected!r}: not timed")
    spots = np.linspace(80.0, 120.0, arguments.points)
    prices = kzr.price("BSECO", T=T, S=spots, K=K, sigma=SIGMA, r=R, q=Q)
    if not np.allclose(prices, [closedform(s) for s in spots], rtol=1e-10, atol=1e-12):
        sys.exit("kzr's array answers differ from the closed form: not timed")

    scalar = best(kzr_scalar, 20000)
    reprice = best(quantlib_run, 20000)
    alike = S + 1e-9 * (np.arange(arguments.points) & 1)
    array = best(lambda calls: [kzr.price("BSECO", T=T, S=alike, K=K, sigma=SIGMA, r=R, q=Q)
                                for _ in range(calls)], 3) / arguments.points
    spread = best(lambda calls: [kzr.price("BSECO", T=T, S=spots, K=K, sigma=SIGMA, r=R, q=Q)
                                 for _ in range(calls)], 3) / arguments.points
    fun = funcost(arguments.kzrbench)

    print(f"kzr.price, one point           {scalar * 1e9:9.0f} ns")
    print(f"QuantLib-Python re-price       {reprice * 1e9:9.0f} ns   kzr / QuantLib "
          f"{scalar / reprice:.2f}")
    print(f"kzr.price, {arguments.points} points, per point {array * 1e9:5.0f} ns   (spots 80 to 120: "
          f"{spread * 1e9:.0f} ns)")
    if fun is not None:
        print(f"fun through the stand-in       {fun:9.0f} ns   array point / fun "
              f"{array * 1e9 / fun:.2f}")
    else:
        print("fun through the stand-in: kzrbench not found (--kzrbench PATH)")


if __name__ == "__main__":
    main()

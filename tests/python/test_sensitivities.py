"""kzr.greeks and kzr.solve: against the Black-Scholes greeks and their inverse, and against
kzr greeks and kzr solve, which take them through the same routines; and the messages a user
meets first (a misspelt keyword, an unknown greek, a correlation matrix, fi's status)."""

import datetime
import math
import subprocess

import numpy as np
import pytest

import kzr
from test_kzr import BSECO, TOOL, black_scholes, normal, tool


def bs_greeks(T, S, K, sigma, r, q):
    d1 = (math.log(S / K) + (r - q + 0.5 * sigma * sigma) * T) / (sigma * math.sqrt(T))
    d2 = d1 - sigma * math.sqrt(T)
    density = math.exp(-0.5 * d1 * d1) / math.sqrt(2 * math.pi)
    return {
        "delta": math.exp(-q * T) * normal(d1),
        "gamma": math.exp(-q * T) * density / (S * sigma * math.sqrt(T)),
        "vega": S * math.exp(-q * T) * density * math.sqrt(T),
        "rho": K * T * math.exp(-r * T) * normal(d2),
        # one day's change, as kzr takes theta
        "theta": black_scholes(T - 1 / 365, S, K, sigma, r, q) - black_scholes(T, S, K, sigma, r, q),
    }


def test_greeks_are_the_black_scholes_greeks_keyed_by_input():
    g = kzr.greeks("BSECO", **BSECO)
    exact = bs_greeks(**BSECO)
    assert list(g) == ["price", "delta", "gamma", "vega", "theta", "rho"]
    assert g["price"] == pytest.approx(black_scholes(**BSECO), abs=1e-12)
    # central differences at a step of 1e-4: errors of order h^2 (gamma's of the rounding)
    assert g["delta"]["S"] == pytest.approx(exact["delta"], abs=1e-8)
    assert g["gamma"]["S"] == pytest.approx(exact["gamma"], abs=1e-6)
    assert g["vega"]["sigma"] == pytest.approx(exact["vega"], abs=1e-6)
    assert g["rho"]["r"] == pytest.approx(exact["rho"], abs=1e-6)
    assert g["theta"]["dates"] == pytest.approx(exact["theta"], abs=1e-10)
    assert list(kzr.greeks("BSECO", **BSECO, only="delta,vega")) == ["price", "delta", "vega"]


def test_greeks_broadcast_point_by_point_and_lack_what_the_code_lacks():
    spots = np.array([[90.0, 100.0, 110.0]])
    g = kzr.greeks("BSEPO", **dict(BSECO, S=spots))
    assert g["price"].shape == g["delta"]["S"].shape == (1, 3)
    for j, spot in enumerate(spots[0]):
        one = kzr.greeks("BSEPO", **dict(BSECO, S=spot))
        assert g["delta"]["S"][0, j] == one["delta"]["S"]
        assert g["vega"]["sigma"][0, j] == one["vega"]["sigma"]
    # A perpetual has no date: its theta is NaN, its other greeks are there.
    perpetual = kzr.greeks("PERPETUALAPO", S=100, K=100, sigma=0.2, r=0.05, q=0.02)
    assert math.isnan(perpetual["theta"]) and math.isfinite(perpetual["delta"]["S"])


def tool_greeks(*words):
    """kzr greeks' lines as {(greek, input): value}."""
    figures = {}
    for line in tool("greeks", *words):
        label, value = line.rsplit(None, 1)
        name, _, where = label.partition(" ")
        figures[(name, where)] = math.nan if value == "-" else float(value)
    return figures


@pytest.mark.parametrize("code, rows, options, words", [
    ("RAINBOWMAX2ECO", [0.5, 100, 105, 0.11, 0.16, 0.63, 0.05, 0.06, 0.09, 98], {}, []),
    ("BSAPO", [1, 100, 100, 0.2, 0.05, 0.02], {"grid": (200, 80)}, ["--grid", "200,80"]),
    # a simulation gives its engine's figures, one per asset
    ("EVERESTEO", [2, 1, 100, [0.2, 0.3], [1, 0.5, 0.5, 1], 0.05, [0, 0]],
     {"paths": 200, "seed": 7}, ["--paths", "200", "--seed", "7"]),
])
def test_greeks_are_the_tools(code, rows, options, words):
    g = kzr.greeks(code, *rows, **options)
    printed = tool_greeks(code, *[",".join(map(str, np.atleast_1d(r))) for r in rows], *words)
    assert g["price"] == printed.pop(("price", ""))
    ours = {(name, "" if where == "dates" else where): value
            for name, figures in g.items() if name != "price" for where, value in figures.items()}
    assert ours == printed


def test_solve_inverts_the_price_and_broadcasts():
    sigmas = np.array([0.1, 0.3, 0.6])
    prices = [black_scholes(**dict(BSECO, sigma=s)) for s in sigmas]
    found = kzr.solve("BSECO", T=1, S=100, K=100, r=0.05, q=0.02, target=prices,
                      solve_for="sigma")
    np.testing.assert_allclose(found, sigmas, atol=1e-12)
    # an input of no role is searched around its value; the tool's answer to the bit
    strike = kzr.solve("BSEPO", 1, 100, 90, 0.2, 0.05, 0.02, target=10.0, solve_for="K")
    assert black_scholes(**dict(BSECO, K=strike), call=False) == pytest.approx(10.0, abs=1e-9)
    assert strike == float(tool("solve", "BSEPO", 1, 100, 90, 0.2, 0.05, 0.02, "--target", 10,
                                "--for", "K")[-1])


def test_a_failed_solve_raises_the_tools_reason():
    if not TOOL:
        pytest.skip("KZR_TOOL does not name the kzr tool")
    words = ["solve", "BSECO", "1", "100", "100", "0.2", "0.05", "0.02", "--target", "200",
             "--for", "sigma"]
    run = subprocess.run([TOOL, *words], capture_output=True, text=True)
    assert run.returncode == 3
    reason = run.stderr.strip().removeprefix("kzr: ")
    with pytest.raises(kzr.SolveError) as raised:
        kzr.solve("BSECO", T=1, S=100, K=100, r=0.05, q=0.02, target=200, solve_for="sigma")
    assert str(raised.value) == reason
    with pytest.raises(TypeError, match="no input named 'vol'"):
        kzr.solve("BSECO", T=1, S=100, K=100, r=0.05, q=0.02, target=9, solve_for="vol")


def test_messages_name_what_was_mistyped():
    with pytest.raises(TypeError) as raised:
        kzr.price("BSECO", 1, 100, 100, 0.2, 0.05, 0.02, pahts=5)
    assert "'pahts'" in str(raised.value) and "paths" in str(raised.value)
    assert "sigma" in str(raised.value)
    with pytest.raises(TypeError, match="'onli'.*only"):
        kzr.greeks("BSECO", **BSECO, onli="delta")
    with pytest.raises(ValueError) as raised:
        kzr.price("BSECO", **BSECO, greek="charm")
    assert "'charm'" in str(raised.value)
    assert all(name in str(raised.value) for name in kzr.SENSITIVITIES)


def test_a_correlation_matrix_is_taken_as_the_rho_row():
    everest = dict(n=2, T=1.0, notional=100.0, sigma_i=[0.2, 0.3], r=0.05, q_i=[0.0, 0.0])
    matrix = np.array([[1.0, 0.4], [0.4, 1.0]])
    assert (kzr.price("EVERESTEO", **everest, rho_ij=matrix, paths=100, seed=1)
            == kzr.price("EVERESTEO", **everest, rho_ij=[1, 0.4, 0.4, 1], paths=100, seed=1))


def test_fixed_income_status_is_an_int():
    answer = kzr.fi("DayCount", StartDate=datetime.date(2024, 1, 1),
                    EndDate=datetime.date(2024, 7, 1), DayCounter="Actual360")
    assert type(answer.status) is int

"""The Python module kzr, as a user calls it: against independent values (closed forms, parity,
a bond annuity, day counts) and against the kzr tool, which is the same host over the same
library, so that Python sees exactly what a host sees."""

import datetime
import math
import os
import subprocess
import warnings

import numpy as np
import pytest

import kzr

TOOL = os.environ.get("KZR_TOOL", "")
BSECO = dict(T=1.0, S=100.0, K=100.0, sigma=0.2, r=0.05, q=0.02)


def tool(*words):
    """The last line the kzr tool prints for one command."""
    if not TOOL:
        pytest.skip("KZR_TOOL does not name the kzr tool")
    out = subprocess.run([TOOL, *map(str, words)], capture_output=True, text=True, check=True)
    return out.stdout.strip().splitlines()


def normal(x):
    return 0.5 * math.erfc(-x / math.sqrt(2.0))


def black_scholes(T, S, K, sigma, r, q, call=True):
    d1 = (math.log(S / K) + (r - q + 0.5 * sigma * sigma) * T) / (sigma * math.sqrt(T))
    d2 = d1 - sigma * math.sqrt(T)
    if call:
        return S * math.exp(-q * T) * normal(d1) - K * math.exp(-r * T) * normal(d2)
    return K * math.exp(-r * T) * normal(-d2) - S * math.exp(-q * T) * normal(-d1)


def test_named_call_is_the_closed_form():
    assert kzr.price("BSECO", **BSECO) == pytest.approx(black_scholes(**BSECO), abs=1e-12)
    assert kzr.price("BSEPO", **BSECO) == pytest.approx(black_scholes(**BSECO, call=False),
                                                        abs=1e-12)


# (code, inputs in row order, options as keywords, the same options as the tool takes them)
AGREEMENT = [
    ("BSECO", [1, 100, 100, 0.2, 0.05, 0.02], {}, []),
    ("BSECO", [1, 100, 100, 0.2, 0.05, 0.02], {"greek": "vega"}, ["--greek", "vega"]),
    ("DOWNOUTECO", [0.5, 100, 95, 90, 0.25, 0.08, 0.04, 3], {}, []),
    ("BINAPO", [1, 100, 100, 0.2, 0.05, 0.02], {"steps": 300}, ["--steps", "300"]),
    ("BSAPO", [1, 100, 100, 0.2, 0.05, 0.02], {"grid": (200, 80), "mode": 1},
     ["--grid", "200,80", "--mode", "1"]),
    ("RAINBOWMAX2ECO", [0.5, 100, 105, 0.11, 0.16, 0.63, 0.05, 0.06, 0.09, 98],
     {"precise": True}, ["--precise"]),
    ("DOWNOUTAPO", [1, 100, 90, 100, 0.2, 0.05, 0.02], {"precise": True, "grid": (201, 101)},
     ["--precise", "--grid", "201,101"]),
    ("BSEPO", [1, 100, 100, 0.2, -0.005, -0.01], {"negative_rates": True}, ["--negative-rates"]),
    ("ASIANAARECO", [1, 1, 100, 100, 100, 0.3, 0.05, 0],
     {"seed": 3, "paths": 2000, "sobol": True, "control": True},
     ["--seed", "3", "--paths", "2000", "--sobol", "--control"]),
]


@pytest.mark.parametrize("code, row, options, words", AGREEMENT)
def test_named_and_positional_calls_agree_with_the_tool(code, row, options, words):
    names = next(entry.inputs for entry in kzr.codes() if entry.code == code)
    named = kzr.price(code, **dict(zip(names, row)), **options)
    positional = kzr.price(code, *row, **options)
    printed = float(tool("price", code, *row, *words)[-1])
    assert named == positional == printed  # 17 digits read back give the same double


def test_arrays_broadcast_to_their_common_shape():
    cases = [  # (spot, expiry, strike) and the shape they broadcast to
        (100.0, 1.0, 100.0, ()),
        (np.array([90.0, 100.0, 110.0]), 1.0, 100.0, (3,)),
        (np.array([[90.0], [100.0]]), np.array([0.5, 1.0, 2.0]), 100.0, (2, 3)),
        (np.full((2, 1, 4), 100.0), np.array([[0.5], [1.0], [2.0]]),
         np.array([90.0, 95.0, 100.0, 105.0]), (2, 3, 4)),
    ]
    for S, T, K, shape in cases:
        calls = kzr.price("BSECO", T=T, S=S, K=K, sigma=0.2, r=0.05, q=0.02)
        puts = kzr.price("BSEPO", T=T, S=S, K=K, sigma=0.2, r=0.05, q=0.02)
        assert np.shape(calls) == shape
        # Put-call parity at every point: C - P = S e^(-qT) - K e^(-rT).
        forward = np.asarray(S) * np.exp(-0.02 * np.asarray(T)) - K * np.exp(-0.05 * np.asarray(T))
        np.testing.assert_allclose(calls - puts, np.broadcast_to(forward, shape), atol=1e-10)
    spots = np.array([80.0, 100.0, 120.0])
    each = [kzr.price("BSECO", T=1, S=s, K=100, sigma=0.2, r=0.05, q=0.02) for s in spots]
    assert list(kzr.price("BSECO", T=1, S=spots, K=100, sigma=0.2, r=0.05, q=0.02)) == each


def test_a_cached_grid_answers_across_calls_as_in_a_host():
    # Mode 0 keeps the grid of the first spot and reads later spots off it, in one Python call
    # over an array and across separate calls, exactly as a host does in one loaded library.
    row = dict(T=1, K=100, sigma=0.2, r=0.05, q=0.02)
    first = kzr.price("BSAPO", S=100, mode=0, **row)
    later = kzr.price("BSAPO", S=np.array([90.0, 110.0]), mode=0, **row)
    batch = "\n".join(f"price BSAPO 1 {s} 100 0.2 0.05 0.02 --mode 0" for s in (100, 90, 110))
    if not TOOL:
        pytest.skip("KZR_TOOL does not name the kzr tool")
    out = subprocess.run([TOOL, "batch", "-"], input=batch, capture_output=True, text=True,
                         check=True).stdout.splitlines()
    printed = [float(line.split(": ")[1]) for line in out if ": " in line]
    assert [first, *later] == printed
    # and the read-off is a put price: close to the fresh solve at that spot
    fresh = kzr.price("BSAPO", S=90, mode=1, **row)
    assert later[0] == pytest.approx(fresh, rel=5e-3)


def test_input_mistakes_raise_and_name_the_input():
    with pytest.raises(KeyError, match="NOSUCHCODE"):
        kzr.price("NOSUCHCODE", 1, 2, 3)
    mistakes = [  # (keywords and rows, exception, words the message must hold)
        (dict(T=1, S=100, K=100, sigma=0.2, r=0.05), TypeError, "'q'"),
        (dict(BSECO, strike=100), TypeError, "'strike'"),
        (dict(BSECO, greek="charm"), ValueError, "charm"),
        (dict(BSECO, S=[90.0, 100.0], K=[1.0, 2.0, 3.0]), ValueError, "broadcast"),
        (dict(BSECO, grid=(100,)), ValueError, "grid"),
    ]
    for keywords, error, words in mistakes:
        with pytest.raises(error, match=words):
            kzr.price("BSECO", **keywords)
    with pytest.raises(TypeError, match="'sigma'"):
        kzr.price("BSECO", 1, 100, 100)
    with pytest.raises(TypeError, match="not both"):
        kzr.price("BSECO", 1, S=100)
    with pytest.raises(TypeError, match="no vector form"):
        kzr.vector("BSECO", **BSECO)


def test_library_messages_become_warnings():
    with pytest.warns(kzr.LibraryWarning, match="Tree steps out of range, value undefined"):
        value = kzr.price("BINAPO", **BSECO, steps=0)
    assert math.isnan(value)
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        kzr.price("BINAPO", **BSECO, steps=50)  # a call without messages warns nothing


@pytest.mark.parametrize("code, row", [
    ("BSECO", (1.0, 100.0, 100.0, 0.2, 0.05, 0.02)),
    ("BLACK76EPO", (0.5, 105.0, 100, 0.25, 0.03)),  # an int among the floats
    ("DOWNOUTECO", (1.0, 100.0, 90.0, 100.0, 0.2, 0.05, 0.02, 3.0)),
    ("BINAPO", (1.0, 100.0, 100.0, 0.2, 0.05, 0.02)),
    ("BSEPO", (-1.0, 100.0, 100.0, 0.2, 0.05, 0.02)),  # refused inputs: the undefined value
])
def test_a_scalar_call_answers_as_one_point_of_an_array(code, row):
    # A scalar call of a plain code without options takes a road of its own through the
    # extension; it must answer, to the bit, what the general road answers for one point.
    names = next(c.inputs for c in kzr.codes() if c.code == code)
    general = kzr.price(code, *[np.array([value]) for value in row])[0]
    for value in (kzr.price(code, *row), kzr.price(code, **dict(zip(names, row)))):
        assert type(value) is float
        assert np.array_equal(value, general, equal_nan=True)
        if math.isnan(general):
            assert np.float64(value).view(np.int64) == np.float64(general).view(np.int64)


def test_a_scalar_call_reports_messages_as_the_general_road():
    with pytest.warns(kzr.LibraryWarning, match="Input data error, value undefined"):
        value = kzr.price("LBFLSTECO", T=1, S=100, m=120, sigma=0.2, r=0.05, q=0.02)
    assert math.isnan(value)
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        kzr.price("LBFLSTECO", T=1, S=100, m=90, sigma=0.2, r=0.05, q=0.02)  # nothing said


def test_every_option_keyword_of_price_is_tested_before_the_short_road():
    # A keyword of price() that the short road does not test would be ignored there.
    import inspect
    keywords = {name for name, p in inspect.signature(kzr.price).parameters.items()
                if p.kind is inspect.Parameter.KEYWORD_ONLY}
    assert keywords == set(kzr._SHORT_ROAD_KEYWORDS)


def test_refusals():
    # The library refuses tables too long for the code; the module turns that into RefusedError
    # (the Python layer never builds such a table, so the host part is called directly).
    refused, values, said = kzr._host.price(kzr.LIBRARY, "BSECO", False, np.zeros((1, 40, 1)), [])
    assert refused[0] and math.isnan(values[0])
    assert said[0][1].startswith("Input tables refused:")
    # An unknown fixed-income function is answered with status 0 and the library's message.
    with pytest.warns(kzr.LibraryWarning, match="Unknown fixed-income function: NoSuchFunction"):
        answer = kzr.fi("NoSuchFunction", Coupon=0.05)
    assert answer.status == 0 and math.isnan(answer.scalar)


def test_codes_lists_the_catalogue():
    catalogue = kzr.codes()
    listed = [line.split()[0] for line in tool("codes") if line[:1].isupper() and
              not line.startswith("Options")]
    assert [entry.code for entry in catalogue] == listed
    bseco = next(entry for entry in catalogue if entry.code == "BSECO")
    assert bseco.inputs == ("T", "S", "K", "sigma", "r", "q") and not bseco.counted


def test_codes_show_sizes_and_options_as_the_tool_does():
    """Each code's sizes and options are the code tables', as `kzr codes` shows them on the line
    after the code; a default shown is the size priced."""
    lines = tool("codes")
    for entry in kzr.codes():
        shown = lines[lines.index(next(l for l in lines if l.split()[:1] == [entry.code])) + 1]
        flags = {word for word in shown.split("options:")[1].split()} - {"none"}
        assert flags == {"--" + name.replace("_", "-") for name in entry.options}, entry.code
        assert all(name in shown.split("; options:")[0] for name in entry.sizes), entry.code
    catalogue = {entry.code: entry for entry in kzr.codes()}
    assert catalogue["ALTIPLANOEO"].options == ("seed", "sobol")
    assert catalogue["BSECO"].sizes == {} and catalogue["BSECO"].options == ("negative_rates",)
    grid = catalogue["BSAPO"].sizes["grid"]
    assert grid.keyword == "grid" and grid.precise is None
    put = (1, 100, 100, 0.2, 0.05, 0.02)
    assert kzr.price("BSAPO", *put, grid=grid.default) == kzr.price("BSAPO", *put)
    levels = catalogue["RAINBOWMAX2ACO"].sizes["levels"]
    assert levels.keyword == "steps" and levels.fixed and levels.default == 200
    assert catalogue["POWEREDECO"].sizes["steps"].precise == "given"
    steps = catalogue["QUANTOFSFEACO"].sizes["steps"]
    quanto = (1, 100, 1.2, 100, 0.2, 0.1, 0.3, 0.05, 0.02)
    assert (kzr.price("QUANTOFSFEACO", *quanto, precise=True, steps=steps.precise) ==
            kzr.price("QUANTOFSFEACO", *quanto, precise=True) !=
            kzr.price("QUANTOFSFEACO", *quanto, steps=steps.default))


DEMO = os.path.join(os.path.dirname(__file__), "..", "..", "tools", "kzr", "demo")
KEYWORDS = {"--mode": "mode", "--greek": "greek", "--paths": "paths", "--steps": "steps",
            "--seed": "seed"}


def demo_calls():
    """The demo portfolio's lines as (words, code, rows, keywords): codes other helpers add come
    with their demo lines, so these tests grow with the catalogue."""
    calls = []
    for name in sorted(os.listdir(DEMO)):
        with open(os.path.join(DEMO, name)) as lines:
            for line in lines:
                words = line.split()
                if not words or words[0].startswith("#"):
                    continue
                rows, keywords, i = [], {}, 2
                while i < len(words):
                    word = words[i]
                    if word == "--precise":
                        keywords["precise"] = True
                    elif word == "--grid":
                        i += 1
                        keywords["grid"] = tuple(float(v) for v in words[i].split(","))
                    elif word.startswith("--"):
                        i += 1
                        keywords[KEYWORDS[word]] = words[i]
                    else:
                        values = [float(v) for v in word.split(",")]
                        rows.append(values[0] if len(values) == 1 else values)
                    i += 1
                calls.append((words, words[1], rows, keywords))
    return calls


def test_a_simulated_price_repeats_with_a_seed():
    simulated = {e.code for e in kzr.codes() if "Monte Carlo" in e.description}
    calls = [c for c in demo_calls() if c[0][0] == "price" and
             (c[1] in simulated or "paths" in c[3])]
    if not calls:
        pytest.skip("no Monte Carlo code in the demo portfolio yet")
    for words, code, rows, keywords in calls:
        keywords = dict(keywords, seed=20261210)
        first = kzr.price(code, *rows, **keywords)
        assert kzr.price(code, *rows, **keywords) == first
        assert float(tool(*words, "--seed", "20261210")[-1]) == first


def test_vector_answers_as_the_tool_and_broadcasts():
    calls = [c for c in demo_calls() if c[0][0] == "vector"]
    if not calls:
        pytest.skip("no vector call in the demo portfolio yet")
    counted = {e.code for e in kzr.codes() if e.counted}
    for words, code, rows, keywords in calls:
        keywords = dict(keywords, seed=20261210)
        values = kzr.vector(code, *rows, **keywords)
        printed = [float(v) for v in tool(*words, "--seed", "20261210")[-1].split()]
        assert list(values) == printed
        if code not in counted:  # two points of the first input: one row of values each
            pair = kzr.vector(code, np.array([rows[0], rows[0]]), *rows[1:], **keywords)
            assert pair.shape == (2, len(values))
            np.testing.assert_array_equal(pair[0], values)


def test_fixed_bond_is_its_annuity_with_dated_flows():
    bond = kzr.fi("FixedBond", IssueDate=datetime.date(2020, 1, 15),
                  MaturityDate=datetime.date(2040, 1, 15),
                  SettlementDate=datetime.date(2020, 1, 15), Coupon=0.09, Yield=0.06)
    # 40 semiannual coupons of 4.5 and the face, discounted at 3% a period.
    annuity = (1 - 1.03 ** -40) / 0.03
    assert bond.status == 1
    assert bond.scalar == pytest.approx(4.5 * annuity + 100 * 1.03 ** -40, abs=1e-9)
    assert bond.values[3] == pytest.approx(0.06, abs=1e-15)
    assert bond.dated[0][0] == datetime.date(2020, 7, 15)
    assert bond.dated[0][1] == pytest.approx(4.5, abs=1e-12)
    assert sum(amount for _, amount in bond.dated) == pytest.approx(40 * 4.5 + 100, abs=1e-9)
    day_count = kzr.fi("DayCount", StartDate=datetime.date(2024, 1, 1),
                       EndDate=datetime.date(2024, 7, 1), DayCounter="Actual360")
    assert day_count.scalar == (datetime.date(2024, 7, 1) - datetime.date(2024, 1, 1)).days


def test_greek_of_a_code_whose_engine_computes_none_is_the_tools_figure():
    # BSECO answers its price (9.227) whatever entry 1 holds: greek= gives kzr greeks' figure,
    # theta as one day's change, against the Black-Scholes delta and the formula a day later.
    d1 = (0.05 - 0.02 + 0.02) / 0.2
    assert kzr.price("BSECO", **BSECO, greek="delta") == pytest.approx(
        math.exp(-0.02) * normal(d1), abs=1e-8)
    one_day = black_scholes(**dict(BSECO, T=1 - 1 / 365)) - black_scholes(**BSECO)
    assert kzr.price("BSECO", **BSECO, greek="theta") == pytest.approx(one_day, abs=1e-10)
    spots = np.array([90.0, 110.0])
    deltas = kzr.price("BSECO", **dict(BSECO, S=spots), greek="delta")
    for spot, delta in zip(spots, deltas):
        d = (math.log(spot / 100) + 0.05) / 0.2
        assert delta == pytest.approx(math.exp(-0.02) * normal(d), abs=1e-7)
    with pytest.raises(ValueError, match="BSAPOCrit has no spot"):
        kzr.price("BSAPOCrit", 1, 100, 0.2, 0.05, 0.02, greek="gamma")


def test_a_counted_row_of_one_value_refuses_several():
    everest = dict(n=2, T=1.0, notional=100.0, sigma_i=[0.2, 0.3], rho_ij=[1, 0.5, 0.5, 1],
                   r=0.05, q_i=[0.0, 0.0])
    # T = [1, 2] would price T = 1 alone and answer one number.
    with pytest.raises(TypeError, match="'T' takes one value, not 2"):
        kzr.price("EVERESTEO", **dict(everest, T=np.array([1.0, 2.0])), paths=100, seed=1)
    assert math.isfinite(kzr.price("EVERESTEO", **everest, paths=100, seed=1))


def test_fixed_income_keys_the_function_does_not_take_fail():
    terms = dict(IssueDate=datetime.date(2020, 1, 15), MaturityDate=datetime.date(2040, 1, 15),
                 SettlementDate=datetime.date(2020, 1, 15), Coupon=0.09, Yield=0.06)
    # Each would be ignored and the semiannual bond priced (134.672; annual 134.410).
    for extra, words in [(dict(Frequncy="Annual"), 'takes no text "Frequncy"'),
                         (dict(Frequency=1), 'takes no number "Frequency"'),
                         (dict(Cupon=3), 'takes no number "Cupon"')]:
        with pytest.warns(kzr.LibraryWarning, match=words):
            answer = kzr.fi("FixedBond", **terms, **extra)
        assert answer.status == 0 and math.isnan(answer.scalar)
    annual = kzr.fi("FixedBond", **terms, Frequency="Annual")
    assert annual.scalar == pytest.approx(9 * (1 - 1.06 ** -20) / 0.06 + 100 * 1.06 ** -20,
                                          abs=1e-9)


def test_the_interface_numbers_come_from_the_extension():
    # The host interface's positions, as a host written against its documentation uses them.
    assert kzr.ENTRIES == {"mode": 0, "greek": 1, "grid": 2, "paths": 3, "steps": 4, "options": 5}
    assert kzr.SENSITIVITIES == ("price", "delta", "gamma", "vega", "theta", "rho")
    assert kzr.OPTIONS["seed"] == 0 and kzr.OPTIONS["numerics"] == 1
    assert kzr.ENTRY_VALUES >= len(kzr.OPTIONS)
    # A selector given by its position in SENSITIVITIES is the selector of that name.
    everest = dict(n=2, T=1, notional=100, sigma_i=[0.2, 0.3], rho_ij=[1, 0.5, 0.5, 1], r=0.05,
                   q_i=[0, 0])
    for name in ("delta", "vega"):
        by_name = kzr.vector("EVERESTEO", **everest, paths=200, seed=3, greek=name)
        by_number = kzr.vector("EVERESTEO", **everest, paths=200, seed=3,
                               greek=kzr.SENSITIVITIES.index(name))
        assert list(by_name) == list(by_number)


# A call on the maximum of one asset is a European call: n, T, S_i, K, sigma_i, rho_ij, r, q_i.
EUROPEAN = [1, 1, 100, 100, 0.2, 1, 0.05, 0.02]


def test_stderr_returns_the_blocks_estimate_and_its_error():
    value, error = kzr.price("RAINBOWMAXECO", *EUROPEAN, paths=3200, seed=5, stderr=True)
    assert isinstance(value, float) and isinstance(error, float)
    assert abs(value - black_scholes(**BSECO)) < 4 * error
    words = ["price", "RAINBOWMAXECO", *EUROPEAN, "--paths", 3200, "--seed", 5, "--stderr"]
    printed, printederror = tool(*words)  # the tool prints the same estimate and error
    label, number = printederror.split()
    assert (float(printed), label, float(number)) == (value, "stderr", error)
    # One block is the single call, with no error.
    alone, none = kzr.price("RAINBOWMAXECO", *EUROPEAN, paths=3200, seed=5, stderr=True,
                            blocks=1)
    assert alone == kzr.price("RAINBOWMAXECO", *EUROPEAN, paths=3200, seed=5)
    assert math.isnan(none)


def test_stderr_broadcasts_and_covers_vectors():
    spots = np.array([[90.0, 100.0, 110.0]])
    values, errors = kzr.price("ASIANAARECO", 1, 1, spots, 100, 100, 0.2, 0.05, 0.02, paths=800,
                               seed=5, stderr=True, blocks=8)
    assert values.shape == errors.shape == (1, 3)
    assert (errors > 0).all()
    assert values[0, 1] == kzr.price("ASIANAARECO", 1, 1, 100, 100, 100, 0.2, 0.05, 0.02,
                                     paths=800, seed=5, stderr=True, blocks=8)[0]
    rows = (2, 1, 100, [0.2, 0.3], [1, 0.5, 0.5, 1], 0.05, [0, 0])
    vegas, vegaerrors = kzr.vector("EVERESTEO", *rows, greek="vega", paths=3200, seed=5,
                                   stderr=True, blocks=8)
    assert vegas.shape == vegaerrors.shape == (2,)
    assert (vegaerrors > 0).all()


@pytest.mark.parametrize("code, row, keywords, says", [
    ("BSECO", [1, 100, 100, 0.2, 0.05, 0.02], dict(stderr=True), "not a simulation"),
    ("RAINBOWMAXECO", EUROPEAN, dict(stderr=True), "paths"),
    ("RAINBOWMAXECO", EUROPEAN, dict(paths=100, blocks=4), "blocks goes with stderr"),
    ("RAINBOWMAXECO", EUROPEAN, dict(paths=100, stderr=True, blocks=0), "whole number"),
    ("HIMALAYAEO", [2, 1, 100, [0.2, 0.3], [1, 0.5, 0.5, 1], 0.05, [0, 0]],
     dict(paths=100, stderr=True, greek="delta"), "blocks 1"),
])
def test_stderr_refuses_what_has_no_error(code, row, keywords, says):
    with pytest.raises(ValueError, match=says):
        kzr.price(code, *row, **keywords)

"""kzr from Python: prices contracts through libkzr.so, loaded as any host loads it.

    >>> import kzr
    >>> kzr.price("BSECO", T=1, S=100, K=100, sigma=0.2, r=0.05, q=0.02)
    9.227005508154036

Inputs are named as in the code table (``kzr.codes()`` lists every code with its inputs), or
given in row order. Any input of a plain code may be an array: the inputs are broadcast together
and the result has their broadcast shape, every point priced in the one loaded library, so that
its caches work from point to point and from call to call. The rows of a counted code (one whose
input list ends with "...": a number of assets, then one value per asset) are given in row order
as sequences and priced as one table; a row of one value (n, T, r, ...) given several raises
``TypeError``.

The parameter entries are keywords: ``mode``, ``greek`` (a name of ``kzr.SENSITIVITIES`` or its
position there), ``grid=(N, M)``, ``paths``, ``steps``, and the library options ``seed``
(a fixed seed for every random source of the call) and ``precise`` (the precise numerics: the
precise bivariate normal, and converged American vanilla prices and critical prices, to about
1e-9 relative, for BSACO, BSAPO, BINACO, BINAPO and their Crit codes, which then ignore ``grid``
and ``steps``; converged American knock-outs and knock-ins, about 1e-5 relative, for DOWNINACO
to UPOUTAPO, the knock-outs' Crit codes, the double barriers DBKNOCKOUTACO/APO and
DBKNOCKINACO/APO and the lookbacks LBFLSTACO to LBFLSTAPOCrit (the knock-outs' Crit codes to
about 3e-5, 1e-4 for a boundary far from the strike, the lookbacks' to about 1e-4),
for which ``grid`` keeps its meaning, the option improving the method at those sizes; the
American quantos' trees, smoothed and extrapolated; and the symmetric power codes POWEREDECO/EPO,
their payoff integrated over the lognormal law, or with ``steps`` a tree of those steps improved
likewise) and ``negative_rates`` (rates and dividend yields, r, rf, q, q1, q2,
q_i, may be negative in the codes whose formulas hold with them: the closed forms, the American
vanillas and the simulated rainbows; any other code refuses a negative one, naming it, and
without the keyword every negative rate or yield is refused), ``sobol=True`` (simulations draw
from a randomised Sobol sequence through the Brownian bridge; runs at different seeds are
independent replicates) and ``control=True`` (simulations correct their price by the contract's
control variates). A keyword left out leaves its entry at the library's default.

``greek`` follows the rule of every kzr front: a simulation's engine computes the sensitivity
itself, and gives it as the library does (theta per year); any other code would answer its price,
so its sensitivity is taken as ``kzr greeks`` takes it, in the first input of the greek's kind
(the first spot: S1 of a spread, S of a quanto; the first volatility; the first rate), theta as
one day's change (per day). A code with no input of the kind raises ``ValueError``.

``stderr=True`` (with ``blocks=B``, 32 when left out) prices a simulation as B seeded blocks, as
``kzr price ... --stderr`` does, and returns ``(value, error)``: the blocks' combined estimate,
not the single call's answer, and its standard error (arrays of the result's shape when inputs
are arrays, every point at one seed). It needs ``paths``; a code that does not simulate raises
``ValueError``, as do HIMALAYAEO's sensitivities unless ``blocks=1`` (whose error is NaN).

``greeks`` and ``solve`` give what ``kzr greeks`` and ``kzr solve`` print (kzr/_sensitivities.py
says how). A keyword that is neither an input of the code nor an option raises ``TypeError``
naming it and listing both.

The library's messages arrive as ``LibraryWarning``s; a call the library refused raises
``RefusedError`` with its message.
"""

import collections
import datetime
import inspect
import numbers
import warnings

import numpy as np

from . import _host
from ._location import LIBRARY

__all__ = ["price", "vector", "greeks", "solve", "fi", "codes", "Code", "Size", "FixedIncomeResult",
           "RefusedError", "LibraryWarning", "ENTRIES", "SENSITIVITIES", "OPTIONS", "ENTRY_VALUES",
           "SAME_TOLERANCE", "SolveError"]

# The interface's numbers, as the extension exports them from the library's own header: the
# parameter entries by keyword and position, the sensitivity selector's names at their numbers,
# the library options of the options entry by value position, how many values a parameter row
# holds, and the tolerance within which two contract terms are the same for the caches.
ENTRIES = dict(_host.entries)
SENSITIVITIES = tuple(_host.sensitivities)
OPTIONS = dict(_host.options)
ENTRY_VALUES = _host.entryvaluecount
SAME_TOLERANCE = _host.sametolerance

Code = collections.namedtuple("Code", "code description inputs vector counted sizes options")
Code.__doc__ = """A contract code: its description, its input names in row order, whether
funvec serves it (``kzr.vector``), whether it reads a counted row table, the sizes it prices
with (a dict from "grid", "steps", "levels" or "paths" to a ``Size``) and the keywords of the
library options that apply to it ("seed", "precise", "sobol", "control", "negative_rates"; any
other is ignored, but ``negative_rates``, which the code refuses)."""

Size = collections.namedtuple("Size", "keyword default precise fixed")
Size.__doc__ = """A size a code prices with: the keyword that sets it ("grid", "steps" or
"paths"; None for a fixed size), its default (a number, (N, M) for a grid; None where only
``precise=True`` reads it), its default under ``precise=True`` (None where it is then not read;
"given" where it is then read only when given, the method needing none by default) and whether
it is fixed without ``precise=True`` (the keyword then read only with it)."""

# The keywords of the library options, by value position (what the tool calls --precise ...).
_OPTION_KEYWORDS = {OPTIONS["seed"]: "seed", OPTIONS["numerics"]: "precise",
                    OPTIONS["sobol"]: "sobol", OPTIONS["controlvariates"]: "control",
                    OPTIONS["negativerates"]: "negative_rates"}
_ENTRY_KEYWORDS = {position: name for name, position in ENTRIES.items()}


def _size(entry, value, second, precise, precise_second, fixed):
    def shown(n, m):
        return None if n == 0 else (n, m) if entry == ENTRIES["grid"] else n
    keyword = _ENTRY_KEYWORDS[entry] if entry >= 0 else None
    under_precise = "given" if precise < 0 else shown(precise, precise_second)
    return Size(keyword, shown(value, second), under_precise, fixed or entry < 0)

FixedIncomeResult = collections.namedtuple("FixedIncomeResult", "status scalar values dated")
FixedIncomeResult.__doc__ = """What a fixed-income function answered: its status and scalar,
its values (an array) and its dated values, a list of (datetime.date, amount)."""


class RefusedError(RuntimeError):
    """The library refused the call (its message, when it gave one, is the text)."""


class LibraryWarning(UserWarning):
    """A message the library wrote during a call."""


_catalogue = None
_bycode = None


def codes():
    """Every contract code the library registers, in catalogue order, as ``Code`` tuples."""
    global _catalogue, _bycode
    if _catalogue is None:
        _catalogue = [Code(c, d, tuple(i), v, n, {s[0]: _size(*s[1:]) for s in sizes},
                           tuple(_OPTION_KEYWORDS[o] for o in options))
                      for c, d, i, v, n, sizes, options in _host.codes()]
        _bycode = {entry.code: entry for entry in _catalogue}
    return list(_catalogue)


def _entry(code):
    if _bycode is None:
        codes()
    entry = _bycode.get(code) if isinstance(code, str) else None
    if entry is None:
        raise KeyError(f"unknown contract code {code!r} (kzr.codes() lists the codes)")
    return entry


def _options(mode, greek, grid, paths, steps, seed, precise, negative_rates=False, sobol=False,
             control=False):
    given = []
    for name, value in (("mode", mode), ("greek", greek), ("paths", paths), ("steps", steps),
                        ("seed", seed)):
        if value is not None:
            given.append(("--" + name, value if isinstance(value, str) else str(value)))
    if grid is not None:
        sizes = tuple(grid)
        if len(sizes) != 2:
            raise ValueError("grid takes two sizes, (N, M)")
        given.append(("--grid", f"{sizes[0]},{sizes[1]}"))
    if precise:
        given.append(("--precise", ""))
    if negative_rates:
        given.append(("--negative-rates", ""))
    if sobol:
        given.append(("--sobol", ""))
    if control:
        given.append(("--control", ""))
    return given


def _keywords(function):
    """The option keywords of a public function, as its signature names them."""
    return [name for name, parameter in inspect.signature(function).parameters.items()
            if parameter.kind == inspect.Parameter.KEYWORD_ONLY]


def _checknames(entry, named, function):
    """Refuses a keyword that is neither an input of the code nor an option of the function."""
    for name in named:
        if name not in entry.inputs:
            raise TypeError(f"{function.__name__}() of {entry.code} got an unknown keyword "
                            f"{name!r} (its inputs: {', '.join(entry.inputs)}; the options: "
                            f"{', '.join(_keywords(function))})")


def _inputs(entry, rows, named):
    """The data tables, one per point, and the broadcast shape of the points."""
    if rows and named:
        raise TypeError(f"{entry.code} takes its inputs by name or in row order, not both")
    if named:
        missing = [name for name in entry.inputs if name not in named]
        if missing:
            raise TypeError(f"{entry.code} is missing input {missing[0]!r}")
        rows = [named[name] for name in entry.inputs]
    if entry.counted:
        # The correlations rho_ij may come as the n x n matrix itself; the table takes it
        # row-major in one row.
        table = [np.asarray(row, dtype=float) for row in rows]
        table = [row.ravel() if row.ndim == 2 and name.endswith("_ij") else np.atleast_1d(row)
                 for name, row in zip(entry.inputs, table)]
        if any(row.ndim != 1 for row in table):
            raise TypeError(f"each row of {entry.code} is a number or a sequence of numbers")
        for name, row in zip(entry.inputs, table):
            # The code table names a row of one value per asset name_i, the correlations rho_ij;
            # any other row takes one value, and the library would read only the first of more.
            if row.size > 1 and not name.endswith(("_i", "_ij")):
                raise TypeError(f"{entry.code}'s input {name!r} takes one value, not {row.size} "
                                f"(a counted code prices one table: call it once per value)")
        width = max((row.size for row in table), default=1)
        padded = np.zeros((1, len(table), width))
        for i, row in enumerate(table):
            padded[0, i, :row.size] = row
        return padded, ()
    if len(rows) != len(entry.inputs):
        if len(rows) < len(entry.inputs):
            raise TypeError(f"{entry.code} is missing input {entry.inputs[len(rows)]!r}")
        raise TypeError(f"{entry.code} takes {len(entry.inputs)} inputs "
                        f"({', '.join(entry.inputs)}), not {len(rows)}")
    arrays = [np.asarray(row, dtype=float) for row in rows]
    shape = np.broadcast_shapes(*[a.shape for a in arrays])
    # Each input is broadcast straight into its row of the tables, without copies between.
    tables = np.empty(shape + (len(arrays), 1))
    for j, a in enumerate(arrays):
        tables[..., j, 0] = a
    return tables.reshape(-1, len(arrays), 1), shape


def _blocks(stderr, blocks):
    """The blocks the extension prices each point in: 0 for no standard error."""
    if blocks is not None and not stderr:
        raise ValueError("blocks goes with stderr=True: it sets the blocks of the standard error")
    if not stderr:
        return 0
    if blocks is None:
        return 32
    if isinstance(blocks, bool) or not isinstance(blocks, numbers.Integral) or \
            not 1 <= blocks <= 1000000:
        raise ValueError("blocks takes a whole number from 1 to 1000000")
    return int(blocks)


def _call(code, rows, named, options, vector, blocks=0):
    entry = _entry(code)
    _checknames(entry, named, globals()["vector" if vector else "price"])
    if vector and not entry.vector:
        raise TypeError(f"{code} has no vector form (use kzr.price)")
    tables, shape = _inputs(entry, rows, named)
    answer = _host.price(LIBRARY, code, vector, tables, _options(**options), blocks)
    refused, results, said = answer[:3]
    errors = answer[3] if blocks else None
    point = int(np.argmax(refused)) if refused.any() else -1
    _report(code, [line for _, line in said], point >= 0,
            [line for i, line in said if i == point])
    return results, shape, errors


def _report(code, said, refused, refusal, stacklevel=4):
    """Warns once per line the library said; raises RefusedError with the refused point's lines.
    stacklevel: the user's call as warnings.warn counts from here."""
    for text in dict.fromkeys(said):
        warnings.warn(text, LibraryWarning, stacklevel=stacklevel)
    if refused:
        raise RefusedError(f"the library refused the call of {code}"
                           + (": " + "; ".join(refusal) if refusal else ""))


# The keywords of price() that price() tests before the short road (a scalar call of a plain code
# that sets none of them, kzr._host.point); a keyword added to price() belongs here and in that
# test (tests/python checks the list against the signature).
_SHORT_ROAD_KEYWORDS = ("mode", "greek", "grid", "paths", "steps", "seed", "precise",
                        "negative_rates", "sobol", "control", "stderr", "blocks")


def price(code, *rows, mode=None, greek=None, grid=None, paths=None, steps=None, seed=None,
          precise=False, negative_rates=False, sobol=False, control=False, stderr=False,
          blocks=None, **inputs):
    """The price (or the sensitivity asked by ``greek``) of contract ``code``: a float, or an
    array of the inputs' broadcast shape; with ``stderr=True``, ``(value, error)``."""
    if (mode is None and greek is None and grid is None and paths is None and steps is None
            and seed is None and not precise and not negative_rates and not sobol and not control
            and not stderr and blocks is None):
        answer = _host.point(LIBRARY, code, rows, inputs)
        if answer.__class__ is float:
            return answer
        if answer is not None:
            refused, value, said = answer
            _report(code, said, refused, said, stacklevel=3)
            return value
    options = dict(mode=mode, greek=greek, grid=grid, paths=paths, steps=steps, seed=seed,
                   precise=precise, negative_rates=negative_rates, sobol=sobol,
                   control=control)
    values, shape, errors = _call(code, rows, inputs, options, vector=False,
                                  blocks=_blocks(stderr, blocks))

    def shaped(figures):
        return float(figures[0]) if shape == () else figures.reshape(shape)
    return shaped(values) if errors is None else (shaped(values), shaped(errors))


def vector(code, *rows, mode=None, greek=None, grid=None, paths=None, steps=None, seed=None,
           precise=False, negative_rates=False, sobol=False, control=False, stderr=False,
           blocks=None, **inputs):
    """What funvec answers for ``code`` (the per-asset sensitivities): an array, with the
    inputs' broadcast shape in front when inputs are arrays; with ``stderr=True``,
    ``(values, errors)``."""
    options = dict(mode=mode, greek=greek, grid=grid, paths=paths, steps=steps, seed=seed,
                   precise=precise, negative_rates=negative_rates, sobol=sobol,
                   control=control)
    values, shape, errors = _call(code, rows, inputs, options, vector=True,
                                  blocks=_blocks(stderr, blocks))

    def shaped(figures):
        if shape == ():
            return figures[0]
        if len({v.size for v in figures}) != 1:
            raise RefusedError(f"{code} answered vectors of different lengths across the points")
        return np.stack(figures).reshape(shape + (figures[0].size,))
    return shaped(values) if errors is None else (shaped(values), shaped(errors))


def fi(name, **keys):
    """Calls the fixed-income function ``name`` (docs/fixedincome.md lists them and their keys).
    Each key's value is a number, a ``datetime.date``, a text or a sequence of numbers (a list);
    ``series8``, ``series9`` and ``table10`` take sequences of rows. Returns a
    ``FixedIncomeResult``."""
    numbers_, dates, texts, lists = [], [], [], []
    tables = {"series8": [], "series9": [], "table10": []}
    for key, value in keys.items():
        if key in tables:
            tables[key] = [list(map(float, np.atleast_1d(row))) for row in value]
        elif isinstance(value, datetime.date):
            dates.append((key, (float(value.year), float(value.month), float(value.day))))
        elif isinstance(value, str):
            texts.append((key, value))
        elif isinstance(value, numbers.Real):
            numbers_.append((key, float(value)))
        else:
            lists.append((key, [float(v) for v in np.asarray(value, dtype=float).ravel()]))
    answered, status, scalar, values, dated, said = _host.fixedincome(
        LIBRARY, name, numbers_, dates, texts, lists, tables["series8"], tables["series9"],
        tables["table10"])
    for text in dict.fromkeys(said):
        warnings.warn(text, LibraryWarning, stacklevel=2)
    if not answered:
        raise RefusedError(f"the library refused the fi call of {name}"
                           + (": " + "; ".join(said) if said else ""))
    dated = [(datetime.date(int(y), int(m), int(d)), amount) for (y, m, d), amount in dated]
    return FixedIncomeResult(int(status) if np.isfinite(status) else status, scalar, np.asarray(values, dtype=float), dated)


# Greeks and implied inputs: their own module, over the same helpers.
from ._sensitivities import SolveError, greeks, solve  # noqa: E402

"""Greeks and implied inputs of any code, as ``kzr greeks`` and ``kzr solve`` take them (the same
library routines over the same loaded library, so the same numbers).

    >>> g = kzr.greeks("BSECO", T=1, S=100, K=100, sigma=0.2, r=0.05, q=0.02)
    >>> g["price"], g["delta"]["S"], g["vega"]["sigma"], g["theta"]["dates"]
    >>> kzr.solve("BSECO", T=1, S=100, K=100, r=0.05, q=0.02, target=9.227, solve_for="sigma")

``greeks`` answers a dict: "price", then "delta", "gamma", "vega", "theta" and "rho" (or those
``only`` names), each a dict from the input it is taken in to its value: each spot for delta and
gamma, each volatility for vega, each rate for rho; theta moves every date at once and is keyed
"dates". A simulation gives its engine's own figures, one per asset ("asset 1", ...) where it
has a vector form. A greek whose kind of input the code lacks is NaN in place of the dict.
Inputs may be arrays as for ``kzr.price``: every number is then an array of their broadcast
shape. The conventions (steps, units, theta per day) are those of ``kzr --help``.

``solve`` answers the value of input ``solve_for`` at which the price is ``target`` (which may be
an array, broadcast with the inputs), searched inside ``bracket=(LO, HI)`` or the input's role's
bracket; the input itself may be left out when its role gives the bracket (a volatility, a rate,
a correlation). When no value gives the price it raises ``SolveError`` with the reason the tool
gives; a call the library refused raises ``RefusedError``.
"""

import warnings

import numpy as np

from . import (LIBRARY, RefusedError, LibraryWarning, _checknames, _entry, _host, _inputs,
               _options)


class SolveError(ValueError):
    """No value of the input inside the bracket gives the target price (the tool's reason)."""


SolveError.__module__ = "kzr"  # raised and caught as kzr.SolveError


def _warn(said):
    for text in dict.fromkeys(line for _, line in said):
        warnings.warn(text, LibraryWarning, stacklevel=3)


def _settings(grid, paths, steps, seed, precise, negative_rates, sobol, control):
    return _options(mode=None, greek=None, grid=grid, paths=paths, steps=steps, seed=seed,
                    precise=precise, negative_rates=negative_rates, sobol=sobol, control=control)


def greeks(code, *rows, only=None, grid=None, paths=None, steps=None, seed=None, precise=False,
           negative_rates=False, sobol=False, control=False, **inputs):
    """The price and greeks of contract ``code``: a dict (see the module's text). ``only``
    names the greeks wanted ("delta,gamma" or a sequence of names)."""
    entry = _entry(code)
    _checknames(entry, inputs, greeks)
    tables, shape = _inputs(entry, rows, inputs)
    names = [] if only is None else (only.split(",") if isinstance(only, str) else list(only))
    points, said = _host.greeks(LIBRARY, code, tables,
                                _settings(grid, paths, steps, seed, precise, negative_rates, sobol, control), names)
    _warn(said)
    for i, (refused, _, _) in enumerate(points):
        if refused:
            lines = [line for point, line in said if point == i]
            raise RefusedError(f"the library refused the call of {code}"
                               + (": " + "; ".join(lines) if lines else ""))
    # Each figure's place, in the order of the first point (every point of a plain code has the
    # same inputs, hence the same figures).
    places = {}
    for greek, name, available, _ in points[0][2]:
        places.setdefault((greek, name if available and name else None), len(places))
    values = np.full((len(points), len(places)), np.nan)
    prices = np.empty(len(points))
    for i, (_, price, figures) in enumerate(points):
        prices[i] = price
        for greek, name, available, value in figures:
            at = places.get((greek, name if available and name else None))
            if at is not None and available:
                values[i, at] = value

    def shaped(column):
        return float(column[0]) if shape == () else column.reshape(shape)

    answer = {"price": shaped(prices)}
    for (greek, name), at in places.items():
        if greek == "theta" and name is None and not np.isnan(values[:, at]).all():
            name = "dates"  # theta moves every date of the contract at once
        if name is None:
            answer[greek] = np.nan if shape == () else np.full(shape, np.nan)
        else:
            answer.setdefault(greek, {})[name] = shaped(values[:, at])
    return answer


def solve(code, *rows, target, solve_for, bracket=None, grid=None, paths=None, steps=None,
          seed=None, precise=False, negative_rates=False, sobol=False, control=False, **inputs):
    """The value of input ``solve_for`` of ``code`` at which its price is ``target``: a float,
    or an array of the broadcast shape of the inputs and the target."""
    entry = _entry(code)
    _checknames(entry, inputs, solve)
    if solve_for not in entry.inputs:
        raise TypeError(f"{code} has no input named {solve_for!r} "
                        f"(its inputs: {', '.join(entry.inputs)})")
    if inputs and solve_for not in inputs:
        inputs[solve_for] = 0.0  # its role's bracket does not need a value
    if bracket is not None:
        bracket = tuple(float(end) for end in bracket)
        if len(bracket) != 2 or not np.isfinite(bracket).all() or not bracket[0] < bracket[1]:
            raise ValueError("bracket takes two finite ends, (LO, HI) with LO below HI")
    goal = np.asarray(target, dtype=float)
    if entry.counted:
        if goal.size != 1:
            raise TypeError(f"{code} prices one table: solve it once per target")
        tables, shape = _inputs(entry, rows, inputs)
        targets = goal.reshape(1)
    else:
        given = list(inputs.values()) if inputs else list(rows)
        common = np.broadcast_shapes(goal.shape, *(np.shape(value) for value in given))
        spread = lambda value: np.broadcast_to(np.asarray(value, dtype=float), common)
        if inputs:
            tables, shape = _inputs(entry, (), {k: spread(v) for k, v in inputs.items()})
        else:
            tables, shape = _inputs(entry, tuple(spread(v) for v in rows), {})
        targets = np.broadcast_to(goal, common).reshape(-1)
    points, said = _host.solve(LIBRARY, code, tables, [float(t) for t in targets],
                               _settings(grid, paths, steps, seed, precise, negative_rates, sobol, control), solve_for, bracket)
    _warn(said)
    found = np.empty(len(points))
    for i, (ok, refused, value, message) in enumerate(points):
        if not ok:
            where = "" if shape == () else f" (point {np.unravel_index(i, shape)})"
            raise (RefusedError if refused else SolveError)(message + where)
        found[i] = value
    return float(found[0]) if shape == () else found.reshape(shape)

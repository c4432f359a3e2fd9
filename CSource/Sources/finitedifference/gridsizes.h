// The default sizes of the finite-difference grids, in one place: the design's grids (parameter
// entry 2 with its flag set: N space nodes, M time levels) and the converged grids of the precise
// numerics (precisebarrier.h), stated as the nodes and levels an explicit entry 2 would give, so
// that `--grid N,M` at these sizes prices as the default does. The families' code tables
// (their Codes.h headers) show them, and fdbase.h and precisebarrier.h price with them.
#ifndef KZR_FINITEDIFFERENCE_GRIDSIZES_H
#define KZR_FINITEDIFFERENCE_GRIDSIZES_H

#include <cstdint>

constexpr std::int32_t defaultnspace = 100;  // space nodes N
constexpr std::int32_t defaultntime = 50;    // time levels M

// The precise numerics' finer grid (400 intervals, 200 steps), for prices and critical prices
// alike (both extrapolate over it and its half).
constexpr std::int32_t precisenspace = 401;
constexpr std::int32_t precisentime = 201;

#endif  // KZR_FINITEDIFFERENCE_GRIDSIZES_H

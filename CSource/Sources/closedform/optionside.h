// The side of a plain option: a call pays max(S - K, 0) at expiry, a put max(K - S, 0). The
// numbers are the variants of the plain codes (BSECO 0, BSEPO 1).
//
// Where a side is still +1 or -1 it is a field of a record the engines share: the grid's
// contractdata::callput (finitedifference/contractdata.h) and the simulated instruments' callput
// (montecarlo/termlist.h), with the functions that fill or read them (the barrier, double-barrier
// and lookback grids, the binomial American of the grids' edges, the rainbow simulations). Those
// records keep the sign, which their payoffs multiply by.
#ifndef KZR_CLOSEDFORM_OPTIONSIDE_H
#define KZR_CLOSEDFORM_OPTIONSIDE_H

enum optionside { call = 0, put = 1 };

#endif  // KZR_CLOSEDFORM_OPTIONSIDE_H

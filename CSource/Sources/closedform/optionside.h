// The side of a plain option: a call pays max(S - K, 0) at expiry, a put max(K - S, 0). The
// numbers are the variants of the plain codes (BSECO 0, BSEPO 1).
#ifndef KZR_CLOSEDFORM_OPTIONSIDE_H
#define KZR_CLOSEDFORM_OPTIONSIDE_H

enum optionside { call = 0, put = 1 };

#endif  // KZR_CLOSEDFORM_OPTIONSIDE_H

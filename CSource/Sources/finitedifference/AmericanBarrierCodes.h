// The codes of the American single-barrier family and their handler.
#ifndef KZR_FINITEDIFFERENCE_AMERICANBARRIERCODES_H
#define KZR_FINITEDIFFERENCE_AMERICANBARRIERCODES_H

#include "binding/codetable.h"
#include "finitedifference/AmericanVanillaCodes.h"
#include "finitedifference/gridsizes.h"

namespace AmericanBarrier {

enum americanbarriervariant {
  downincallblend = 0,  // DOWNINACO: call, alive once S <= H
  upincallblend = 1,    // UPINACO: call, alive once S >= H
  downinputblend = 2,   // DOWNINAPO: put, alive once S <= H
  upinputblend = 3,     // UPINAPO: put, alive once S >= H
  downoutcallgrid = 4,  // DOWNOUTACO: call, dead once S <= H
  upoutcallgrid = 5,    // UPOUTACO: call, dead once S >= H
  downoutputgrid = 6,   // DOWNOUTAPO: put, dead once S <= H
  upoutputgrid = 7,     // UPOUTAPO: put, dead once S >= H
  downoutcallcrit = 8,  // DOWNOUTACOCrit
  upoutcallcrit = 9,    // UPOUTACOCrit
  downoutputcrit = 10,  // DOWNOUTAPOCrit
  upoutputcrit = 11,    // UPOUTAPOCrit
};

inline constexpr coderow americanbarriercodes[] = {
    {"DOWNINACO", downincallblend, "T, S, H, K, sigma, r, q, R",
     "American down-and-in call, rebate R at expiry"},
    {"UPINACO", upincallblend, "T, S, H, K, sigma, r, q, R",
     "American up-and-in call, rebate R at expiry"},
    {"DOWNINAPO", downinputblend, "T, S, H, K, sigma, r, q, R",
     "American down-and-in put, rebate R at expiry"},
    {"UPINAPO", upinputblend, "T, S, H, K, sigma, r, q, R",
     "American up-and-in put, rebate R at expiry"},
    {"DOWNOUTACO", downoutcallgrid, "T, S, H, K, sigma, r, q",
     "American down-and-out call, finite differences"},
    {"UPOUTACO", upoutcallgrid, "T, S, H, K, sigma, r, q",
     "American up-and-out call, finite differences"},
    {"DOWNOUTAPO", downoutputgrid, "T, S, H, K, sigma, r, q",
     "American down-and-out put, finite differences"},
    {"UPOUTAPO", upoutputgrid, "T, S, H, K, sigma, r, q",
     "American up-and-out put, finite differences"},
    {"DOWNOUTACOCrit", downoutcallcrit, "T, H, K, sigma, r, q",
     "American down-and-out call critical price"},
    {"UPOUTACOCrit", upoutcallcrit, "T, H, K, sigma, r, q",
     "American up-and-out call critical price"},
    {"DOWNOUTAPOCrit", downoutputcrit, "T, H, K, sigma, r, q",
     "American down-and-out put critical price"},
    {"UPOUTAPOCrit", upoutputcrit, "T, H, K, sigma, r, q",
     "American up-and-out put critical price"},
};

extern const scalarhandlerentry americanbarrierhandler;

// The knock-ins blend a tree of entry 4's steps (under the precise numerics: a grid instead); the
// down-and-out grids carry trees of those steps on their far edge; the up-and-out grids and the
// critical prices are grids alone (AmericanBarrier.h).
constexpr codeparameters parametersofcode(int variant) {
  constexpr sizeuse tree = stepsof(AmericanVanilla::defaultsteps).unreadunderprecise();
  constexpr sizeuse grid = gridsize(defaultnspace, defaultntime).underprecise(precisenspace,
                                                                                precisentime);
  codeparameters parameters;
  parameters.precise = true;
  switch (variant) {
    case downincallblend:
    case upincallblend:
    case downinputblend:
    case upinputblend:
      parameters.sizes[0] = tree;
      parameters.sizes[1] = preciseonlygrid(precisenspace, precisentime);
      break;
    case downoutcallgrid:
    case downoutputgrid:
      parameters.sizes[0] = grid;
      parameters.sizes[1] = tree;
      break;
    case upoutcallgrid:
    case upoutputgrid: parameters.sizes[0] = grid; break;
    default:
      parameters.sizes[0] = gridsize(defaultnspace, defaultntime)
                                .underprecise(precisenspace, precisentime);
  }
  return parameters;
}

}  // namespace AmericanBarrier

template <>
inline constexpr parameterreader codeparametersof<AmericanBarrier::americanbarriercodes> =
    AmericanBarrier::parametersofcode;

#endif  // KZR_FINITEDIFFERENCE_AMERICANBARRIERCODES_H

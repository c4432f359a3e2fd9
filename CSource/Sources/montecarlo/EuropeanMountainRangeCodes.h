// The codes of the mountain range family and their two handlers (fun and funvec). The rows of
// each code are its inputs in order: n the number of assets, then one value, one value per asset
// (_i) or the correlation matrix (rho_ij) per row.
#ifndef KZR_MONTECARLO_EUROPEANMOUNTAINRANGECODES_H
#define KZR_MONTECARLO_EUROPEANMOUNTAINRANGECODES_H

#include <cstdint>

#include "binding/codetable.h"

namespace EuropeanMountainRange {

enum mountainvariant {
  altiplanocoupon = 0,  // coupon unless an asset reaches its barrier H_i on a monitoring date
  annapurnacoupon = 1,  // coupon unless an asset falls to H_i times its start
  atlascall = 2,        // notional x (geometric mean without the best and worst - K)+
  everestworst = 3,     // notional x the worst performance
  himalayabest = 4,     // log growth of the best remaining asset, one period per asset
};

inline constexpr coderow mountaincodes[] = {
    {"ALTIPLANOEO", altiplanocoupon, "n, T, S_i, H_i, coupon, sigma_i, rho_ij, r, q_i, ...",
     "Altiplano: coupon unless an asset reaches its barrier", true},
    {"ANNAPURNAEO", annapurnacoupon, "n, T, S_i, H_i, coupon, sigma_i, rho_ij, r, q_i, ...",
     "Annapurna: coupon unless an asset falls to H_i x start", true},
    {"ATLASEO", atlascall, "n, T, K, notional, sigma_i, rho_ij, r, q_i, ...",
     "Atlas: call on the mean performance less best and worst", true},
    {"EVERESTEO", everestworst, "n, T, notional, sigma_i, rho_ij, r, q_i, ...",
     "Everest: notional times the worst performance", true},
    {"HIMALAYAEO", himalayabest, "n, T, notional, sigma_i, rho_ij, r, q_i, ...",
     "Himalaya: log growth of the best remaining asset", true, estimator::expmeanlog},
};

extern const scalarhandlerentry mountainhandler;
extern const vectorhandlerentry mountainvectorhandler;

// Entries 3 and 4 with their flags set (EuropeanMountainRange.h).
constexpr std::int32_t couponpaths = 20000;      // altiplano, annapurna
constexpr std::int32_t couponsteps = 300;        // altiplano, annapurna
constexpr std::int32_t terminalpaths = 1000000;  // atlas, everest, himalaya

// The coupon contracts read paths and steps; the performance contracts paths alone (Atlas and
// Everest two points a path, Himalaya one per asset). Atlas and Everest have control variates,
// the forwards of their performances.
constexpr codeparameters parametersofcode(int variant) {
  codeparameters parameters;
  if (variant == altiplanocoupon || variant == annapurnacoupon) {
    parameters.sizes[0] = pathsof(couponpaths);
    parameters.sizes[1] = stepsof(couponsteps);
  } else {
    parameters.sizes[0] = pathsof(terminalpaths);
  }
  parameters.controls = variant == atlascall || variant == everestworst;
  return parameters;
}

}  // namespace EuropeanMountainRange

template <>
inline constexpr parameterreader codeparametersof<EuropeanMountainRange::mountaincodes> =
    EuropeanMountainRange::parametersofcode;

#endif  // KZR_MONTECARLO_EUROPEANMOUNTAINRANGECODES_H

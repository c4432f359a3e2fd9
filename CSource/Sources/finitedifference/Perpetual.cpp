#include "finitedifference/Perpetual.h"

#include <cmath>

#include "binding/tablehandler.h"
#include "finitedifference/PerpetualCodes.h"
#include "numerics/comparisons.h"
#include "numerics/messages.h"
#include "numerics/undefined.h"

namespace Perpetual {

namespace {

constexpr double dividendfloor = 0.00001;  // exclusive: the call below it is unbounded

bool admissible(double K, double sigma, double r, double q) {
  return K > 0 && sigma > 0 && r >= 0 && q >= 0;
}

// The two exponents of A S^y: the call's beta (> 1) and the put's alpha (<= 0).
struct exponents {
  double beta, alpha;
};

exponents exponentsof(double sigma, double r, double q) {
  const double variance = sigma * sigma;
  const double m0 = r - q - variance / 2.0;
  const double D = std::sqrt(m0 * m0 + 2.0 * r * variance);
  return {(-m0 + D) / variance, (-m0 - D) / variance};
}

double callboundary(double K, double sigma, double r, double q) {
  const double beta = exponentsof(sigma, r, q).beta;
  return beta * K / (beta - 1.0);
}

double putboundary(double K, double sigma, double r, double q) {
  if (r == 0) return 0.0;  // never exercised
  const double alpha = exponentsof(sigma, r, q).alpha;
  return alpha * K / (alpha - 1.0);
}

}  // namespace

double perpetualcall(double S, double K, double sigma, double r, double q) {
  if (!(S > 0 && admissible(K, sigma, r, q))) return refusedwith(messages::inputdataerror);
  if (q < dividendfloor) {
    writemessage(messages::unboundeddividend);
    return HUGE_VAL;
  }
  const double beta = exponentsof(sigma, r, q).beta;
  const double boundary = callboundary(K, sigma, r, q);
  if (S >= boundary) return maxof(S - K, 0.0);
  return std::pow(boundary, 1.0 - beta) / beta * std::pow(S, beta);
}

double perpetualput(double S, double K, double sigma, double r, double q) {
  if (!(S > 0 && admissible(K, sigma, r, q))) return refusedwith(messages::inputdataerror);
  if (r == 0) return K;  // the limit: never exercised
  const double alpha = exponentsof(sigma, r, q).alpha;
  const double boundary = putboundary(K, sigma, r, q);
  if (S <= boundary) return maxof(K - S, 0.0);
  return -std::pow(boundary, 1.0 - alpha) / alpha * std::pow(S, alpha);
}

double perpetualcallcritical(double K, double sigma, double r, double q) {
  if (!admissible(K, sigma, r, q)) return refusedwith(messages::inputdataerror);
  if (q < dividendfloor) {
    writemessage(messages::criticalgrowsdividend);
    return HUGE_VAL;
  }
  return callboundary(K, sigma, r, q);
}

double perpetualputcritical(double K, double sigma, double r, double q) {
  if (!admissible(K, sigma, r, q)) return refusedwith(messages::inputdataerror);
  return putboundary(K, sigma, r, q);
}

const scalarhandlerentry perpetualhandler =
    handlerentryof<perpetualcodes, refusal::withmessage, formulafor<callvalue, perpetualcall>,
                   formulafor<putvalue, perpetualput>,
                   formulafor<callcritical, perpetualcallcritical>,
                   formulafor<putcritical, perpetualputcritical>>();

}  // namespace Perpetual

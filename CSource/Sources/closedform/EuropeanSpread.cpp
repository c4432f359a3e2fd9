#include "closedform/EuropeanSpread.h"

#include "binding/ratesigns.h"
#include "binding/tablehandler.h"
#include "closedform/EuropeanSpreadCodes.h"
#include "closedform/TwoAssetLattice.h"
#include "numerics/comparisons.h"
#include "numerics/messages.h"
#include "numerics/undefined.h"

namespace EuropeanSpread {

namespace {}  // namespace

double spreadonlattice(optionside side, std::int32_t earlyexercise, double T, double S1, double S2,
                       double X, double sigma1, double sigma2, double rho, double r, double q1,
                       double q2, std::int64_t levels) {
  if (S1 <= 0 || S2 <= 0 || T < 0 || X <= 0 || sigma1 <= 0 || sigma2 <= 0 || rho < -1 || rho > 1 ||
      signrefused(r) || signrefused(q1) || signrefused(q2))
    return refusedwith(messages::valueundefined);
  if (T == 0) return side == call ? maxof(S1 - S2 - X, 0.0) : maxof(X - (S1 - S2), 0.0);
  const TwoAssetLattice::latticecontract contract{
      T, S1, S2, sigma1, sigma2, r, q1, q2, rho, X, side == call ? 1 : -1, earlyexercise};
  return TwoAssetLattice::twoassetlattice(contract, levels);
}

std::int64_t latticelevels(const parameterblock& block) {
  return entryinteger(block, entrysteps, 0, defaultlatticelevels);
}

double spreadcall(double T, double S1, double S2, double X, double sigma1, double sigma2,
                  double rho, double r, double q1, double q2, std::int64_t levels) {
  return spreadonlattice(call, 0, T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2, levels);
}

double spreadput(double T, double S1, double S2, double X, double sigma1, double sigma2, double rho,
                 double r, double q1, double q2, std::int64_t levels) {
  return spreadonlattice(put, 0, T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2, levels);
}

namespace {

// The codes, with the levels of parameter entry 4.
double spreadcallofentry(double T, double S1, double S2, double X, double sigma1, double sigma2,
                         double rho, double r, double q1, double q2, parameterblock* block) {
  return spreadcall(T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2, latticelevels(*block));
}
double spreadputofentry(double T, double S1, double S2, double X, double sigma1, double sigma2,
                        double rho, double r, double q1, double q2, parameterblock* block) {
  return spreadput(T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2, latticelevels(*block));
}

}  // namespace

const scalarhandlerentry spreadhandler =
    handlerentryof<spreadcodes, refusal::withmessage, formulafor<call, spreadcallofentry>,
                   formulafor<put, spreadputofentry>>();

}  // namespace EuropeanSpread

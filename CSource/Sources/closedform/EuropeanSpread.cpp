#include "closedform/EuropeanSpread.h"

#include "binding/varianttable.h"
#include "closedform/TwoAssetLattice.h"
#include "numerics/messages.h"
#include "numerics/normaldistribution.h"
#include "numerics/undefined.h"

namespace EuropeanSpread {

namespace {

enum spreadvariant {
  call = 0,  // max(S1 - S2 - X, 0)
  put = 1,   // max(X - (S1 - S2), 0)
};

double refusal() {
  writemessage(messages::valueundefined);
  return undefinedvalue();
}

double spread(spreadvariant side, double T, double S1, double S2, double X, double sigma1,
              double sigma2, double rho, double r, double q1, double q2,
              const parameterblock& block) {
  if (S1 <= 0 || S2 <= 0 || T < 0 || X <= 0 || sigma1 <= 0 || sigma2 <= 0 || rho < -1 ||
      rho > 1 || r < 0 || q1 < 0 || q2 < 0)
    return refusal();
  if (T == 0) return side == call ? maxof(S1 - S2 - X, 0.0) : maxof(X - (S1 - S2), 0.0);
  const TwoAssetLattice::latticecontract contract{
      T, S1, S2, sigma1, sigma2, r, q1, q2, rho, X, side == call ? 1 : -1, 0};
  return TwoAssetLattice::twoassetlattice(contract, block);
}

}  // namespace

double spreadcall(double T, double S1, double S2, double X, double sigma1, double sigma2,
                  double rho, double r, double q1, double q2, const parameterblock& block) {
  return spread(call, T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2, block);
}

double spreadput(double T, double S1, double S2, double X, double sigma1, double sigma2,
                 double rho, double r, double q1, double q2, const parameterblock& block) {
  return spread(put, T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2, block);
}

double spreadhandler(std::string code, const double* data, const datashape* shape,
                     parameterblock* block) {
  static varianttable variants;
  static rowtable<spreadinputs> rows;
  bindrows(rows, data, *shape);
  const int variant = variants.lookup(code, {{"SPREADECO", call}, {"SPREADEPO", put}});
  if (!rows.holds(spreadinputs)) return refusal();
  const double T = rows.input(0), S1 = rows.input(1), S2 = rows.input(2), X = rows.input(3),
               sigma1 = rows.input(4), sigma2 = rows.input(5), rho = rows.input(6),
               r = rows.input(7), q1 = rows.input(8), q2 = rows.input(9);
  if (variant == put) return spreadput(T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2, *block);
  return spreadcall(T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2, *block);
}

}  // namespace EuropeanSpread

#include "finitedifference/AmericanSpread.h"

#include "binding/tablehandler.h"
#include "closedform/EuropeanSpread.h"
#include "finitedifference/AmericanSpreadCodes.h"

namespace AmericanSpread {

double spreadcall(double T, double S1, double S2, double K, double sigma1, double sigma2,
                  double rho, double r, double q1, double q2, parameterblock* block) {
  return EuropeanSpread::spreadofblock(call, 1, T, S1, S2, K, sigma1, sigma2, rho, r, q1, q2,
                                       *block);
}

double spreadput(double T, double S1, double S2, double K, double sigma1, double sigma2, double rho,
                 double r, double q1, double q2, parameterblock* block) {
  return EuropeanSpread::spreadofblock(put, 1, T, S1, S2, K, sigma1, sigma2, rho, r, q1, q2,
                                       *block);
}

const scalarhandlerentry spreadhandler =
    handlerentryof<spreadcodes, refusal::withmessage, formulafor<call, spreadcall>,
                   formulafor<put, spreadput>>();

}  // namespace AmericanSpread

#include "finitedifference/AmericanOneTouch.h"

#include "binding/tablehandler.h"
#include "closedform/EuropeanBarrier.h"
#include "finitedifference/AmericanOneTouchCodes.h"
#include "numerics/messages.h"
#include "numerics/undefined.h"

namespace AmericanOneTouch {

namespace {

constexpr double upbarrier = -1.0, downbarrier = 1.0;  // eta of the cash paid at hit

bool admissible(double T, double H, double sigma, double r, double q) {
  return T >= 0 && H > 0 && sigma > 0 && r >= 0 && q >= 0;
}

}  // namespace

double onetouchup(double T, double S, double H, double sigma, double r, double q) {
  if (!(S > 0 && admissible(T, H, sigma, r, q))) return refusedwith(messages::valueundefined);
  if (T == 0) return H > S ? 0.0 : 1.0;
  if (!(H > S)) return 1.0;  // already touched
  return EuropeanBarrier::cashathit(T, S, H, sigma, r, q, upbarrier);
}

double onetouchdown(double T, double S, double H, double sigma, double r, double q) {
  if (!(S > 0 && admissible(T, H, sigma, r, q))) return undefinedvalue();
  if (T == 0) return H > S ? 1.0 : 0.0;
  if (!(S > H)) return 1.0;  // already touched
  return EuropeanBarrier::cashathit(T, S, H, sigma, r, q, downbarrier);
}

double onetouchupcritical(double T, double H, double sigma, double r, double q) {
  return admissible(T, H, sigma, r, q) ? H : refusedwith(messages::criticalundefined);
}

double onetouchdowncritical(double T, double H, double sigma, double r, double q) {
  return admissible(T, H, sigma, r, q) ? H : refusedwith(messages::criticalundefined);
}

const scalarhandlerentry onetouchhandler =
    handlerentryof<onetouchcodes, refusal::withmessage, formulafor<upvalue, onetouchup>,
                   formulafor<downvalue, onetouchdown>, formulafor<upcritical, onetouchupcritical>,
                   formulafor<downcritical, onetouchdowncritical>>();

}  // namespace AmericanOneTouch

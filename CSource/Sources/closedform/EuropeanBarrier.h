// European single-barrier options: knock-in and knock-out calls and puts on one barrier watched
// continuously, with a cash rebate, under Black-Scholes with a continuous dividend yield.
//
// Source: Reiner and Rubinstein (1991), "Breaking down the barriers", Risk 4(8), pp. 28-35; the
// six terms A to F and their combinations as in Haug, The Complete Guide to Option Pricing
// Formulas, 2nd ed., 2007, pp. 152-155.
// Limits: flat rate, yield and volatility; continuous monitoring. Refused inputs give the
// undefined value without a message; a NaN input is not refused and gives NaN (tested before the
// barrier and strike comparisons, where a NaN strike would choose a branch). Codes and handler:
// EuropeanBarrierCodes.h.
//
// Rebates: a knock-in option that was never knocked in pays R at expiry (term E); a knock-out
// option pays R at the moment the barrier is touched (term F). A knock-out whose barrier is
// already reached has been touched now, so it is worth R itself (not R discounted from expiry):
// this is the value F tends to as the spot approaches the barrier.
//
// Small volatilities: the powers (H/S)^(2 mu) and the like overflow where the normal
// probabilities beside them vanish; such products are formed in logarithms, so that the prices
// tend to their deterministic limits instead of infinity times zero.
//
// Expiry (T = 0, barrier not reached): a knock-in option that has not been knocked in is worth
// its rebate, paid now (R); a knock-out option that has not been knocked out is worth its
// intrinsic value. These are the limits of the formulas as T tends to 0.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): accepted. The terms A to E
// hold for any sign of r, q and b = r - q (mu has no division by b). The rebate paid at the touch
// (term F) takes lambda = sqrt(mu^2 + 2r / sigma^2), which is real for r >= 0 but not for every
// r < 0: a knock-out with R > 0 whose lambda^2 is negative is refused with one line naming r; with
// R = 0 term F is not formed, so such a knock-out is priced.
#ifndef KZR_CLOSEDFORM_EUROPEANBARRIER_H
#define KZR_CLOSEDFORM_EUROPEANBARRIER_H

namespace EuropeanBarrier {

// The six building-block terms, in this order.
struct termset {
  double A, B, C, D, E, F;
};

// eta: +1 down barrier, -1 up barrier; phi: +1 call, -1 put. Needs T > 0 and sigma > 0; checks
// nothing.
termset barrierterms(double T, double S, double H, double X, double sigma, double r, double q,
                     double R, double eta, double phi);

// The value of 1 paid at the first touch of H before T (term F per unit of rebate): eta +1 for a
// barrier below the spot, -1 for one above. With mu = (r - q - sigma^2/2) / sigma^2 and
// lambda = sqrt(mu^2 + 2r / sigma^2), z = ln(H/S) / (sigma sqrt(T)) + lambda sigma sqrt(T):
//   (H/S)^(mu+lambda) N(eta z) + (H/S)^(mu-lambda) N(eta z - 2 eta lambda sigma sqrt(T)).
// Needs T > 0 and sigma > 0; checks nothing. The American one-touch codes price with it.
double cashathit(double T, double S, double H, double sigma, double r, double q, double eta);

// ratio^exponent N(x), N the standard normal distribution. Where the power overflows (small
// volatilities) while N(x) vanishes, the product is formed in logarithms instead of infinity
// times zero. The lookback formulas use it too.
double scaledprobability(double ratio, double exponent, double x);
// ln N(x), by the asymptotic series below x = -30 (good to 1e-12), where N(x) nears underflow.
double lognormalcdf(double x);

// Each takes T expiry (years), S spot, H barrier, X strike, sigma volatility, r rate,
// q dividend yield, R rebate (cash).
double downincall(double T, double S, double H, double X, double sigma, double r, double q,
                  double R);
double upincall(double T, double S, double H, double X, double sigma, double r, double q, double R);
double downinput(double T, double S, double H, double X, double sigma, double r, double q,
                 double R);
double upinput(double T, double S, double H, double X, double sigma, double r, double q, double R);
double downoutcall(double T, double S, double H, double X, double sigma, double r, double q,
                   double R);
double upoutcall(double T, double S, double H, double X, double sigma, double r, double q,
                 double R);
double downoutput(double T, double S, double H, double X, double sigma, double r, double q,
                  double R);
double upoutput(double T, double S, double H, double X, double sigma, double r, double q, double R);

}  // namespace EuropeanBarrier

#endif  // KZR_CLOSEDFORM_EUROPEANBARRIER_H

// The implied volatility of a Black price by P. Jaeckel's method, "Let's Be Rational", Wilmott
// 2015(75), pp. 40-53: four branches of an initial guess from rational cubic interpolation
// (Delbourgo and Gregory, 1985, "Shape preserving piecewise rational interpolation", SIAM J. Sci.
// Stat. Comput. 6, pp. 967-976) of the inverse of the normalised Black function, each in a
// variable where that inverse is nearly linear, then Householder steps of order three on an
// objective chosen per branch. Two steps reach the accuracy of the arithmetic almost everywhere;
// more are taken while the last step still moved the answer by more than 1e-6 of itself.
//
// The normalised Black function of log-moneyness x = ln(F / K), total volatility s = sigma
// sqrt(T) and side theta (+1 call, -1 put) is
//   b(x, s, theta) = theta [e^(x/2) N(theta (x/s + s/2)) - e^(-x/2) N(theta (x/s - s/2))],
// the undiscounted price divided by sqrt(F K). By put-call parity every case reduces to the
// out-of-the-money call, x <= 0, whose price is the time value. Its value is taken with the
// complementary error function where the option is far from the money (a relative accuracy
// there, where the price is a small difference of two small terms) and with the error function
// near it.
//
// What stays out of this file: the prices a library gives are not Black's to the last bits, so a
// caller that inverts them takes a Newton step on its own prices where those bits matter
// (impliedinput.h).
#ifndef KZR_TOOLS_LETSBERATIONAL_H
#define KZR_TOOLS_LETSBERATIONAL_H

namespace sensitivities {

// b(x, s, theta) as above; 0 for s <= 0 out of the money (the intrinsic value in the money).
double normalisedblack(double x, double s, double theta);

// s >= 0 with normalisedblack(x, s, theta) = beta: 0 at the intrinsic value (within 4 eps of
// it), NaN below it, at or
// above the price's supremum (e^(x/2) for a call, e^(-x/2) for a put), or where e^(|x|/2)
// overflows.
double normalisedimpliedvolatility(double beta, double x, double theta);

// sigma with price = discount * sqrt(F K) * normalisedblack(ln(F / K), sigma sqrt(T), theta),
// for F, K, T and discount positive and finite; NaN where normalisedimpliedvolatility is.
double impliedblackvolatility(double price, double F, double K, double T, double discount,
                              double theta);

// d price / d sigma of that price at sigma: discount sqrt(F K) sqrt(T) N'(d1) e^(x/2).
double blackvega(double F, double K, double sigma, double T, double discount);

}  // namespace sensitivities

#endif  // KZR_TOOLS_LETSBERATIONAL_H

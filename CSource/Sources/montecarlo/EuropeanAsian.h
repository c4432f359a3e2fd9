// Asian options: European calls and puts on the average price of one asset over an averaging
// period of length Tavg, of which the time T (tau) to expiry is still to come and Tavg - T has
// been observed with average A. The final average weighs A by (Tavg - T) / Tavg and the average
// still to come by T / Tavg.
//
//   ASIANAARECO, ASIANAAREPO  arithmetic average, by simulation on the Monte Carlo engine
//                             (mcvaluation.h): paths of M points 0, dt, ..., T with
//                             dt = T / (M - 1), so that today's price and the price at expiry
//                             are both in the average
//   ASIANGARECO, ASIANGAREPO  continuously sampled geometric average, in closed form
// Codes, rows and handler: EuropeanAsianCodes.h.
//
// Sources: Kemna and Vorst (1990), "A pricing method for options based on average asset values",
// Journal of Banking and Finance 14, pp. 113-129 (the geometric average's lognormal law and the
// arithmetic average by simulation). With a past average the geometric formula follows from the
// same law: ln G at expiry is normal with mean
// ln G0 + b T^2 / (2 Tavg) and variance sigma^2 T^3 / (3 Tavg^2), G0 = A^((Tavg - T)/Tavg)
// S^(T/Tavg), b = r - q - sigma^2 / 2.
//
// Limits: flat rate, volatility and yield; the geometric average is sampled continuously, the
// arithmetic one at the M equally spaced points; Monte Carlo error of order 1/sqrt(N).
//
// Geometric codes. Admissible when S > 0, Tavg >= 0, T >= 0, T <= Tavg, A > 0, K > 0,
// sigma > 0, r >= 0 and q >= 0; otherwise the undefined value, without a message (a NaN input
// is not admissible and answers the undefined value, a NaN). At T = 0 the value is
// max(A - K, 0) (call) or max(K - A, 0) (put).
//
// Arithmetic codes. Silent pre-check: Tavg >= 0, T <= Tavg, A > 0, else the undefined value
// without a message. Then the engine's checks and messages (mcvaluation.h): T >= 0, S, K and
// sigma > 0, r and q >= 0. Paths from parameter entry 3 (default 10,000), steps M from entry 4
// (default 500), with the two-way memory limit of mcbase.h. At T = 0 the value is the intrinsic
// value against A, max(+-(A - K), 0), without simulating. Sensitivity steps h: delta 0.03 S,
// gamma sqrt(0.03) S, vega 0.03 sigma, theta 0.03 T, or -0.03 T when 0.03 T >= Tavg - T (the
// elapsed part is at most 3% of the time left: the step then shortens the contract), rho 0.03 r
// (so r = 0 gives a rho of 0, and T = 0 a theta of 0).
// Control variate (library option 3): the option on the discrete geometric average of the same
// M points with the same past average, payoff max(+-(w A + (1 - w) G - K), 0), w = (Tavg - T) /
// Tavg, G = exp(mean of ln S_t). ln G is normal with mean ln S + (r - q - sigma^2 / 2) T / 2 and
// variance sigma^2 dt (M - 1)(2M - 1) / (6M), dt = T / (M - 1) (sum over i, j < M of min(i, j) =
// (M - 1) M (2M - 1) / 6), so its expectation is Black's formula at the strike K' = (K - w A) /
// (1 - w), or the forward's linear payoff when K' <= 0 (Kemna and Vorst, 1990, above).
// Decision: M of 1 leaves no room for a step (dt = T / 0): "Steps should be at least 2, value
// undefined" and the undefined value, before the engine runs; M = 0 and negative M keep the
// engine's "Steps should be positive".
//
// Not thread-safe: the handler's tables and the simulation cache are process-wide.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): refused, with one line
// naming the input. The approximations' b = 0 limits and moments have not been checked with the
// new signs.
#ifndef KZR_MONTECARLO_EUROPEANASIAN_H
#define KZR_MONTECARLO_EUROPEANASIAN_H

#include <cstdint>
#include <memory>

#include "binding/parameterblock.h"
#include "binding/resultarray.h"
#include "montecarlo/marketdata.h"
#include "montecarlo/mcbase.h"
#include "montecarlo/termlist.h"

namespace EuropeanAsian {

// The contract's own terms and their list (montecarlo/termlist.h): what issame compares and
// nanterms tests, field by field.
struct asianterms {
  std::int32_t callput;    // +1 call, -1 put
  double averagingperiod;  // Tavg
  double pastaverage;      // A
};
inline constexpr auto asianlist = termlist::checkedlist<asianterms>(
    termlist::scalar<asianterms, std::int32_t>{&asianterms::callput},
    termlist::scalar<asianterms, double>{&asianterms::averagingperiod},
    termlist::scalar<asianterms, double>{&asianterms::pastaverage});

// The arithmetic average price option on one asset (record of count 1, expiry T, strike K).
class asianarithmetic : public multistepmc, public asianterms {
 public:
  // callput +1 call, -1 put; Tavg the averaging period, A the average observed so far.
  asianarithmetic(marketdata& record, std::int32_t callput, double Tavg, double A,
                  const parameterblock& block);

  bool issame(const mcbase* other) const override;
  double bumpsize(int s, int i) const override;
  double expiryvalue() const override;
  double payoff(const double* path, int M) const override;
  // dt = T / (M - 1): the last of the M points lies at the expiry.
  pathtiming timing(int M) const override;
  bool nanterms() const override;
  std::unique_ptr<mcbase> copy() const override;
  int controlcount() const override { return 1; }
  void controls(const double* path, int M, double* values) const override;
  void controlmeans(int M, double* means) const override;

 private:
  asianarithmetic(const asianarithmetic& source, clonetag tag);
};

// The arithmetic routine: pre-check, record, instrument and valuation with the block's entries
// 0, 1, 3 and 4 and its cache. callput +1 call, -1 put.
resultarray arithmeticvalue(std::int32_t callput, double Tavg, double T, double S, double A,
                            double K, double sigma, double r, double q, parameterblock* block);

// The handler's formulas, inputs in row order; the arithmetic ones answer element 1.
double arithmeticcall(double Tavg, double T, double S, double A, double K, double sigma, double r,
                      double q, parameterblock* block);
double arithmeticput(double Tavg, double T, double S, double A, double K, double sigma, double r,
                     double q, parameterblock* block);
double geometriccall(double Tavg, double T, double S, double A, double K, double sigma, double r,
                     double q);
double geometricput(double Tavg, double T, double S, double A, double K, double sigma, double r,
                    double q);

}  // namespace EuropeanAsian

#endif  // KZR_MONTECARLO_EUROPEANASIAN_H

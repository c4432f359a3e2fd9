// Calls and puts with a lower barrier L and an upper barrier U, both watched continuously, in
// knock-out and knock-in form, American (AmericanDoubleBarrier) and European
// (EuropeanDoubleBarrier).
//
//   DBKNOCKOUTACO, DBKNOCKOUTAPO  American knock-out: early exercise inside the corridor, 0 once
//                                 a barrier is touched
//   DBKNOCKINACO, DBKNOCKINAPO    American knock-in: no exercise inside the corridor; at a
//                                 barrier it becomes the American vanilla option
//   DBKNOCKOUTECO, DBKNOCKOUTEPO  European knock-out
//   DBKNOCKINECO, DBKNOCKINEPO    European knock-in: the Black-Scholes price less the knock-out
// Inputs T, S, L, U, K, sigma, r, q. Codes and handlers: DoubleBarrierCodes.h.
//
// Every grid is the Douglas scheme on the heat-equation grid (logndi.h) whose space interval is
// exactly the corridor, x from ln(L / K) to ln(U / K): the knock-outs with 0 at both barriers and
// the vanilla payoff at expiry; the American knock-in with no payoff at expiry and, at each
// barrier, the binomial American vanilla of that moment (heatvanilla.h: one tree per barrier and
// level, with the tree steps of parameter entry 4).
//
// Sources: Wilmott, Howison and Dewynne (Cambridge University Press, 1995) (the
// heat-equation grid, barriers as its edges); Kunitomo and Ikeda, "Pricing options with curved
// boundaries", Math. Finance 2 (1992), pp. 275-298 (the European double knock-out in
// closed form, against which the grid is tested). Limits: flat rate, yield and volatility;
// continuous monitoring; no rebates.
//
// Checks and early results, in order. A refused input prints "Input data error, value
// undefined" and gives the undefined value; then a NaN input gives NaN.
//   knock-outs           refused: L <= 0, L >= U or K <= 0 (the grid's own check refuses
//                        T < 0, S < 0, sigma <= 0, r < 0, q < 0 silently); S <= L or S >= U: 0;
//                        T = 0: the intrinsic value
//   American knock-ins   refused as the knock-outs; S <= L or S >= U: the binomial American
//                        vanilla at S (BINACO, BINAPO); T = 0: 0
//   European knock-ins   refused: T < 0, L <= 0, L >= U, S <= 0, K <= 0, sigma <= 0, r < 0 or
//                        q < 0; S <= L or S >= U: the Black-Scholes price; T = 0: 0; otherwise
//                        the Black-Scholes price less the knock-out (whose undefined value or
//                        NaN it inherits)
// The tree steps of the American knock-in's edges are part of the contract its cached grid is
// kept for: a mode-0 call with other steps solves afresh.
// The European knock-in and knock-out of one contract share one grid: their records are the same,
// so in valuation mode 0 the knock-in reads the knock-out's cached grid and the other way round.
//
// Kept as it stands: the barrier edges of the American knock-out are 0, while an option in
// the money at a barrier is worth about its exercise value just inside it (the holder exercises
// before the touch). The grid meets that jump within one node spacing, so it converges slowly
// (about in proportion to the spacing) as parameter entry 2 refines it.
//
// The precise option (parameter entry 5, value 1 = 1) changes the method of the four American
// codes after the design's refusals and early results (the European codes keep theirs). The
// knock-outs go to the converged grid of finitedifference/precisebarrier.h on the corridor: both
// barriers and the strike on nodes, each barrier edge at the exercise value there (the holder
// exercises the moment before the option dies, which removes the jump above and restores second
// order), Richardson over two grids; DBKNOCKOUTACO with T = 1, S = 100, L = 80, U = 130,
// K = 100, sigma = 0.2, r = 0.05, q = 0.02 gives 8.930841 (the design's grid 8.5297). The
// knock-ins, for the same reason as the single knock-ins (AmericanBarrier.h), are marched beside
// the American vanilla on one grid reaching eight standard deviations beyond both barriers, with
// each barrier edge the vanilla's node there instead of a tree; outside the corridor they give
// the converged American vanilla (the vanilla code's answer under the option). Entry 2 with
// flag 0 keeps its meaning (the finer grid's nodes and levels: the option improves the method at
// those sizes); entry 4 is not read; the grids are kept in caching mode as for the single
// barriers (precisebarrier.h), apart from the design's.
//
// Not thread-safe: the handlers' tables and the grid cache are process-wide.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): refused, with one line
// naming the input. The series and the grids' edges have not been checked with the new signs.
#ifndef KZR_FINITEDIFFERENCE_DOUBLEBARRIER_H
#define KZR_FINITEDIFFERENCE_DOUBLEBARRIER_H

#include "binding/parameterblock.h"
#include "finitedifference/fdbase.h"

namespace EuropeanDoubleBarrier {

// The heat grid of the corridor: tau extent sigma^2 T / 2, x from ln(L / K) to ln(U / K).
void corridorlimits(const contractdata& d, gridinfo& grid);

// The knock-out of the corridor (level1 L, level2 U) on the heat grid: 0 at both barriers, the
// vanilla payoff at expiry. European when the record's `american` is 0, as for its codes.
class europeandoublebarrier : public fdbase {
 public:
  europeandoublebarrier(contractdata& record, const parameterentry& grid);
  ~europeandoublebarrier() override = default;

  void heatgridlimits(gridinfo& grid, const parameterblock* params) const override;
  void heatboundary(double tau, double k, double kprime, gridinfo& grid,
                    const parameterblock* params) const override;
  double heatpayoff(double x, double kprime, const parameterblock* params) const override;

 protected:
  // For the American knock-out, which makes its own clone.
  struct withoutclone {};
  europeandoublebarrier(contractdata& record, const parameterentry& grid, withoutclone)
      : fdbase(record, grid) {}
  europeandoublebarrier(const europeandoublebarrier& source, clonetag tag) : fdbase(source, tag) {}
};

// The pricing functions of the four European codes; block supplies parameter entries 0 and 2
// and the grid cache.
double knockoutcall(double T, double S, double L, double U, double K, double sigma, double r,
                    double q, parameterblock* block);
double knockincall(double T, double S, double L, double U, double K, double sigma, double r,
                   double q, parameterblock* block);
double knockoutput(double T, double S, double L, double U, double K, double sigma, double r,
                   double q, parameterblock* block);
double knockinput(double T, double S, double L, double U, double K, double sigma, double r,
                  double q, parameterblock* block);

}  // namespace EuropeanDoubleBarrier

namespace AmericanDoubleBarrier {

// The American knock-out: the European one's grid with the record's `american` 1 (early
// exercise, the default step condition of fdbase).
class americandoublebarrierout : public EuropeanDoubleBarrier::europeandoublebarrier {
 public:
  americandoublebarrierout(contractdata& record, const parameterentry& grid);
  ~americandoublebarrierout() override = default;

 private:
  americandoublebarrierout(const americandoublebarrierout& source, clonetag tag)
      : europeandoublebarrier(source, tag) {}
};

// The American knock-in on the corridor's heat grid (the record's `american` is 0: no exercise
// before a barrier is touched).
class americandoublebarrierin : public fdbase {
 public:
  // edgesteps: the barrier edges' tree steps (parameter entry 4).
  americandoublebarrierin(contractdata& record, const parameterentry& grid, std::int64_t edgesteps);
  ~americandoublebarrierin() override = default;

  void heatgridlimits(gridinfo& grid, const parameterblock* params) const override;
  // The binomial American vanilla at L and at U, with the level's time to expiry.
  void heatboundary(double tau, double k, double kprime, gridinfo& grid,
                    const parameterblock* params) const override;
  // 0: a knock-in never knocked in pays nothing.
  double heatpayoff(double x, double kprime, const parameterblock* params) const override;
  bool heatedgesready(const parameterblock* params) const override;

 private:
  americandoublebarrierin(const americandoublebarrierin& source, clonetag tag)
      : fdbase(source, tag) {}
};

// The pricing functions of the four American codes; block supplies parameter entries 0, 2 and 4
// and the grid cache.
double knockoutcall(double T, double S, double L, double U, double K, double sigma, double r,
                    double q, parameterblock* block);
double knockincall(double T, double S, double L, double U, double K, double sigma, double r,
                   double q, parameterblock* block);
double knockoutput(double T, double S, double L, double U, double K, double sigma, double r,
                   double q, parameterblock* block);
double knockinput(double T, double S, double L, double U, double K, double sigma, double r,
                  double q, parameterblock* block);

}  // namespace AmericanDoubleBarrier

#endif  // KZR_FINITEDIFFERENCE_DOUBLEBARRIER_H

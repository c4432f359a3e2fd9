#include "montecarlo/EuropeanAsian.h"

#include <cmath>

#include "binding/tablehandler.h"
#include "montecarlo/EuropeanAsianCodes.h"
#include "montecarlo/instrumentterms.h"
#include "montecarlo/mcvaluation.h"
#include "numerics/comparisons.h"
#include "numerics/messages.h"
#include "numerics/normaldistribution.h"
#include "numerics/undefined.h"

namespace EuropeanAsian {

using instrumentterms::nanownterms;
using instrumentterms::sameclass;
using instrumentterms::sameownterms;

namespace {

constexpr double bumpfraction = 0.03;  // of the bumped term, for every sensitivity
const double onecorrelation[] = {1.0};

double intrinsic(std::int32_t callput, double average, double K) {
  return maxof(callput * (average - K), 0.0);
}

}  // namespace

// asianarithmetic

asianarithmetic::asianarithmetic(marketdata& record, std::int32_t callput, double Tavg, double A,
                                 const parameterblock& block)
    : multistepmc(record, simulationcounts(block, 1, asianpaths, asiansteps, stepcount::adjustable),
                  false),
      asianterms{callput, Tavg, A} {
  clone = copy();
}

asianarithmetic::asianarithmetic(const asianarithmetic& source, clonetag tag)
    : multistepmc(source, tag), asianterms(source) {}

std::unique_ptr<mcbase> asianarithmetic::copy() const {
  return std::unique_ptr<mcbase>(new asianarithmetic(*this, clonetag{}));
}

bool asianarithmetic::issame(const mcbase* other) const {
  return sameclass(*this, other) && sameownterms<asianterms>(*this, other, asianlist) &&
         samerun(other);
}

double asianarithmetic::bumpsize(int s, int /*i*/) const {
  const double tau = data->expiry;
  switch (s) {
    case 1: return bumpfraction * spot(0);
    case 2: return std::sqrt(bumpfraction) * spot(0);
    case 3: return bumpfraction * data->volatilities[0];
    case 4:
      return bumpfraction * tau >= averagingperiod - tau ? -bumpfraction * tau : bumpfraction * tau;
    default: return bumpfraction * data->rate;
  }
}

double asianarithmetic::expiryvalue() const {
  return intrinsic(callput, pastaverage, data->strike);
}

double asianarithmetic::payoff(const double* path, int M) const {
  double sum = 0.0;
  for (int t = 0; t < M; ++t) sum += path[t];
  const double m = sum / M, Tavg = averagingperiod, tau = data->expiry;
  return intrinsic(callput, (Tavg - tau) / Tavg * pastaverage + tau / Tavg * m, data->strike);
}

pathtiming asianarithmetic::timing(int M) const { return {data->expiry / (M - 1), true}; }

void asianarithmetic::controls(const double* path, int M, double* values) const {
  // The logarithms of products of a few ratios to the spot, which stay far from overflow.
  constexpr int chunk = 16;
  const double S = spot(0);
  double logsum = 0.0;
  for (int t = 0; t < M; t += chunk) {
    double product = 1.0;
    const int end = t + chunk < M ? t + chunk : M;
    for (int u = t; u < end; ++u) product *= path[u] / S;
    logsum += std::log(product);
  }
  const double G = S * std::exp(logsum / M), Tavg = averagingperiod, tau = data->expiry;
  values[0] = intrinsic(callput, (Tavg - tau) / Tavg * pastaverage + tau / Tavg * G, data->strike);
}

void asianarithmetic::controlmeans(int M, double* means) const {
  const double Tavg = averagingperiod, tau = data->expiry, sigma = data->volatilities[0];
  const double w = (Tavg - tau) / Tavg, a = w * pastaverage, c = tau / Tavg;
  const double dt = tau / (M - 1);
  const double mu = std::log(spot(0)) + (data->rate - data->dividends[0] - sigma * sigma / 2) * tau / 2;
  const double v = sigma * sigma * dt * (M - 1.0) * (2.0 * M - 1.0) / (6.0 * M);
  const double F = std::exp(mu + v / 2), K = data->strike, strike = (K - a) / c;
  if (!(strike > 0)) {
    means[0] = callput > 0 ? a + c * F - K : 0.0;
    return;
  }
  const double d2 = (mu - std::log(strike)) / std::sqrt(v), d1 = d2 + std::sqrt(v);
  means[0] = callput > 0 ? c * (F * normalcdf(d1) - strike * normalcdf(d2))
                         : c * (strike * normalcdf(-d2) - F * normalcdf(-d1));
}

bool asianarithmetic::nanterms() const { return nanownterms<asianterms>(*this, asianlist); }

// Pricing routines

resultarray arithmeticvalue(std::int32_t callput, double Tavg, double T, double S, double A,
                            double K, double sigma, double r, double q, parameterblock* block) {
  if (Tavg < 0 || T > Tavg || A <= 0) return undefinedresult();
  marketdata record(1, T, &S, K, &sigma, onecorrelation, r, &q);
  asianarithmetic instrument(record, callput, Tavg, A, *block);
  if (instrument.steps == 1) {
    writemessage(messages::twosteps);
    return undefinedresult();
  }
  crnmontecarlo method(&instrument);
  return method.evaluate(block);
}

double arithmeticcall(double Tavg, double T, double S, double A, double K, double sigma, double r,
                      double q, parameterblock* block) {
  return arithmeticvalue(+1, Tavg, T, S, A, K, sigma, r, q, block)[1];
}

double arithmeticput(double Tavg, double T, double S, double A, double K, double sigma, double r,
                     double q, parameterblock* block) {
  return arithmeticvalue(-1, Tavg, T, S, A, K, sigma, r, q, block)[1];
}

namespace {

// The continuous geometric average option; callput +1 call, -1 put.
double geometricvalue(std::int32_t callput, double Tavg, double tau, double S, double A, double K,
                      double sigma, double r, double q) {
  const bool admissible = S > 0 && Tavg >= 0 && tau >= 0 && tau <= Tavg && A > 0 && K > 0 &&
                          sigma > 0 && r >= 0 && q >= 0;
  if (!admissible) return undefinedvalue();
  if (tau == 0) return intrinsic(callput, A, K);
  const double G0 = std::pow(A, (Tavg - tau) / Tavg) * std::pow(S, tau / Tavg);
  const double b = r - q - sigma * sigma / 2;
  const double v = sigma * std::sqrt(tau * tau * tau / 3);
  const double d2 = (Tavg * std::log(G0 / K) + b * tau * tau / 2) / v;
  const double d1 = d2 + sigma * sigma * tau * tau * tau / (3 * Tavg * v);
  const double F = G0 * std::exp(b * tau * tau / (2 * Tavg) +
                                 sigma * sigma * tau * tau * tau / (6 * Tavg * Tavg));
  const double discount = std::exp(-r * tau);
  if (callput > 0) return discount * (F * normalcdf(d1) - K * normalcdf(d2));
  return discount * (K * normalcdf(-d2) - F * normalcdf(-d1));
}

}  // namespace

double geometriccall(double Tavg, double T, double S, double A, double K, double sigma, double r,
                     double q) {
  return geometricvalue(+1, Tavg, T, S, A, K, sigma, r, q);
}

double geometricput(double Tavg, double T, double S, double A, double K, double sigma, double r,
                    double q) {
  return geometricvalue(-1, Tavg, T, S, A, K, sigma, r, q);
}

const scalarhandlerentry asianhandler =
    handlerentryof<asiancodes, refusal::silent, formulafor<arithmeticcallcode, arithmeticcall>,
                   formulafor<arithmeticputcode, arithmeticput>,
                   formulafor<geometriccallcode, geometriccall>,
                   formulafor<geometricputcode, geometricput>>(
        readsentry(entrymode) | readsentry(entrysensitivity));

}  // namespace EuropeanAsian

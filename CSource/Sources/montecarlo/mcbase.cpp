#include "montecarlo/mcbase.h"

#include <cmath>
#include <cstdio>

#include "finitedifference/contractdata.h"
#include "numerics/messages.h"

namespace {

constexpr std::int32_t limitedsteps = 500;  // M when both counts came from the table

// limit / (a b c) in integer division: 0 when the product exceeds the limit. The product is
// formed in doubles, exact for every product up to the limit.
std::int32_t countwithin(double a, double b, double c) {
  const double product = a * b * c;
  if (product > memorylimit) return 0;
  return static_cast<std::int32_t>(static_cast<std::int64_t>(memorylimit) /
                                   static_cast<std::int64_t>(product));
}

bool samecount(std::int32_t a, std::int32_t b) {
  return std::fabs(static_cast<double>(a) - static_cast<double>(b)) <= sametolerance;
}

}  // namespace

pathcounts limitmemory(pathcounts counts, std::int32_t n, bool pathsdefaulted, bool stepsdefaulted,
                       stepcount kind) {
  const double N = counts.paths, M = counts.steps, assets = n, bytes = 8.0;
  if (N <= 0 || M <= 0 || assets <= 0 || N * M * assets * bytes <= memorylimit) return counts;
  pathcounts cut;
  if (kind == stepcount::fixed)
    cut = {countwithin(assets, bytes, M), counts.steps};
  else if (!pathsdefaulted && !stepsdefaulted)
    cut = {countwithin(assets, bytes, limitedsteps), limitedsteps};
  else if (pathsdefaulted)
    cut = {counts.paths, countwithin(assets, bytes, N)};
  else
    cut = {countwithin(assets, bytes, M), counts.steps};
  cut.callercut = (!pathsdefaulted && cut.paths != counts.paths) ||
                  (!stepsdefaulted && cut.steps != counts.steps);
  return cut;
}

std::string memorylimitmessage(std::int32_t paths, std::int32_t steps) {
  char line[160];
  std::snprintf(line, sizeof line, messages::memorylimitcut, static_cast<int>(paths),
                static_cast<int>(steps));
  return line;
}

pathcounts simulationcounts(const parameterblock& block, std::int32_t n, std::int32_t defaultpaths,
                            std::int32_t steps, stepcount kind) {
  pathcounts counts{clampto32(entryinteger(block, entrypaths, 0, defaultpaths)), steps};
  const bool stepsdefaulted = kind == stepcount::fixed || usesdefault(block, entrysteps);
  if (kind == stepcount::adjustable)
    counts.steps = clampto32(entryinteger(block, entrysteps, 0, steps));
  return limitmemory(counts, n, usesdefault(block, entrypaths), stepsdefaulted, kind);
}

// mcbase

mcbase::mcbase(marketdata& record, pathcounts counts, bool stepfactors)
    : data(&record),
      ownsdata(false),
      paths(counts.paths),
      steps(counts.steps),
      stepfactors(stepfactors),
      countscut(counts.callercut) {}

mcbase::mcbase(const mcbase& source, clonetag)
    : financialbase(),
      data(new marketdata(*source.data)),
      ownsdata(true),
      paths(source.paths),
      steps(source.steps),
      stepfactors(source.stepfactors),
      countscut(source.countscut) {}

mcbase::~mcbase() {
  if (ownsdata) delete data;
}

double mcbase::evolve(int j, double w, int M, double previous) const {
  const pathtiming step = timing(M);
  const double growth = stepgrowth(stepdrift(*data, j, step.dt), std::sqrt(step.dt), w);
  return step.fromprevious ? previous * growth : growth;
}

double mcbase::discountedmean(double sum) const {
  return std::exp(-data->rate * data->expiry) * sum / paths;
}

double mcbase::sensitivity(int s, double sum1, double sum2, double P, double h) const {
  const double T = data->expiry, r = data->rate, D = std::exp(-r * T);
  const double N = paths;
  switch (s) {
    case 0: return P;
    case 1:
    case 3: return (D * sum1 / N - P) / h;
    case 2: return (D * (sum1 + sum2) / N - 2 * P) / (h * h);
    case 4: return (std::exp(-r * (T + h)) * sum1 / N - P) / (-h);
    default: return (std::exp(-(r + h) * T) * sum1 / N - P) / h;
  }
}

bool mcbase::nanterms() const { return data->hasnan(); }

bool mcbase::samerun(const mcbase* other) const {
  return samemarket(*data, *other->data) && samecount(paths, other->paths) &&
         samecount(steps, other->steps);
}

// singlestepmc

singlestepmc::singlestepmc(marketdata& record, const parameterblock& block,
                           std::int32_t defaultpaths)
    : mcbase(record,
             simulationcounts(block, record.count, defaultpaths, pointsperpath, stepcount::fixed),
             false) {}

pathtiming singlestepmc::timing(int /*M*/) const { return {data->expiry, false}; }

void singlestepmc::terminalprices(const double* path, int M, double* values) const {
  for (int i = 0; i < data->count; ++i) values[i] = spot(i) * path[static_cast<std::size_t>(i) * M + 1];
}

void singlestepmc::forwards(double* means) const {
  for (int i = 0; i < data->count; ++i)
    means[i] = spot(i) * std::exp((data->rate - data->dividends[i]) * data->expiry);
}

// multistepmc

pathtiming multistepmc::timing(int M) const { return {data->expiry / M, !stepfactors}; }

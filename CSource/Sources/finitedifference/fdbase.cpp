#include "finitedifference/fdbase.h"

#include <cmath>
#include <cstdint>
#include <typeinfo>

#include "numerics/comparisons.h"

namespace {

bool samesize(std::int32_t a, std::int32_t b) {
  return std::fabs(static_cast<double>(a) - static_cast<double>(b)) <= sametolerance;
}

// Index of the critical search's first node: the integer part of c x N, held inside the grid.
int searchstart(double c, int n) {
  const std::int64_t start = truncatetointeger(c * n);
  if (start < 0) return 0;
  if (start > n - 1) return n - 1;
  return static_cast<int>(start);
}

}  // namespace

bool gridsizesadmissible(std::int32_t nspace, std::int32_t ntime) {
  return nspace >= minimumnspace && nspace <= maximumnspace && ntime >= minimumntime &&
         ntime <= maximumntime &&
         static_cast<double>(nspace) * static_cast<double>(ntime) <= maximumgridwork;
}

fdbase::fdbase(contractdata& record, const parameterentry& grid) : fdbase(record, grid, 0) {}

fdbase::fdbase(contractdata& record, const parameterentry& grid, std::int64_t edgesteps)
    : data(&record),
      nspace(defaultnspace),
      ntime(defaultntime),
      edgesteps(edgesteps),
      ownsdata(false) {
  if (grid.flag == 0) {
    nspace = clampto32(truncatetointeger(grid.row[0]));
    ntime = clampto32(truncatetointeger(grid.row[1]));
  }
}

fdbase::fdbase(const fdbase& source, clonetag)
    : financialbase(),
      data(new contractdata(*source.data)),
      nspace(source.nspace),
      ntime(source.ntime),
      edgesteps(source.edgesteps),
      ownsdata(true) {}

fdbase::~fdbase() {
  if (ownsdata) delete data;
}

bool fdbase::issame(const fdbase* other) const {
  return other != nullptr && typeid(*other) == typeid(*this) && samecontract(other);
}

bool fdbase::samecontract(const fdbase* other) const {
  return other != nullptr && *data == *other->data && samesize(nspace, other->nspace) &&
         samesize(ntime, other->ntime) && edgesteps == other->edgesteps;
}

void fdbase::gridlimits(gridinfo& /*grid*/, const parameterblock* /*params*/) const {}

void fdbase::boundary(double /*t*/, gridinfo& /*grid*/, const parameterblock* /*params*/) const {}

double fdbase::payoff(double /*S*/, const parameterblock* /*params*/) const { return 0.0; }

double fdbase::critstart(const gridinfo& grid, const parameterblock* /*params*/) const {
  return data->strike / grid.high;
}

void fdbase::heatgridlimits(gridinfo& /*grid*/, const parameterblock* /*params*/) const {}

void fdbase::heatboundary(double /*tau*/, double /*k*/, double /*kprime*/, gridinfo& /*grid*/,
                          const parameterblock* /*params*/) const {}

double fdbase::heatpayoff(double /*x*/, double /*kprime*/, const parameterblock* /*params*/) const {
  return 0.0;
}

bool fdbase::heatedgesready(const parameterblock* /*params*/) const { return true; }

void fdbase::stepcondition(const gridlevel& level, double* values,
                           const parameterblock* /*params*/) const {
  if (data->american != 1) return;
  for (int i = 1; i <= level.n - 2; ++i)
    values[i] = maxof(values[i], level.exercise[i] * level.growth);
}

// The reflecting edge of a similarity grid on [0, level1]: the value beyond the last interior
// node is that node's value divided by (level1 - d), d = 0 for a call and the spacing for a put,
// and is folded into the last interior row.
void fdbase::edgematrix(double* diag, double* upper, double* /*lower*/, double spacing,
                        int n) const {
  if (data->reflecting != 1) return;
  const double shift = data->callput == 1 ? 0.0 : spacing;
  diag[n - 2] += upper[n - 2] / (data->level1 - shift);
  upper[n - 2] = 0.0;
}

void fdbase::finalcondition(double* values, int n) const {
  if (data->reflecting == 1) values[n - 1] = values[n - 2];
}

// From the node of critstart, step towards the exercise region (up for a call, down for a put)
// until value <= exercise: the critical price lies half a step back, on the continuation side.
// The search stops at the grid ends and answers that edge's result; a NaN on its way is the
// answer. On a reflecting grid it steps up while value equals exercise, and the answer lies half
// a step below the first continuation node; a NaN there is the answer too.
double fdbase::criticalprice(const finishedgrid& grid, const parameterblock* params) const {
  auto exercise = [&](int i) { return maxof(payoff(grid.nodes[i], params), 0.0); };
  const double* values = grid.values;
  int i = searchstart(critstart(grid.gridinfo, params), grid.n);
  if (data->reflecting != 1) {
    const int step = data->callput > 0 ? 1 : -1;
    for (;;) {
      if (std::isnan(values[i])) return values[i];
      if (values[i] <= exercise(i)) break;
      const int next = i + step;
      if (next < 0 || next > grid.n - 1) break;
      i = next;
    }
    return grid.gridinfo.low + grid.spacing * (i - data->callput / 2.0);
  }
  while (i < grid.n - 1 && values[i] == exercise(i)) ++i;
  if (std::isnan(values[i])) return values[i];
  return grid.gridinfo.low + grid.spacing * (i - 0.5);
}

#include "finitedifference/fdbase.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "numerics/messages.h"
#include "numerics/undefined.h"

namespace {

bool sameterm(double a, double b) { return std::fabs(a - b) <= sametolerance; }

bool sameflag(std::int32_t a, std::int32_t b) {
  return sameterm(static_cast<double>(a), static_cast<double>(b));
}

std::int32_t clampto32(std::int64_t value) {
  constexpr std::int64_t low = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t high = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(value < low ? low : value > high ? high : value);
}

// The valuation mode of parameter entry 0: 1 by default, else the integer part of its value.
// Modes other than 1 act as 0 (caching).
int valuationmode(const parameterblock& params) {
  const std::int64_t mode = entryinteger(params, entrymode, 0, 1);
  return mode == 1 ? 1 : 0;
}

// Frees whatever the grid cache holds when the library is unloaded (the block itself is plain
// data and outlives this object's destructor).
struct cacheatunload {
  ~cacheatunload() {
    parameterblock& block = theparameterblock();
    delete block.fdclone;
    block.fdclone = nullptr;
    delete block.fdcarrier;
    block.fdcarrier = nullptr;
  }
} const freecacheatunload;

}  // namespace

bool operator==(const contractdata& a, const contractdata& b) {
  return sameterm(a.expiry, b.expiry) && sameterm(a.volatility, b.volatility) &&
         sameterm(a.rate, b.rate) && sameterm(a.dividend, b.dividend) &&
         sameterm(a.strike, b.strike) && sameterm(a.level1, b.level1) &&
         sameterm(a.level2, b.level2) && sameflag(a.callput, b.callput) &&
         sameflag(a.american, b.american) && sameflag(a.critical, b.critical) &&
         sameflag(a.reflecting, b.reflecting);
}

bool gridsizesadmissible(std::int32_t nspace, std::int32_t ntime) {
  return nspace >= minimumnspace && nspace <= maximumnspace && ntime >= minimumntime &&
         ntime <= maximumntime &&
         static_cast<double>(nspace) * static_cast<double>(ntime) <= maximumgridwork;
}

// fdbase

fdbase::fdbase(contractdata& record, const parameterentry& grid)
    : data(&record), clone(nullptr), nspace(defaultnspace), ntime(defaultntime), ownsdata(false) {
  if (grid.flag == 0) {
    nspace = clampto32(truncatetointeger(grid.row[0]));
    ntime = clampto32(truncatetointeger(grid.row[1]));
  }
}

fdbase::fdbase(const fdbase& source, clonetag)
    : financialbase(),
      data(new contractdata(*source.data)),
      clone(nullptr),
      nspace(source.nspace),
      ntime(source.ntime),
      ownsdata(true) {}

fdbase::~fdbase() {
  if (ownsdata) delete data;
}

double fdbase::critstart(const double* gridinfo, const parameterblock* /*params*/) const {
  return data->strike / gridinfo[4];
}

bool fdbase::samecontract(const fdbase* other) const {
  return other != nullptr && *data == *other->data && sameflag(nspace, other->nspace) &&
         sameflag(ntime, other->ntime);
}

// methodcarriesfd

methodcarriesfd::methodcarriesfd(std::int32_t n)
    : dt(0.0),
      dx(0.0),
      nodes(new double[n > 0 ? n : 1]()),
      values(new double[n > 0 ? n : 1]()),
      gridinfo(new double[fdbase::gridinfosize]()),
      curvature(new double[n > 0 ? n : 1]()),
      size(n) {}

methodcarriesfd::~methodcarriesfd() {
  delete[] nodes;
  delete[] values;
  delete[] gridinfo;
  delete[] curvature;
}

// fdvaluation

fdvaluation::fdvaluation(fdbase* instrument)
    : instrument(instrument), working(instrument->clone), carrier(nullptr) {}

double fdvaluation::value(parameterblock* params) {
  const int mode = valuationmode(*params);
  if (checkinputs(1) != 1.0) {
    // Refused: the cache stays as it was; the working copy is nobody's, so it goes now.
    delete working;
    working = nullptr;
    instrument = nullptr;
    return undefinedvalue();
  }
  const bool reused = mode == 1 ? false : canreuse(params);
  double result;
  if (reused) {
    carrier = params->fdcarrier;
    result = fromcarrier(params);
  } else {
    delete params->fdcarrier;
    params->fdcarrier = nullptr;
    carrier = new methodcarriesfd(instrument->nspace);
    result = solve(mode, params);
  }
  release(reused, mode, params);
  return result;
}

bool fdvaluation::canreuse(parameterblock* params) {
  methodcarries* cached = params->fdcarrier;
  return dynamic_cast<methodcarriesfd*>(cached) != nullptr && params->fdclone != nullptr &&
         working->issame(params->fdclone);
}

void fdvaluation::release(bool reused, int mode, parameterblock* params) {
  if (reused) {
    delete working;
  } else {
    delete params->fdclone;
    params->fdclone = nullptr;
    if (mode == 1) {
      delete working;
      delete carrier;
    } else {
      params->fdclone = working;
      params->fdcarrier = carrier;
    }
  }
  carrier = nullptr;
  instrument = nullptr;
  working = nullptr;
}

double fdvaluation::checkinputs(int /*flag*/) {
  const contractdata& d = *instrument->data;
  if (d.expiry < 0 || d.spot < 0 || d.volatility <= 0 || d.rate < 0 || d.dividend < 0)
    return undefinedvalue();
  if (!gridsizesadmissible(instrument->nspace, instrument->ntime)) {
    writemessage(messages::gridsizes);
    return undefinedvalue();
  }
  return 1.0;
}

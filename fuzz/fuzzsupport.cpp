#include "fuzzsupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace fuzzing {

namespace {

constexpr hostinteger largeststorage = 1 << 14;  // elements one fuzzed tensor may hold
constexpr hostinteger largestdimension = std::numeric_limits<hostinteger>::max();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

// The product of the dimensions, saturated at the largest 64-bit value (none is negative).
hostinteger product(const std::vector<hostinteger>& dims) {
  hostinteger count = 1;
  for (hostinteger d : dims) {
    if (d == 0) return 0;
    count = count > largestdimension / d ? largestdimension : count * d;
  }
  return count;
}

std::uint64_t calls = 0;

void reportcalls() {
  std::fprintf(stderr, "kzr fuzz: %llu entry-point calls\n",
               static_cast<unsigned long long>(calls));
}

}  // namespace

standin::host& library() {
  static standin::host* loaded = [] {
    const int quiet = open("/dev/null", O_WRONLY);
    if (quiet >= 0) {
      dup2(quiet, STDOUT_FILENO);
      close(quiet);
    }
    std::atexit(reportcalls);
    return new standin::host();  // kept for the whole run, as a host keeps its library
  }();
  return *loaded;
}

void countcall() { ++calls; }

bool tracing() {
  static const bool on = std::getenv("KZR_FUZZ_TRACE") != nullptr;
  return on;
}

std::string describe(const standin::tensor& t) {
  std::string text = "{";
  for (std::size_t i = 0; i < t.dims.size(); ++i)
    text += (i ? "," : "") + std::to_string(t.dims[i]);
  text += "}";
  char number[40];
  for (double v : t.reals) {
    std::snprintf(number, sizeof number, " %.17g", v);
    text += number;
  }
  for (hostinteger v : t.integers) text += " " + std::to_string(v);
  return text;
}

void fail(const std::string& what) {
  std::fprintf(stderr, "kzr fuzz check failed: %s\n", what.c_str());
  std::abort();
}

void checkstatus(int status, const std::string& call) {
  if (status != 0 && status != 1) fail(call + " returned status " + std::to_string(status));
}

void checkaccounts() {
  standin::host& host = library();
  if (host.outstandingshares() != 0)
    fail(std::to_string(host.outstandingshares()) + " tensor shares were not given back");
  if (host.outstandingresults() != 0)
    fail(std::to_string(host.outstandingresults()) + " result tensors were left with the host");
  if (host.outstandingstrings() > 3)  // fun, funvec and fifun each keep their last code text
    fail(std::to_string(host.outstandingstrings()) + " code texts were not given back");
}

hostinteger dimension(FuzzedDataProvider& in, hostinteger usual) {
  switch (in.ConsumeIntegralInRange<int>(0, 9)) {
    case 0:
    case 1:
    case 2: return usual;
    case 3: return usual + 1;
    case 4: return usual > 0 ? usual - 1 : 0;
    case 5: return 0;
    case 6: return 1;
    case 7: return in.ConsumeIntegralInRange<hostinteger>(0, 12);
    case 8: return -in.ConsumeIntegralInRange<hostinteger>(1, 3);
    default: {
      const hostinteger huge[] = {hostinteger(1) << 31, hostinteger(1) << 32, hostinteger(1) << 40,
                                  hostinteger(1) << 62, largestdimension};
      return in.PickValueInArray(huge);
    }
  }
}

std::vector<hostinteger> shape(FuzzedDataProvider& in, hostinteger rows, hostinteger columns) {
  const int ranks[] = {2, 2, 2, 2, 3, 4, 1, 0};
  const int rank = in.PickValueInArray(ranks);
  std::vector<hostinteger> dims;
  for (int i = 0; i + 2 < rank; ++i) dims.push_back(dimension(in, 1));
  if (rank >= 2) dims.push_back(dimension(in, rows));
  if (rank >= 1) dims.push_back(dimension(in, rank == 1 ? rows * columns : columns));
  return dims;
}

std::size_t storagefor(std::vector<hostinteger>& dims, hostinteger rowsread) {
  for (hostinteger d : dims)
    if (d < 0) return 0;  // no host could back it; the library refuses it before reading
  if (product(dims) <= largeststorage) return static_cast<std::size_t>(product(dims));
  if (dims.size() < 2) return largeststorage;  // a flag list: read to its sixth element
  hostinteger& rows = dims[dims.size() - 2];
  hostinteger& columns = dims.back();
  const auto readable = [&] { return product({std::min(rows, rowsread), columns}); };
  if (readable() > largeststorage) columns = 1 + columns % 7;
  if (readable() > largeststorage) rows = rows % 16;
  if (product(dims) <= largeststorage) return static_cast<std::size_t>(product(dims));
  return static_cast<std::size_t>(readable());
}

double value(FuzzedDataProvider& in) {
  static const double usual[] = {1,   100, 0.2, 0.05, 0.02, 0.5, 90,  110,  2,
                                 0.3, 0.8, 10,  -0.5, 1.5,  95,  105, 0.25, 3};
  static const double special[] = {nan,
                                   -nan,
                                   inf,
                                   -inf,
                                   0.0,
                                   -0.0,
                                   std::numeric_limits<double>::denorm_min(),
                                   std::numeric_limits<double>::min(),
                                   std::numeric_limits<double>::max(),
                                   -std::numeric_limits<double>::max(),
                                   1e-300,
                                   1e300,
                                   9223372036854775808.0,
                                   -1.0,
                                   1e-9};
  switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0:
    case 1:
    case 2: return in.PickValueInArray(usual);
    case 3: return in.PickValueInArray(special);
    case 4: return in.ConsumeFloatingPointInRange<double>(-1000.0, 1000.0);
    default: {
      const std::uint64_t bits = in.ConsumeIntegral<std::uint64_t>();
      double any;
      std::memcpy(&any, &bits, sizeof any);
      return any;
    }
  }
}

double oneof(FuzzedDataProvider& in, std::initializer_list<double> values) {
  const std::size_t pick = in.ConsumeIntegralInRange<std::size_t>(0, values.size());
  if (pick < values.size()) return *(values.begin() + pick);
  return value(in);
}

std::string code(FuzzedDataProvider& in, const std::vector<std::string>& codes) {
  const std::size_t pick = in.ConsumeIntegralInRange<std::size_t>(0, codes.size() + 3);
  if (pick < codes.size()) return codes[pick];
  const std::string& near = codes[in.ConsumeIntegralInRange<std::size_t>(0, codes.size() - 1)];
  switch (pick - codes.size()) {
    case 0: {
      std::string lower = near;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      return lower;
    }
    case 1: return near + " ";
    case 2: return "";
    default: return in.ConsumeRandomLengthString(40);
  }
}

bool samevalue(double a, double b) {
  if (a != a && b != b) return true;
  return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace fuzzing

// Parsing of kzr's pricing calls:
//
//   price CODE ROW... [--mode M] [--greek G] [--grid N,M] [--paths N] [--steps N] [--seed N]
//         [--precise]
//   vector CODE ROW... [the same options]
//
// Each ROW is one row of the data table, values separated by commas; shorter rows are padded
// with zeros to the longest. An option fills its parameter entry (flag 0 and the values); an
// entry not given keeps a nonzero flag, so the library applies its default. --seed and --precise
// fill the two values of entry 5, the library options: the seed of every random source of the
// call, and 1 for the precise bivariate normal (the other value stays 0, its default).
#ifndef KZR_TOOLS_COMMANDLINE_H
#define KZR_TOOLS_COMMANDLINE_H

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// A mistake in how the tool was called; its text is the one-line message for standard error.
class usageerror : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

constexpr int entrycount = 6;

struct pricingcall {
  bool vector = false;  // funvec instead of fun
  std::string code;
  std::vector<std::vector<double>> rows;
  std::array<std::int64_t, entrycount> flags{1, 1, 1, 1, 1, 1};
  std::array<std::array<double, 2>, entrycount> entries{};
};

// Sets the parameter entry of one option (--mode, --greek, ... as above; --precise ignores the
// value). Throws usageerror.
void applyoption(pricingcall& call, const std::string& option, const std::string& value);

// words[0] is "price" or "vector". Throws usageerror.
pricingcall parsepricingcall(const std::vector<std::string>& words);

// A number as the tool reads it: a whole decimal literal, "nan" or "inf" included.
double parsenumber(const std::string& text);

// Splits a batch line into words at white space.
std::vector<std::string> splitwords(const std::string& line);

#endif  // KZR_TOOLS_COMMANDLINE_H

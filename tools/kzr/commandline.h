// Parsing of kzr's pricing calls:
//
//   price CODE ROW... [--mode M] [--greek G] [--grid N,M] [--paths N] [--steps N] [--seed N]
//         [--precise] [--negative-rates] [--sobol] [--control]
//   vector CODE ROW... [the same options]
//
// Each ROW is one row of the data table, values separated by commas; shorter rows are padded
// with zeros to the longest. An option fills its parameter entry (flag 0 and the values); an
// entry not given keeps a nonzero flag, so the library applies its default. --seed and --precise
// fill the two values of entry 5, the library options: the seed of every random source of the
// call, and 1 for the precise numerics (the precise bivariate normal and the converged American
// vanilla prices; the other value stays 0, its default); --negative-rates sets value 4 to 1
// (negative rates and yields where the code's formulas hold); --sobol and --control set values
// 2 and 3 to 1 (Sobol draws through the Brownian bridge, control variates).
//
//   greeks CODE ROW... [--only LIST] [--grid N,M] [--paths N] [--steps N] [--seed N] [--precise]
//          [--negative-rates]
//   solve CODE ROW... --target PRICE --for NAME [--bracket LO,HI] [the options of greeks]
//
// greeks and solve choose the valuation mode and the sensitivity selector of their calls
// themselves (greeks.h, impliedinput.h): --mode and --greek are refused there. --only takes
// greek names separated by commas (delta,gamma).
#ifndef KZR_TOOLS_COMMANDLINE_H
#define KZR_TOOLS_COMMANDLINE_H

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "binding/interfacenumbers.h"
#include "greeks.h"
#include "impliedinput.h"
#include "pricingcall.h"

// A mistake in how the tool was called; its text is the one-line message for standard error.
class usageerror : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The options that set a parameter entry, by entry (entry 5 has one per library option), and
// those that set a library option, by value position (binding/interfacenumbers.h).
constexpr std::array<const char*, parameterentrycount> entryflags = {
    "--mode", "--greek", "--grid", "--paths", "--steps", nullptr};
constexpr std::array<const char*, libraryoptioncount> optionflags = {
    "--seed", "--precise", "--sobol", "--control", "--negative-rates"};
// Whether the option takes no value of its own (every library option but --seed).
bool isvaluelessoption(const std::string& option);

// Sets the parameter entry of one option (--mode, --greek, ... as above; --precise,
// --negative-rates, --sobol and --control ignore the value). Throws usageerror.
void applyoption(pricingcall& call, const std::string& option, const std::string& value);

// words[0] is "price" or "vector". Throws usageerror.
pricingcall parsepricingcall(const std::vector<std::string>& words);

struct greekscall {
  pricingcall call;
  sensitivities::greekselection which;
};
// words[0] is "greeks". Throws usageerror.
greekscall parsegreekscall(const std::vector<std::string>& words);

struct solvecall {
  pricingcall call;
  sensitivities::solverequest request;
};
// words[0] is "solve". Throws usageerror.
solvecall parsesolvecall(const std::vector<std::string>& words);

// A number as the tool reads it: a whole decimal literal, "nan" or "inf" included.
double parsenumber(const std::string& text);

// words[0] is "batch": the FILE (or - for standard input) and whether --progress was given.
// Throws usageerror.
struct batcharguments {
  std::string file;
  bool progress = false;
};
batcharguments parsebatcharguments(const std::vector<std::string>& words);

// Splits a batch line into words at white space; a word starting with # starts a comment, which
// runs to the end of the line (a whole line, or after a call).
std::vector<std::string> splitwords(const std::string& line);
// Whether a batch line's words are a call: not blank, not only a comment.
bool isbatchentry(const std::vector<std::string>& words);

#endif  // KZR_TOOLS_COMMANDLINE_H

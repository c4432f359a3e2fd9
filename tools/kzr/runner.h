// What kzr does with a command, in one loaded library: price, vector, greeks, solve, fi, batch,
// codes, demo.
#ifndef KZR_TOOLS_RUNNER_H
#define KZR_TOOLS_RUNNER_H

#include <iosfwd>
#include <string>
#include <vector>

#include "commandline.h"
#include "host.h"
#include "lineoutput.h"
#include "pricer.h"

// Exit statuses.
constexpr int exitanswered = 0;   // the library answered (an undefined value included)
constexpr int exitusage = 2;      // a usage error or a call the library refused (unknown code)
constexpr int exitnopicture = 1;  // the table was printed but the picture could not be drawn
constexpr int exitnoroot = 3;     // solve found no value of the input that gives the price

// A double as kzr prints it, in a printf format (17 significant digits unless told): every NaN
// as "nan", whatever its sign bit, and the infinities as "inf" and "-inf".
std::string formatnumber(double value, const char* format = "%.17g");
// The parameter entries a call sets, as the options that set them (kzr demo echoes them after the
// inputs, so that two rows of one code can be told apart). Of the library options, those given:
// the seed when not 0, --precise when the numerics are 1, --sobol and --control when their values
// are 1, and any other later value when not 0 as "--option K=V" (K its value position).
std::string echoentries(const pricingcall& call);
// The values of a vector answer as kzr prints them: numbers separated by spaces.
std::string formatrow(const std::vector<double>& row);

class runner {
 public:
  explicit runner(standin::host& library) : library(library), calls(library) {}

  // Runs one command line (words[0] is the command). Returns the exit status.
  int run(const std::vector<std::string>& words);
  // Runs line `number` of a batch (one that isbatchentry) with its writing recorded.
  lineoutput runbatchline(int number, const std::string& line);

  // One call of fun or funvec: whether the library refused it, and its values (one for fun).
  struct pricedcall {
    bool refused = false;
    std::vector<double> values;
  };
  pricedcall pricevalues(const pricingcall& call);
  // One line on standard error: why the library refused the call; where starts it ("line 3: ").
  void reportrefusal(const pricingcall& call, const std::string& where = "");

 private:
  struct answer {
    bool refused = false;  // the library refused the call (status not 0)
    std::string text;      // the result as printed
  };
  answer price(const pricingcall& call);
  int runprice(const std::vector<std::string>& words);
  int runbatch(const std::vector<std::string>& words);
  // greeks, solve and fi NAME [options]; in a batch, prefix is the line's number ("3: "): each
  // message on standard error starts with "line " and the prefix (the line's recording puts the
  // prefix before every line of standard output). An unknown fixed-income function exits 2.
  int rungreeks(const std::vector<std::string>& words, const std::string& prefix);
  int runsolve(const std::vector<std::string>& words, const std::string& prefix);
  int runfi(const std::vector<std::string>& words, const std::string& prefix);
  int runbatchlines(std::istream& input, class progressline& progress);
  // One batch line's call (words not empty); returns its exit status.
  int runbatchwords(int number, const std::vector<std::string>& words);
  int runcodes();
  int rundemo();
  // curve and the demo's pictures (curverun.cpp).
  int runcurve(const std::vector<std::string>& words);
  int drawdemo(const std::string& folder);
  // The curve's values for one sensitivity (empty: the entry as the call has it); false when
  // the library refused a point (reported on standard error). With errors, each point is priced
  // in `blocks` blocks (splitsimulation.h) and errors receives the standard errors.
  bool curvevalues(pricingcall call, std::size_t varied, const std::vector<double>& points,
                   std::vector<double>& values, std::vector<double>* errors = nullptr,
                   int blocks = 0);
  standin::host& library;
  sensitivities::hostpricer calls;
};

std::string usagetext();
// What each option of price and vector sets (part of the usage text and of kzr codes).
std::string optionstext();
// The conventions of greeks and solve (part of the usage text).
std::string greekstext();
// What --stderr and --blocks do (part of the usage text).
std::string errortext();

#endif  // KZR_TOOLS_RUNNER_H

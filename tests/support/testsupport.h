// Shared fixtures of the test programs: one loaded library through the host stand-in, calls with
// tables built from rows, the undefined value by bit pattern, and runs of the kzr tool.
#ifndef KZR_TESTS_TESTSUPPORT_H
#define KZR_TESTS_TESTSUPPORT_H

#include <string>
#include <vector>

#include "binding/interfacenumbers.h"
#include "host.h"

namespace testsupport {

// The library loaded once per test program.
standin::host& library();

// Parameter tables: every entry at its default unless given.
struct parameters {
  std::vector<hostinteger> flags = std::vector<hostinteger>(parameterentrycount, 1);
  // parameterentrycount x entryvaluecount, row by row
  std::vector<double> rows = std::vector<double>(parameterentrycount * entryvaluecount, 0.0);
  parameters& set(int entry, double first, double second = 0.0) {
    flags[entry] = 0;
    rows[entryvaluecount * entry] = first;
    rows[entryvaluecount * entry + 1] = second;
    return *this;
  }
};

// fun with one input per row (a 6-input contract gets a 6 x 1 table).
standin::scalarresult fun(const std::string& code, const std::vector<double>& inputs,
                          const parameters& entries = {});
// fun with explicit rows.
standin::scalarresult funrows(const std::string& code, const std::vector<std::vector<double>>& rows,
                              const parameters& entries = {});
double price(const std::string& code, const std::vector<double>& inputs,
             const parameters& entries = {});

// The output of one run of the kzr tool (bin/kzr beside the test program).
struct toolrun {
  int status;
  std::string out;
  std::string err;
};
// arguments are passed to the shell as written; input is fed to standard input.
toolrun runkzr(const std::string& arguments, const std::string& input = "");
// Any command line, through the shell, with input on standard input.
toolrun runcommand(const std::string& command, const std::string& input = "");
// A program beside the test program, quoted for the shell.
std::string besideprogram(const std::string& name);
// The last line of a text.
std::string lastline(const std::string& text);

}  // namespace testsupport

#endif  // KZR_TESTS_TESTSUPPORT_H

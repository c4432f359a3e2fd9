// kzr fi: one fifun call built from the command line.
//
//   fi NAME [--number KEY=VALUE]... [--date KEY=YYYY-MM-DD]... [--text KEY=VALUE]...
//           [--list KEY=V1,V2,...]... [--series8 ROW]... [--series9 ROW]... [--table10 ROW]...
//           [--table]
//
// Every key and text is put in the host kernel's table of texts under an id, and the eleven
// tables carry the ids and the values (a list row is its length, then its values; a ROW is values
// separated by commas; shorter rows are padded with zeros). The result is printed readably
// (status, scalar, values, dated values) or, with --table, as the seven rows of the result table.
#ifndef KZR_TOOLS_FIXEDINCOMECOMMAND_H
#define KZR_TOOLS_FIXEDINCOMECOMMAND_H

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "host.h"

struct fixedincomecall {
  std::string name;
  std::vector<std::pair<std::string, double>> numbers;
  std::vector<std::pair<std::string, std::array<double, 3>>> dates;
  std::vector<std::pair<std::string, std::string>> texts;
  std::vector<std::pair<std::string, std::vector<double>>> lists;
  std::vector<std::vector<double>> series8, series9, table10;
  bool table = false;  // print the raw result table
};

// words[0] is "fi". Throws usageerror.
fixedincomecall parsefixedincomecall(const std::vector<std::string>& words);

// What the result table of a call that succeeded holds: the status and scalar, the values of row
// 3 (its zero tail dropped), and the dated values as ((year, month, day), amount).
struct fixedincomeanswer {
  double status = 0.0;
  double scalar = 0.0;
  std::vector<double> values;
  std::vector<std::pair<std::array<double, 3>, double>> dated;
};

// Calls fifun with the call's keys and values in the eleven tables.
standin::fixedincomeresult callfixedincome(standin::host& library, const fixedincomecall& call);
// Reads the result table of a call whose status was ok and whose table has two dimensions.
fixedincomeanswer answerof(const standin::fixedincomeresult& result);

// Calls fifun; on success fills the lines to print and returns true, else returns false (the
// library refused the call). Messages the library shows go to the host's message watcher.
bool runfixedincome(standin::host& library, const fixedincomecall& call,
                    std::vector<std::string>& lines);

#endif  // KZR_TOOLS_FIXEDINCOMECOMMAND_H

// kzr curve: one contract priced across a range of one of its inputs, in one loaded library,
// printed as a table (the input, then one column per sensitivity) and, with --plot, drawn to a
// PNG by gnuplot.
//
//   curve CODE ROW... --vary NAME=FROM:TO[:COUNT] [--greek G]... [options] [--plot FILE.png]
//
// NAME is an input name of the code's table (kzr codes). Its ROW may be left out: the other rows
// are then taken in order around it. COUNT points (51 unless given, 2 to 100000) are spaced
// evenly from FROM to TO. Each --greek adds a column and a panel; without one the column is the
// price. The other options are those of kzr price.
#ifndef KZR_TOOLS_CURVECOMMAND_H
#define KZR_TOOLS_CURVECOMMAND_H

#include <string>
#include <vector>

#include "commandline.h"

struct curvecall {
  pricingcall call;                 // every row in place; the varied row is overwritten per point
  std::size_t varied = 0;           // the varied input's row
  std::string name;                 // its name
  std::vector<double> points;       // its values
  std::vector<std::string> greeks;  // the columns, as given; empty: the price alone
  std::string plotfile;             // empty: no picture
};

// words[0] is "curve". Throws usageerror.
curvecall parsecurvecall(const std::vector<std::string>& words);

// The picture's title: the code, its description and the inputs held fixed.
std::string curvetitle(const curvecall& curve);

#endif  // KZR_TOOLS_CURVECOMMAND_H

// What each input of a code is to the sensitivities: a price of an underlying today, a
// volatility, a rate, a date, or something else (a strike, a barrier, a yield, a correlation).
// The role is read off the input's name in the code table, whose names follow one convention
// (binding/codetable.h):
//   spot        S, or S with a qualifier (S1, S2); F, the forward of Black-76; E, the exchange
//               rate of the quantos (the price of the foreign currency today)
//   volatility  sigma, or sigma with a qualifier (sigma1, sigmaS)
//   rate        r (domestic), rf (foreign); not rho, the correlation
//   date        any name starting with t or T (T, t, t1, T2, Tc, Tp), in years from today
// and, with them, the bumps of the finite differences:
//   spots and volatilities   relative, 1e-4 of the value (1e-4 itself at a value of 0)
//   rates                    absolute, 1e-4 (one basis point)
//   dates                    one day, 1/365 of a year, every date at once (theta)
#ifndef KZR_TOOLS_INPUTROLES_H
#define KZR_TOOLS_INPUTROLES_H

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "codeentries.h"

namespace sensitivities {

enum class inputrole { spot, volatility, rate, date, other };

inputrole roleof(const std::string& name);

constexpr double relativebump = 1e-4;   // spots and volatilities
constexpr double ratebump = 1e-4;       // rates, absolute
constexpr double oneday = 1.0 / 365.0;  // theta's step, years

// The step of a central difference in an input of the role at value x (spots, volatilities and
// rates; dates move by oneday).
double bumpsize(inputrole role, double x);

// One value of the data table: row, then column (column 0 unless the row carries one value per
// asset of a counted table).
struct cell {
  std::size_t row = 0;
  std::size_t column = 0;
};

// An input of one code, where it sits in the table and what it is.
struct placedinput {
  std::string name;  // as the code table names it, with the asset's number for per-asset values
  inputrole role = inputrole::other;
  cell at;
};

// The inputs of a code, in table order, that the rows given reach: each named input of a plain
// table; in a counted table (first row the number of assets n) one input per asset for the
// spots and volatilities (named "S[1]", "S[2]", ...), one for the others.
std::vector<placedinput> placedinputs(const catalogueentry& entry,
                                      const std::vector<std::vector<double>>& rows);

// The value of a cell; 0 where the rows do not reach (the table pads short rows with zeros).
double valueat(const std::vector<std::vector<double>>& rows, cell at);
// Writes a cell, widening the rows as the table would pad them.
void setvalue(std::vector<std::vector<double>>& rows, cell at, double value);

}  // namespace sensitivities

#endif  // KZR_TOOLS_INPUTROLES_H

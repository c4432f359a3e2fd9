// fifun: fixed-income requests handed to the sibling fixed-income library (fikzr.h).
//
// A call converts its eleven tables T0 to T10 into one input record, fetching every name that
// keys a map from the host kernel (retrievestring), calls the library function registered under
// the instrument name, and answers with a 7-row real table: row 1 the status (1 success, 0
// failure), row 2 the scalar, row 3 the values, rows 4 to 7 the dated values as year, month, day
// and amount, one per column. Errors are shown to the user through printmessage and end in a
// status-0 table holding whatever the output record held when the error was raised.
//
// The conversions run in a fixed order, which fixes the order of the kernel callbacks and which
// failure is reported first: T10 (values10, views10), T9 (series9, views9), T8 (series8, views8),
// the lists (T6, T7), the texts (T4, T5; each value fetched before its key), the dates (T2, T3),
// the numbers (T0, T1). A later row with the same key overwrites an earlier one.
//
// Decisions of this bridge where the calling contract leaves room:
//   - An instrument name with no function: the registry is left as it is, the user is told the
//     name and the names that exist, and the table has status 0.
//   - The scalar of a function that sets none is the undefined value (the output record starts
//     with it).
//   - Tables are checked before their rows are read: every table needs rank 2 or more and no
//     negative dimension, the id tables must be integer tensors and the others real; the second
//     table of a pair needs at least the rows of the first; rows need one value (ids, numbers,
//     text ids), three (dates) or five (T8 and T9, the dated series); a list row of length L needs
//     L + 1 values. Anything else is refused with a message and status 0 before it is read. A
//     negative list length fails with the standard library's own text, "cannot create
//     std::vector larger than max_size()". T10 with no rows gives an empty values10.
//   - An error not derived from std::exception is reported as "Fixed-income call failed: unknown
//     error". A dated value whose date lies outside 1901 to 2199 (the null date among them)
//     cannot be written: the user is told, and the table carries status 0 with the scalar and
//     nothing else.
//   - A call without a name or eleven tables is refused with a message, no table and the host
//     status hoststatusfunctionerror; every other call returns 0.
//
// Not thread-safe: the registry, the retained code text and the kernel link are process-wide.
#ifndef KZR_FIXEDINCOME_FIXEDINCOME_H
#define KZR_FIXEDINCOME_FIXEDINCOME_H

#include <map>
#include <string>

#include <ql/time/date.hpp>

#include "binding/hostinterface.h"
#include "fixedincome/fikzr.h"

namespace FixedIncome {

using registry = std::map<std::string, fixedincomefunction>;

// The instrument names and their functions; empty until the first fifun call fills it.
registry& fixedincomehandlers();
// Stores the twelve names with their functions (assignment by key).
void fillfixedincomehandlers();

// The date of a table row: year, month and day truncated toward zero to 32-bit integers; a year
// of 1901 or less gives the null date, anything else QuantLib::Date(day, month, year), which
// raises QuantLib::Error for a year above 2199, a month outside 1 to 12 or a day outside the
// month.
QuantLib::Date dateofrow(double year, double month, double day);

// The fifun entry point (arguments: the instrument name, then T0 to T10; result: a real tensor).
int fifunentry(librarydata data, hostinteger argumentcount, hostargument* arguments,
               hostargument result);

}  // namespace FixedIncome

#endif  // KZR_FIXEDINCOME_FIXEDINCOME_H

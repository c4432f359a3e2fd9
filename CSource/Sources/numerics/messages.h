// Every fixed text the library writes to the standard output stream, in one place, and the two
// ways of writing them. Tests compare these texts word for word, line end included.
//
// Messages go through std::cout so that a host can redirect or watch them in one place.
#ifndef KZR_NUMERICS_MESSAGES_H
#define KZR_NUMERICS_MESSAGES_H

#include <string>

namespace messages {

// Numerical routines.
inline constexpr const char* singularmatrix = "Singular matrix";  // written without a line end
inline constexpr const char* badsplineknots = "Bad xa input to routine splint";
inline constexpr const char* nonsymmetricmatrix = "Non symmetric matrix";
inline constexpr const char* notpositivedefinite = "Matrix is not enough positive define";

// Pricing families.
inline constexpr const char* inputdataerror = "Input data error";
inline constexpr const char* valueundefined = "Input data error, value undefined";
inline constexpr const char* criticalundefined = "Input data error, critical value undefined";
inline constexpr const char* criticalinfinity = "Input data error, critical value is infinity";
inline constexpr const char* correlationerror = "Correlation matrix error, value undefined";
// The simulations' check of the correlation matrix's diagonal writes it with a lower-case c.
inline constexpr const char* diagonalcorrelationerror = "correlation matrix error, value undefined";
inline constexpr const char* unboundeddividend =
    "For dividend approacing zero the value is unbounded";
inline constexpr const char* criticalgrowsdividend =
    "For dividend approacing zero the critical grows to infinity";
inline constexpr const char* criticalinfinitedividend =
    "Dividend very near zero, critical value is infinity";
inline constexpr const char* neverexercise =
    "If strike is smaller than barrier then never is optimal to exercise";
inline constexpr const char* stockabovebarrier = "At least one stock is above its barrier";
inline constexpr const char* stepspositive = "Steps should be positive";
inline constexpr const char* pathspositive = "Paths should be positive";
// Paths whose step spans M - 1 intervals (the arithmetic Asian) need two points or more.
inline constexpr const char* twosteps = "Steps should be at least 2, value undefined";
inline constexpr const char* selectorrange = "Sensitivity selector out of range, value undefined";
// The simulations' memory limit cut a count the caller gave: a printf format of the paths and
// the steps (points per path) the valuation prices with.
inline constexpr const char* memorylimitcut =
    "Memory limit: paths and steps cut, priced with %d paths of %d steps";

// Compound, chooser and extendible families: a critical-price search that did not converge.
inline constexpr const char* criticalsearchfailed =
    "Critical price search did not converge, value undefined";

// Library option 4: a negative rate or yield that the code's formula does not hold for (its
// family's header says why), followed by the input's name.
inline constexpr const char* negativeinput =
    "Negative input refused by this code, value undefined: ";

// American vanilla codes under library option 4: a put with q < r < 0 or a call with r < q < 0
// is exercised between two boundaries, which one critical price or the one-boundary method cannot
// give.
inline constexpr const char* twoboundaries =
    "Two exercise boundaries (put: q < r < 0, call: r < q < 0), value undefined";

// Entry points: calls refused before any handler runs. Each is followed by a detail.
inline constexpr const char* unknowncode = "Unknown contract code: ";
inline constexpr const char* badtables = "Input tables refused: ";
inline constexpr const char* handlerfailure = "Pricing failed: ";

// Finite-difference grids and binomial trees: sizes and trees that cannot work.
inline constexpr const char* gridsizes = "Grid sizes out of range, value undefined";
inline constexpr const char* treesteps = "Tree steps out of range, value undefined";
inline constexpr const char* treeprobability = "Tree probability outside [0, 1], value undefined";

// Fixed-income bridge: texts shown to the user through the kernel (printmessage), not written to
// the standard output stream. Each is followed by a detail.
inline constexpr const char* fixedincomearguments =
    "fifun takes an instrument name and eleven tables";
inline constexpr const char* fixedincomeunknownname = "Unknown fixed-income function: ";
inline constexpr const char* fixedincometables = "Fixed-income tables refused: ";
inline constexpr const char* fixedincomefailure = "Fixed-income call failed: ";

}  // namespace messages

// Writes text and a line end to the standard output stream.
void writemessage(const char* text);
void writemessage(const std::string& text);
// Writes text with no line end (the few messages the library writes that way).
void writemessagenolineend(const char* text);
// The answer to a refused input: writes text and a line end, and gives the undefined value
// (numerics/undefined.h).
double refusedwith(const char* text);

#endif  // KZR_NUMERICS_MESSAGES_H

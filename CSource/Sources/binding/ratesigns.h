// The sign rule of rates and dividend yields, in one place. The design refuses a negative rate or
// yield in every family. Library option 4 (binding/libraryoptions.h) lifts that refusal for the
// families whose formulas and methods hold with the new signs:
//   - a family that holds says so once, for its code table (acceptsnegativerates,
//     binding/codetable.h, specialised in its Codes.h header), after checking its formulas' limits
//     with the new signs; its header says what it checked. Its input checks test a rate or a
//     yield with signrefused instead of "< 0", so that they refuse a negative value only when
//     the call did not set the option. A limit that holds for some signs only (the American
//     vanilla's two exercise boundaries) stays a refusal of its own in the family, with one line
//     naming the input (refusednegative).
//   - for every other family the adapters (binding/tablehandler.h, binding/countedhandler.h)
//     refuse a negative rate or yield under the option before the formula runs, with one line
//     naming the input: "Negative input refused by this code, value undefined: q".
// The rates and yields are the inputs named r, rf, and q alone or followed by a qualifier (q1,
// q2, q_i), by the naming convention of binding/codetable.h.
//
// Without the option nothing here changes an answer: the adapters refuse nothing more and
// signrefused(x) is x < 0.
//
// Process-wide: the adapters set the call's choice for the time of the formula
// (negativeratescope); a formula called directly, outside a handler, sees the design's refusal.
#ifndef KZR_BINDING_RATESIGNS_H
#define KZR_BINDING_RATESIGNS_H

#include <string>

// Whether the formula now running may take negative rates and yields (the call's option 4, set
// by the adapters).
bool negativeratesallowed();

// The refusal of a rate or yield by its sign: negative, and the call did not set the option.
inline bool signrefused(double rateoryield) { return rateoryield < 0 && !negativeratesallowed(); }

// Writes the one-line refusal naming the input and gives the undefined value.
double refusednegative(const std::string& name);

// Sets the choice for its lifetime and restores the one before.
class negativeratescope {
 public:
  explicit negativeratescope(bool allowed);
  ~negativeratescope();
  negativeratescope(const negativeratescope&) = delete;
  negativeratescope& operator=(const negativeratescope&) = delete;

 private:
  bool before;
};

// Whether the name is a rate's or a yield's (r, rf, q, q1, q2, q_i, ...).
bool israteinput(const std::string& name);

// The first rate or yield input of the list that is negative in the call, or an empty string.
// value(k, j) is value j of input k (j = 0 but for a per-asset row, "_i", of width columns).
template <typename reader>
std::string negativerateinput(const char* inputs, int columns, reader value) {
  int k = 0;
  std::string name;
  for (const char* c = inputs;; ++c) {
    if (*c != ',' && *c != '\0') {
      if (*c != ' ') name += *c;
      continue;
    }
    if (name != "..." && israteinput(name)) {
      const bool perasset = name.size() > 2 && name.compare(name.size() - 2, 2, "_i") == 0;
      for (int j = 0; j < (perasset ? columns : 1); ++j)
        if (value(k, j) < 0) return name;
    }
    if (*c == '\0') return std::string();
    name.clear();
    ++k;
  }
}

#endif  // KZR_BINDING_RATESIGNS_H

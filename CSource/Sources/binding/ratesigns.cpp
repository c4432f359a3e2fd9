#include "binding/ratesigns.h"

#include "numerics/messages.h"
#include "numerics/undefined.h"

namespace {
bool allownegative = false;
}  // namespace

bool negativeratesallowed() { return allownegative; }

double refusednegative(const std::string& name) {
  writemessage(messages::negativeinput + name);
  return undefinedvalue();
}

negativeratescope::negativeratescope(bool allowed) : before(allownegative) {
  allownegative = allowed;
}

negativeratescope::~negativeratescope() { allownegative = before; }

bool israteinput(const std::string& name) {
  if (name == "r" || name == "rf") return true;
  return !name.empty() && name[0] == 'q' &&
         (name.size() == 1 || name[1] == '_' || (name[1] >= '0' && name[1] <= '9'));
}

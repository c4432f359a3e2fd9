// The process-wide table of named curves: Curve keeps a curve under a name, and every pricing
// function finds it by that name ("Curve", "DiscountCurve"). A kept curve is bootstrapped once and
// frozen: it no longer listens to its quotes, its instruments or QuantLib's evaluation date, so
// later calls query it without rebuilding it. Building the same name again replaces it; a failed
// build leaves it as it was. The table lives as long as the loaded library.
//
// Not thread-safe: calls must not overlap.
#ifndef KZR_PLATFORM_NAMEDCURVES_H
#define KZR_PLATFORM_NAMEDCURVES_H

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <ql/handle.hpp>
#include <ql/termstructures/yieldtermstructure.hpp>

#include "fikzrinputs.h"
#include "marketconventions.h"

namespace fikzr {

struct keptcurve {
  QuantLib::ext::shared_ptr<QuantLib::YieldTermStructure> curve;
  marketconventions conventions;
  std::vector<QuantLib::Date> pillars;  // after the curve's date, one per quote

  QuantLib::Date date() const { return curve->referenceDate(); }
};

using curveref = QuantLib::ext::shared_ptr<const keptcurve>;

namespace namedcurves {

// Keeps `curve` under `name`, replacing any curve of that name.
void keep(const std::string& name, curveref curve);
// The kept curves in the order of their names.
std::vector<std::pair<std::string, curveref>> all();
// Forgets one curve, or all of them (their number).
void remove(const std::string& name);
std::size_t clear();

}  // namespace namedcurves

// The kept curve named by the text `key`; an unknown name is an error naming it and the kept
// curves.
curveref namedcurve(const inputs& in, const std::string& key);

// Sets QuantLib's evaluation date for the life of the object, then restores the previous setting.
class asof {
 public:
  explicit asof(const QuantLib::Date& date);
  ~asof();
  asof(const asof&) = delete;
  asof& operator=(const asof&) = delete;

 private:
  QuantLib::Date previous;  // the null date when the evaluation date followed the clock
};

// The curves a pricing function works on: "Curve" forecasts the index and discounts, unless
// "DiscountCurve" names another kept curve of the same date to discount with. Constructing one
// sets QuantLib's evaluation date to the curves' date, and destroying it restores the previous
// one, so that every price is as of the curves' date.
class market {
 public:
  explicit market(const inputs& in);

  const curveref& forecasting() const { return forecast; }
  const marketconventions& conventions() const { return forecast->conventions; }
  QuantLib::Date today() const { return forecast->date(); }
  const QuantLib::Handle<QuantLib::YieldTermStructure>& forecastcurve() const {
    return forecasthandle;
  }
  const QuantLib::Handle<QuantLib::YieldTermStructure>& discountcurve() const {
    return discounthandle;
  }
  // The curve's index, forecasting on it.
  const QuantLib::ext::shared_ptr<QuantLib::IborIndex>& index() const { return forecastindex; }

 private:
  curveref forecast, discount;
  QuantLib::Handle<QuantLib::YieldTermStructure> forecasthandle, discounthandle;
  QuantLib::ext::shared_ptr<QuantLib::IborIndex> forecastindex;
  std::optional<asof> evaluation;
};

}  // namespace fikzr

#endif  // KZR_PLATFORM_NAMEDCURVES_H

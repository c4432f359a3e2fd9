#include "namedcurves.h"

#include <map>

#include <ql/settings.hpp>

namespace fikzr {

namespace {

std::map<std::string, curveref>& table() {
  static std::map<std::string, curveref> curves;
  return curves;
}

}  // namespace

namespace namedcurves {

void keep(const std::string& name, curveref curve) { table()[name] = std::move(curve); }

std::vector<std::pair<std::string, curveref>> all() {
  return std::vector<std::pair<std::string, curveref>>(table().begin(), table().end());
}

void remove(const std::string& name) { table().erase(name); }

std::size_t clear() {
  const std::size_t count = table().size();
  table().clear();
  return count;
}

}  // namespace namedcurves

curveref namedcurve(const inputs& in, const std::string& key) {
  const std::string name = in.text(key);
  const auto found = table().find(name);
  if (found != table().end()) return found->second;
  std::vector<std::string> names;
  for (const auto& row : table()) names.push_back(row.first);
  in.refuse(
      "text", key,
      "names no kept curve: \"" + name + "\" (the kept curves are: " +
          (names.empty() ? std::string("none; Curve with a \"Name\" keeps one") : joined(names)) +
          ")");
}

market::market(const inputs& in)
    : forecast(namedcurve(in, "Curve")),
      discount(in.hastext("DiscountCurve") ? namedcurve(in, "DiscountCurve") : forecast),
      forecasthandle(forecast->curve),
      discounthandle(discount->curve) {
  if (discount->date() != forecast->date())
    in.fail("the curves \"" + in.text("Curve") + "\" and \"" + in.text("DiscountCurve") +
            "\" have different dates, " + isodate(forecast->date()) + " and " +
            isodate(discount->date()));
  forecastindex = indexon(forecast->conventions, forecasthandle);
  evaluation.emplace(forecast->date());
}

asof::asof(const QuantLib::Date& date)
    : previous(QuantLib::Settings::instance().evaluationDate().value()) {
  QuantLib::Settings::instance().evaluationDate() = date;
}

asof::~asof() { QuantLib::Settings::instance().evaluationDate() = previous; }

}  // namespace fikzr

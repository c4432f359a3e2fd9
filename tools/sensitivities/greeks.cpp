#include "greeks.h"

#include <cmath>
#include <limits>
#include <random>
#include <utility>

#include "codeentries.h"
#include "finitedifference/contractdata.h"
#include "inputroles.h"

namespace sensitivities {

namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();

// The greeks taken in inputs of a role.
std::vector<greek> greeksin(inputrole role) {
  if (role == inputrole::spot) return {greek::delta, greek::gamma};
  if (role == inputrole::volatility) return {greek::vega};
  return {greek::rho};
}

// The fun path: one price, then central differences input by input.
class differences {
 public:
  differences(pricer& library, const pricingcall& call, const catalogueentry& entry)
      : library(library), work(call), inputs(placedinputs(entry, call.rows)) {
    work.vector = false;
    work.flags[entrysensitivity] = 1;
  }

  // The price in mode 0 (a grid code keeps its grid for the spot bumps).
  scalaranswer price() {
    work.set(entrymode, 0);
    const scalaranswer answer = library.fun(work);
    centre = answer.value;
    return answer;
  }

  // Delta and gamma (from the same bumps), vega or rho of every input of its role, or "-".
  void add(const greekselection& which, inputrole role, greeksreport& report) {
    const quietcalls quiet(library);
    std::vector<std::pair<std::string, bumpedprices>> prices;
    for (const placedinput& input : inputs)
      if (input.role == role) prices.emplace_back(input.name, bumped(input));
    for (const greek g : greeksin(role)) {
      if (!which.wants(g)) continue;
      if (prices.empty()) report.sensitivities.push_back({g, "", false, nan});
      for (const auto& [name, p] : prices)
        report.sensitivities.push_back(
            {g, name, true, g == greek::gamma ? seconddifference(p) : firstdifference(p)});
    }
  }

  // V(every date a day nearer) - V(today), or "-" for a code without dates.
  void addtheta(greeksreport& report) {
    const quietcalls quiet(library);
    const pricingcall today = work;
    bool any = false;
    for (const placedinput& input : inputs) {
      if (input.role != inputrole::date) continue;
      any = true;
      const double t = valueat(work.rows, input.at);
      setvalue(work.rows, input.at, t > oneday ? t - oneday : (t >= 0 ? 0.0 : t));
    }
    if (!any) {
      report.sensitivities.push_back({greek::theta, "", false, nan});
      return;
    }
    const double later = std::isnan(centre) ? nan : at(1);
    report.sensitivities.push_back({greek::theta, "", true, later - centre});
    work = today;
  }

 private:
  double at(int mode) {
    work.set(entrymode, mode);
    return library.fun(work).value;
  }

  bumpedprices bumped(const placedinput& input) {
    const double x = valueat(work.rows, input.at);
    const double h = bumpsize(input.role, x);
    bumpedprices p{x - h, x, x + h, nan, centre, nan};
    if (std::isnan(centre)) return p;
    // A step within the caches' tolerance could be served the unbumped contract: price afresh.
    const bool kept =
        input.role == inputrole::spot && p.xup - x > sametolerance && x - p.xdown > sametolerance;
    setvalue(work.rows, input.at, p.xup);
    p.up = at(kept ? 0 : 1);
    setvalue(work.rows, input.at, p.xdown);
    p.down = at(kept ? 0 : 1);
    setvalue(work.rows, input.at, x);
    return p;
  }

  pricer& library;
  pricingcall work;
  const std::vector<placedinput> inputs;
  double centre = nan;
};

// The engine's own estimates from the kept draws: the price in mode 0, then each selector in
// mode 0. funvec gives delta, gamma and vega per asset; fun (a simulation without a vector form)
// gives the first asset's, labelled with the input it is taken in.
greeksreport enginegreeks(pricer& library, pricingcall call, const catalogueentry& entry,
                          const greekselection& which) {
  call.vector = entry.vector;
  call.set(entrymode, 0);
  call.set(entrysensitivity, 0);
  auto ask = [&library](const pricingcall& c) {
    if (c.vector) return library.funvec(c);
    const scalaranswer one = library.fun(c);
    return vectoranswer{one.refused, {one.value}};
  };
  const vectoranswer price = ask(call);
  greeksreport report;
  report.refused = price.refused;
  report.price = price.values.empty() ? nan : price.values[0];
  if (report.refused) return report;
  const quietcalls quiet(library);
  const std::vector<placedinput> inputs = placedinputs(entry, call.rows);
  auto firstof = [&inputs](inputrole role) {
    for (const placedinput& input : inputs)
      if (input.role == role) return input.name;
    return std::string();
  };
  for (int s = static_cast<int>(greek::delta); s <= static_cast<int>(greek::rho); ++s) {
    const greek g = static_cast<greek>(s);
    if (!which.wants(g)) continue;
    call.set(entrysensitivity, s);
    const vectoranswer answer = ask(call);
    const std::vector<double>& v = answer.values;
    if (g == greek::theta || g == greek::rho) {
      const double value = v.empty() ? nan : v[0];
      report.sensitivities.push_back(
          {g, g == greek::rho ? "r" : "", true, g == greek::theta ? value * oneday : value});
      continue;
    }
    if (!call.vector) {
      const inputrole role = g == greek::vega ? inputrole::volatility : inputrole::spot;
      report.sensitivities.push_back({g, firstof(role), true, v.empty() ? nan : v[0]});
      continue;
    }
    for (std::size_t i = 0; i < v.size(); ++i)
      report.sensitivities.push_back({g, "asset " + std::to_string(i + 1), true, v[i]});
    if (v.empty()) report.sensitivities.push_back({g, "", true, nan});
  }
  return report;
}

// The selector entry 1 of the call holds: 0 (the price) when flagged or outside 1 to 5, as the
// library reads it (the integer part).
int selectorof(const pricingcall& call) {
  if (call.flags[entrysensitivity] != 0) return selectprice;
  const double s = std::trunc(call.entries[entrysensitivity][0]);
  return s >= selectdelta && s <= selectrho ? static_cast<int>(s) : selectprice;
}

}  // namespace

const char* nameof(greek which) { return sensitivitynames[static_cast<int>(which)]; }

double firstdifference(const bumpedprices& p) {
  if (!std::isnan(p.up) && !std::isnan(p.down)) return (p.up - p.down) / (p.xup - p.xdown);
  if (!std::isnan(p.up)) return (p.up - p.centre) / (p.xup - p.x);
  if (!std::isnan(p.down)) return (p.centre - p.down) / (p.x - p.xdown);
  return nan;
}

double seconddifference(const bumpedprices& p) {
  const double upper = (p.up - p.centre) / (p.xup - p.x);
  const double lower = (p.centre - p.down) / (p.x - p.xdown);
  return (upper - lower) / (0.5 * (p.xup - p.xdown));
}

pricingcall withrequestseed(pricingcall call) {
  if (call.flags[entryoptions] != 0) call.set(entryoptions, 0.0);  // every option at its default
  if (!(call.entries[entryoptions][optionseed] >= 1)) {
    // Opening the system's random device costs far more than a closed-form price: open it once.
    static std::mt19937 seeds{std::random_device{}()};
    call.entries[entryoptions][optionseed] = 1.0 + seeds() % 2147483647u;
  }
  return call;
}

greeksreport greeksof(pricer& library, const pricingcall& call, const greekselection& which) {
  const catalogueentry* entry = findentry(call.code);
  if (entry != nullptr) return greeksof(library, call, *entry, which);
  greeksreport unknown;
  unknown.refused = true;
  return unknown;
}

greeksreport greeksof(pricer& library, const pricingcall& call, const catalogueentry& entry,
                      const greekselection& which) {
  const pricingcall seeded = withrequestseed(call);
  if (entry.sensitivities) return enginegreeks(library, seeded, entry, which);
  differences bumps(library, seeded, entry);
  const scalaranswer price = bumps.price();
  greeksreport report;
  report.refused = price.refused;
  report.price = price.value;
  if (report.refused) return report;
  if (which.wants(greek::delta) || which.wants(greek::gamma))
    bumps.add(which, inputrole::spot, report);
  if (which.wants(greek::vega)) bumps.add(which, inputrole::volatility, report);
  if (which.wants(greek::theta)) bumps.addtheta(report);
  if (which.wants(greek::rho)) bumps.add(which, inputrole::rate, report);
  return report;
}

bool takenbydifferences(const pricingcall& call, const catalogueentry& entry) {
  return !call.vector && !entry.sensitivities && selectorof(call) != 0;
}

std::string nokindtext(const std::string& code, greek which) {
  const char* kind = which == greek::vega    ? "volatility (sigma...)"
                     : which == greek::theta ? "date (T, t...)"
                     : which == greek::rho   ? "rate (r, rf)"
                                             : "spot (S, S1, F, E)";
  return code + " has no " + kind + " input, so no " + nameof(which);
}

selectedfigure selectedsensitivity(pricer& library, const pricingcall& call,
                                   const catalogueentry& entry) {
  selectedfigure figure;
  if (!takenbydifferences(call, entry)) {
    const scalaranswer answer = library.fun(call);
    figure.refused = answer.refused;
    figure.value = answer.value;
    return figure;
  }
  figure.which = static_cast<greek>(selectorof(call));
  pricingcall plain = call;
  plain.flags[entrysensitivity] = 1;
  const greeksreport report = greeksof(library, plain, entry, greekselection{bitof(figure.which)});
  figure.refused = report.refused;
  for (const sensitivity& s : report.sensitivities) {
    if (s.which != figure.which) continue;
    figure.available = s.available;
    figure.value = s.value;
    break;
  }
  return figure;
}

}  // namespace sensitivities

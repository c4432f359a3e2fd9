// CalibrateModel: Hull-White (a and sigma, or sigma alone with a held fixed) calibrated to
// at-the-money swaption volatilities on a kept curve, with QuantLib's swaption helpers priced by
// Jamshidian's decomposition and its Levenberg-Marquardt optimiser. The fit minimises the
// helpers' relative price errors; the error reported is their root mean square. The model is Hull
// and White's (Pricing interest-rate derivative securities, Review of Financial Studies 3, 1990,
// pp. 573-592) with constant a and sigma.
#include <cmath>

#include <ql/math/optimization/endcriteria.hpp>
#include <ql/math/optimization/levenbergmarquardt.hpp>
#include <ql/models/shortrate/calibrationhelpers/swaptionhelper.hpp>
#include <ql/pricingengines/swaption/jamshidianswaptionengine.hpp>
#include <ql/quotes/simplequote.hpp>

#include "hullwhite.h"
#include "optionvolatility.h"
#include "swapterms.h"

namespace {

using namespace QuantLib;

constexpr double startingmeanreversion = 0.1, startingsigma = 0.01;  // QuantLib's defaults
constexpr Size mostiterations = 1000, moststationary = 100;
constexpr double tolerance = 1.0e-12;

}  // namespace

void QL_Calibration(fiinputholder& input, fioutputholder& output) {
  fikzr::answer(*input, *output, "CalibrateModel", [](const fikzr::inputs& in, fioutput& out) {
    const fikzr::market market(in);
    const fikzr::marketconventions& c = market.conventions();
    if (c.overnight) in.fail("the swaptions are on a term index; this curve's is overnight");
    if (in.hastext("DiscountCurve"))
      in.fail("Hull-White is calibrated on one curve; \"DiscountCurve\" is not read");
    const std::vector<Period> expiries = in.periods("Expiries", fikzr::mostquotes);
    const std::vector<Period> tenors = in.periods("Tenors");
    if (tenors.size() != expiries.size())
      in.refuse("text", "Tenors",
                "has " + std::to_string(tenors.size()) + " items; it needs one for each of the " +
                    std::to_string(expiries.size()) + " items of \"Expiries\"");
    const std::vector<double> volatilities = in.numbers("Volatilities");
    in.samelength("Volatilities", volatilities.size(), "Expiries", expiries.size());
    for (double v : volatilities)
      if (!(v > 0.0)) in.refuse("list", "Volatilities", "must hold positive volatilities");
    const fikzr::flatvolatility quoted = fikzr::readflatvolatility(in, false);
    const bool fixeda = in.hasnumber("MeanReversion");
    const double a = fixeda ? in.positive("MeanReversion") : startingmeanreversion;
    const double sigma = in.positive("Sigma", startingsigma);
    const fikzr::fixedleg fixed = fikzr::readfixedleg(in, c);

    const Handle<YieldTermStructure>& curve = market.discountcurve();
    const auto model = ext::make_shared<HullWhite>(curve, a, sigma);
    const auto engine = ext::make_shared<JamshidianSwaptionEngine>(model, curve);
    std::vector<ext::shared_ptr<CalibrationHelper>> helpers;
    std::vector<ext::shared_ptr<BlackCalibrationHelper>> swaptions;
    for (std::size_t i = 0; i < expiries.size(); ++i) {
      const auto helper = ext::make_shared<SwaptionHelper>(
          expiries[i], tenors[i], Handle<Quote>(ext::make_shared<SimpleQuote>(volatilities[i])),
          market.index(), Period(fixed.frequency), fixed.counter, c.index->dayCounter(), curve,
          BlackCalibrationHelper::RelativePriceError, Null<Real>(), 1.0, quoted.type(),
          quoted.shift);
      helper->setPricingEngine(engine);
      helpers.push_back(helper);
      swaptions.push_back(helper);
    }

    LevenbergMarquardt optimiser;
    const EndCriteria criteria(mostiterations, moststationary, tolerance, tolerance, tolerance);
    try {
      model->calibrate(helpers, optimiser, criteria, Constraint(), {},
                       fixeda ? std::vector<bool>{true, false} : std::vector<bool>{});
    } catch (const std::exception& error) {
      in.fail(std::string("the calibration failed: ") + error.what());
    }
    const EndCriteria::Type end = model->endCriteria();
    const Array parameters = model->params();
    if (end == EndCriteria::MaxIterations || end == EndCriteria::None ||
        end == EndCriteria::Unknown)
      in.fail("the calibration failed: the optimiser stopped without converging");
    if (!std::isfinite(parameters[0]) || !std::isfinite(parameters[1]) || !(parameters[1] > 0.0))
      in.fail("the calibration failed: it ended at parameters that are not usable");

    double squares = 0.0;
    std::vector<double> values;
    for (const auto& helper : swaptions) {
      const double modelvalue = helper->modelValue(), marketvalue = helper->marketValue();
      squares += std::pow(modelvalue / marketvalue - 1.0, 2);
      values.push_back(modelvalue);
      values.push_back(marketvalue);
    }
    const double error = std::sqrt(squares / static_cast<double>(swaptions.size()));
    out.scalar = error;
    out.values = {parameters[0], parameters[1], error};
    out.values.insert(out.values.end(), values.begin(), values.end());
  });
}

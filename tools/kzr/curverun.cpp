// kzr curve and the pictures of kzr demo --plot: curves priced in the one loaded library and
// drawn with gnuplot (plotting.h).
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "catalogue.h"
#include "curvecommand.h"
#include "plotting.h"
#include "runner.h"
#include "splitsimulation.h"

bool runner::curvevalues(pricingcall call, std::size_t varied, const std::vector<double>& points,
                         std::vector<double>& values, std::vector<double>* errors, int blocks) {
  values.clear();
  if (errors != nullptr) errors->clear();
  for (double point : points) {
    call.rows[varied] = {point};
    if (errors != nullptr) {
      const blockestimate out = priceblocks(calls, planerrors(call, blocks));
      if (out.refused) {
        reportrefusal(call);
        return false;
      }
      values.push_back(out.estimate.values.at(0));
      errors->push_back(out.estimate.errors.at(0));
      continue;
    }
    const answer result = price(call);
    if (result.refused) {
      reportrefusal(call);
      return false;
    }
    values.push_back(std::strtod(result.text.c_str(), nullptr));  // 17 digits: the same double
  }
  return true;
}

int runner::runcurve(const std::vector<std::string>& given) {
  std::vector<std::string> words = given;
  const errorrequest request = takeerroroptions(words);
  curvecall curve = parsecurvecall(words);
  const bool witherror = request.wanted || request.blocks != 0;
  int blocks = 0;
  if (witherror) {
    blocks = errorblocksof(request);
    const std::string notsimulated = whynoerror(curve.call);
    if (!notsimulated.empty()) throw usageerror(notsimulated);
    // One seed for every point and column: the curve's points share their blocks' draws.
    curve.call = sensitivities::withrequestseed(curve.call);
  }
  const std::vector<std::string> columns =
      curve.greeks.empty() ? std::vector<std::string>{"price"} : curve.greeks;
  std::vector<std::vector<double>> values(columns.size()), errors(columns.size());
  for (std::size_t k = 0; k < columns.size(); ++k) {  // one column at a time: caches carry over
    pricingcall call = curve.call;
    if (!curve.greeks.empty()) applyoption(call, "--greek", curve.greeks[k]);
    if (!curvevalues(call, curve.varied, curve.points, values[k], witherror ? &errors[k] : nullptr,
                     blocks))
      return exitusage;
  }
  startline();
  std::cout << "# " << curve.name;
  for (const std::string& column : columns)
    std::cout << ' ' << column << (witherror ? " stderr" : "");
  std::cout << '\n';
  for (std::size_t i = 0; i < curve.points.size(); ++i) {
    std::cout << formatnumber(curve.points[i]);
    for (std::size_t k = 0; k < columns.size(); ++k) {
      std::cout << ' ' << formatnumber(values[k][i]);
      if (witherror) std::cout << ' ' << formatnumber(errors[k][i]);
    }
    std::cout << '\n';
  }
  if (curve.plotfile.empty()) return exitanswered;

  plotpicture picture{curve.plotfile, curvetitle(curve), curve.name, curve.points, {}, {}};
  for (std::size_t k = 0; k < columns.size(); ++k)
    picture.panels.push_back({columns[k], {{curve.call.code, values[k], errors[k]}}});
  std::cout.flush();
  const std::string failure = drawpicture(picture);
  if (failure.empty()) return exitanswered;
  std::cerr << "kzr: " << failure << '\n';
  return exitnopicture;
}

namespace {

// The demo's pictures: an American put beside its European price, and a down-and-out call
// beside the plain call, each across the spot.
const char* const americanput[] = {"curve",  "BSAPO",        "1",      "0",
                                   "100",    "0.2",          "0.05",   "0.02",
                                   "--vary", "S=50:150:101", "--grid", "400,200"};
const char* const europeanput[] = {"curve", "BSEPO", "1",    "0",      "100",
                                   "0.2",   "0.05",  "0.02", "--vary", "S=50:150:101"};
const char* const americancritical[] = {"price", "BSAPOCrit", "1",      "100",    "0.2",
                                        "0.05",  "0.02",      "--grid", "400,200"};
const char* const downandout[] = {"curve", "DOWNOUTECO", "0.5",  "0", "90",     "100",
                                  "0.25",  "0.08",       "0.04", "3", "--vary", "S=60:140:81"};
const char* const plaincall[] = {"curve", "BSECO", "0.5",  "0",      "100",
                                 "0.25",  "0.08",  "0.04", "--vary", "S=60:140:81"};

template <std::size_t n>
std::vector<std::string> wordsof(const char* const (&words)[n]) {
  return std::vector<std::string>(words, words + n);
}

}  // namespace

int runner::drawdemo(const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) throw usageerror("cannot make the folder " + folder + ": " + error.message());

  // Each curve of the pictures, priced across its range; false when the library refused one.
  std::vector<curvecall> curves;
  std::vector<std::vector<double>> values;
  for (const std::vector<std::string>& words :
       {wordsof(americanput), wordsof(europeanput), wordsof(downandout), wordsof(plaincall)}) {
    curves.push_back(parsecurvecall(words));
    values.emplace_back();
    const curvecall& curve = curves.back();
    if (!curvevalues(curve.call, curve.varied, curve.points, values.back())) return exitusage;
  }
  std::vector<double> exercise;
  for (double spot : curves[0].points) exercise.push_back(std::max(100.0 - spot, 0.0));
  plotpicture put{
      folder + "/americanput.png", curvetitle(curves[0]), "S", curves[0].points, {}, {}};
  put.panels.push_back({"price",
                        {{"BSAPO, American put (grid 400 x 200)", values[0]},
                         {"BSEPO, European put", values[1]},
                         {"exercise value max(K - S, 0)", exercise}}});
  const answer critical = price(parsepricingcall(wordsof(americancritical)));
  const double criticalprice = std::strtod(critical.text.c_str(), nullptr);
  if (!critical.refused)
    put.marks.push_back({"critical price " + formatnumber(criticalprice, "%.2f"), criticalprice});
  plotpicture knockout{
      folder + "/downandout.png", curvetitle(curves[2]), "S", curves[2].points, {}, {}};
  knockout.panels.push_back(
      {"price", {{"DOWNOUTECO, down-and-out call", values[2]}, {"BSECO, plain call", values[3]}}});
  knockout.marks.push_back({"barrier H = 90", 90.0});

  std::cout.flush();
  for (const plotpicture* picture : {&put, &knockout}) {
    const std::string failure = drawpicture(*picture);
    if (!failure.empty()) {
      std::cerr << "kzr: " << failure << '\n';
      return exitnopicture;
    }
    std::cout << "picture: " << picture->file << '\n';
  }
  return exitanswered;
}

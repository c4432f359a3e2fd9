#include "curvecommand.h"

#include <cmath>

#include "catalogue.h"
#include "runner.h"

namespace {

constexpr int defaultpoints = 51;
constexpr int mostpoints = 100000;

// NAME=FROM:TO[:COUNT]
void parserange(const std::string& text, std::string& name, std::vector<double>& points) {
  const auto equals = text.find('=');
  if (equals == std::string::npos || equals == 0)
    throw usageerror("--vary takes NAME=FROM:TO[:COUNT], not '" + text + "'");
  name = text.substr(0, equals);
  std::vector<std::string> parts;
  std::size_t start = equals + 1;
  for (;;) {
    const auto colon = text.find(':', start);
    parts.push_back(text.substr(start, colon - start));
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  if (parts.size() != 2 && parts.size() != 3)
    throw usageerror("--vary takes NAME=FROM:TO[:COUNT], not '" + text + "'");
  const double from = parsenumber(parts[0]), to = parsenumber(parts[1]);
  const double count = parts.size() == 3 ? parsenumber(parts[2]) : defaultpoints;
  if (!std::isfinite(from) || !std::isfinite(to))
    throw usageerror("--vary takes a finite range, not '" + text + "'");
  if (!(count >= 2 && count <= mostpoints) || count != std::floor(count))
    throw usageerror("--vary takes a COUNT of 2 to " + std::to_string(mostpoints) + " points");
  const int n = static_cast<int>(count);
  points.clear();
  for (int i = 0; i < n; ++i) points.push_back(from + (to - from) * i / (n - 1));
  points.back() = to;
}

}  // namespace

curvecall parsecurvecall(const std::vector<std::string>& words) {
  if (words.size() < 2 || words[1].rfind("--", 0) == 0)
    throw usageerror("curve needs a contract code");
  curvecall curve;
  std::vector<std::string> rest{"price", words[1]};
  bool varies = false;
  for (std::size_t i = 2; i < words.size(); ++i) {
    const std::string& word = words[i];
    const bool ours = word == "--vary" || word == "--plot" || word == "--greek";
    if (!ours) {
      rest.push_back(word);
      continue;
    }
    if (i + 1 >= words.size()) throw usageerror(word + " needs a value");
    const std::string& value = words[++i];
    if (word == "--vary") {
      if (varies) throw usageerror("curve varies one input: give --vary once");
      parserange(value, curve.name, curve.points);
      varies = true;
    } else if (word == "--plot") {
      curve.plotfile = value;
    } else {
      pricingcall check;
      applyoption(check, word, value);  // refuses a greek it does not know
      curve.greeks.push_back(value);
    }
  }
  if (!varies) throw usageerror("curve needs --vary NAME=FROM:TO[:COUNT]");
  const catalogueentry* entry = findentry(words[1]);
  if (entry == nullptr)
    throw usageerror("unknown code '" + words[1] + "' (kzr codes lists the codes)");
  std::size_t varied = 0;
  while (varied < entry->inputs.size() && entry->inputs[varied] != curve.name) ++varied;
  if (varied == entry->inputs.size()) {
    std::string names;
    for (const std::string& input : entry->inputs) names += (names.empty() ? "" : ", ") + input;
    throw usageerror(words[1] + " has no input named '" + curve.name + "' (its inputs: " + names +
                     ")");
  }
  curve.call = parsepricingcall(rest);
  // The varied row may be left out: a placeholder takes its place.
  auto& rows = curve.call.rows;
  if (!entry->variable && rows.size() + 1 == entry->inputs.size())
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(varied), std::vector<double>{0.0});
  if (rows.size() <= varied || rows[varied].size() != 1)
    throw usageerror(words[1] + " needs its inputs, one ROW per input, '" + curve.name +
                     "' a single value");
  curve.varied = varied;
  return curve;
}

std::string curvetitle(const curvecall& curve) {
  const catalogueentry* entry = findentry(curve.call.code);
  std::string fixed;
  for (std::size_t i = 0; i < curve.call.rows.size(); ++i) {
    if (i == curve.varied) continue;
    const std::string name =
        entry != nullptr && i < entry->inputs.size() ? entry->inputs[i] : "x" + std::to_string(i);
    std::string values;
    for (double value : curve.call.rows[i])
      values += (values.empty() ? "" : ",") + formatnumber(value, "%g");
    fixed += (fixed.empty() ? "" : "  ") + name + "=" + values;
  }
  return curve.call.code + (entry != nullptr ? ": " + entry->description : "") + "\n" + fixed;
}

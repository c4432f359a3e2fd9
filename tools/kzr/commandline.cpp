#include "commandline.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <utility>

namespace {

std::vector<double> parserow(const std::string& text) {
  std::vector<double> row;
  std::stringstream stream(text);
  std::string value;
  while (std::getline(stream, value, ',')) row.push_back(parsenumber(value));
  if (!text.empty() && text.back() == ',') throw usageerror("empty value in row '" + text + "'");
  return row;
}

double parsegreek(const std::string& text) {
  std::string names;
  for (std::size_t i = 0; i < sensitivitynames.size(); ++i) {
    if (text == sensitivitynames[i]) return static_cast<double>(i);
    names += (i ? ", " : "") + std::string(sensitivitynames[i]);
  }
  double value = std::nan("");
  try {
    value = parsenumber(text);
  } catch (const usageerror&) {  // a name that is not a greek's
  }
  if (!(value >= selectprice && value <= selectrho && value == std::trunc(value)))
    throw usageerror("--greek takes " + std::to_string(selectprice) + " to " +
                     std::to_string(selectrho) + " or " + names + ": not '" + text + "'");
  return value;
}

// Takes the options that only command adds out of words (each with its value) into found, and
// refuses the options that command sets itself.
std::vector<std::string> withoutoptions(const std::vector<std::string>& words,
                                        const std::vector<std::string>& own,
                                        std::vector<std::pair<std::string, std::string>>& found) {
  std::vector<std::string> rest{words.at(0)};
  for (std::size_t i = 1; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word == "--mode" || word == "--greek")
      throw usageerror(words[0] + " chooses the valuation mode and sensitivity itself: " + word +
                       " is not taken");
    if (std::find(own.begin(), own.end(), word) == own.end()) {
      rest.push_back(word);
      continue;
    }
    if (i + 1 >= words.size()) throw usageerror(word + " needs a value");
    found.emplace_back(word, words[++i]);
  }
  return rest;
}

sensitivities::greekselection parseselection(const std::string& text) {
  sensitivities::greekselection which{0};
  std::stringstream stream(text);
  std::string name;
  while (std::getline(stream, name, ',')) {
    const auto known = std::find(sensitivitynames.begin() + 1, sensitivitynames.end(), name);
    if (known == sensitivitynames.end())
      throw usageerror("--only takes delta, gamma, vega, theta, rho: not '" + name + "'");
    which.greeks |=
        sensitivities::bitof(static_cast<sensitivities::greek>(known - sensitivitynames.begin()));
  }
  if (text.empty() || text.back() == ',') throw usageerror("--only needs greek names");
  return which;
}

}  // namespace

double parsenumber(const std::string& text) {
  if (text.empty()) throw usageerror("empty number");
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || (errno == ERANGE && value != 0))
    throw usageerror("not a number: '" + text + "'");
  return value;
}

std::vector<std::string> splitwords(const std::string& line) {
  std::vector<std::string> words;
  std::stringstream stream(line);
  std::string word;
  while (stream >> word && word[0] != '#') words.push_back(word);  // a comment ends the line
  return words;
}

batcharguments parsebatcharguments(const std::vector<std::string>& words) {
  std::vector<std::string> rest(words.begin() + 1, words.end());
  const auto flag = std::remove(rest.begin(), rest.end(), std::string("--progress"));
  batcharguments arguments;
  arguments.progress = flag != rest.end();
  rest.erase(flag, rest.end());
  if (rest.size() != 1)
    throw usageerror("batch takes one FILE, or - for standard input (and --progress)");
  arguments.file = rest[0];
  return arguments;
}

bool isbatchentry(const std::vector<std::string>& words) { return !words.empty(); }

bool isvaluelessoption(const std::string& option) {
  for (int k = 0; k < libraryoptioncount; ++k)
    if (k != optionseed && option == optionflags[k]) return true;
  return false;
}

void applyoption(pricingcall& call, const std::string& option, const std::string& value) {
  for (int k = 0; k < libraryoptioncount; ++k) {
    if (option != optionflags[k]) continue;
    // --seed takes its value; every other option sets its position to 1.
    call.setvalue(entryoptions, k, k == optionseed ? parsenumber(value) : 1.0);
    return;
  }
  if (option == entryflags[entrymode]) {
    call.set(entrymode, parsenumber(value));
  } else if (option == entryflags[entrysensitivity]) {
    call.set(entrysensitivity, parsegreek(value));
  } else if (option == entryflags[entrygrid]) {
    const std::vector<double> sizes = parserow(value);
    if (sizes.size() != gridvaluecount) throw usageerror("--grid takes two sizes, N,M");
    call.set(entrygrid, sizes[0], sizes[1]);
  } else if (option == entryflags[entrypaths]) {
    call.set(entrypaths, parsenumber(value));
  } else if (option == entryflags[entrysteps]) {
    call.set(entrysteps, parsenumber(value));
  } else {
    throw usageerror("unknown option " + option);
  }
}

pricingcall parsepricingcall(const std::vector<std::string>& words) {
  pricingcall call;
  call.vector = words.at(0) == "vector";
  if (words.size() < 2) throw usageerror(words[0] + " needs a contract code");
  call.code = words[1];
  for (std::size_t i = 2; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word.rfind("--", 0) != 0) {
      call.rows.push_back(parserow(word));
      continue;
    }
    const bool novalue = isvaluelessoption(word);
    if (!novalue && i + 1 >= words.size()) throw usageerror(word + " needs a value");
    applyoption(call, word, novalue ? std::string() : words[++i]);
  }
  if (call.rows.empty()) throw usageerror(call.code + " needs its inputs, one ROW per input");
  return call;
}

greekscall parsegreekscall(const std::vector<std::string>& words) {
  std::vector<std::pair<std::string, std::string>> own;
  greekscall greeks;
  greeks.call = parsepricingcall(withoutoptions(words, {"--only"}, own));
  for (const auto& [option, value] : own) greeks.which = parseselection(value);
  return greeks;
}

solvecall parsesolvecall(const std::vector<std::string>& words) {
  std::vector<std::pair<std::string, std::string>> own;
  solvecall solve;
  solve.call = parsepricingcall(withoutoptions(words, {"--target", "--for", "--bracket"}, own));
  bool target = false;
  for (const auto& [option, value] : own) {
    if (option == "--target") {
      solve.request.target = parsenumber(value);
      target = true;
    } else if (option == "--for") {
      solve.request.input = value;
    } else {
      const std::vector<double> ends = parserow(value);
      if (ends.size() != 2 || !(ends[0] < ends[1]) || !std::isfinite(ends[0]) ||
          !std::isfinite(ends[1]))
        throw usageerror("--bracket takes two finite ends, LO,HI with LO below HI");
      solve.request.within = sensitivities::bracket{ends[0], ends[1]};
    }
  }
  if (!target || !std::isfinite(solve.request.target))
    throw usageerror("solve needs --target PRICE, a finite price");
  if (solve.request.input.empty()) throw usageerror("solve needs --for NAME, the input to find");
  return solve;
}

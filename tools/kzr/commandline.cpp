#include "commandline.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace {

const std::array<const char*, 6> greeknames = {"price", "delta", "gamma", "vega", "theta", "rho"};

std::vector<double> parserow(const std::string& text) {
  std::vector<double> row;
  std::stringstream stream(text);
  std::string value;
  while (std::getline(stream, value, ',')) row.push_back(parsenumber(value));
  if (!text.empty() && text.back() == ',') throw usageerror("empty value in row '" + text + "'");
  return row;
}

double parsegreek(const std::string& text) {
  for (std::size_t i = 0; i < greeknames.size(); ++i)
    if (text == greeknames[i]) return static_cast<double>(i);
  const double value = parsenumber(text);
  if (value != 0 && value != 1 && value != 2 && value != 3 && value != 4 && value != 5)
    throw usageerror("--greek takes 0 to 5 or price, delta, gamma, vega, theta, rho");
  return value;
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
  while (stream >> word) words.push_back(word);
  return words;
}

void applyoption(pricingcall& call, const std::string& option, const std::string& value) {
  auto set = [&](int entry, double first, double second = 0.0) {
    call.flags[entry] = 0;
    call.entries[entry] = {first, second};
  };
  if (option == "--precise") {  // the options' second value; takes no value of its own
    call.flags[5] = 0;
    call.entries[5][1] = 1.0;
  } else if (option == "--mode") {
    set(0, parsenumber(value));
  } else if (option == "--greek") {
    set(1, parsegreek(value));
  } else if (option == "--grid") {
    const std::vector<double> sizes = parserow(value);
    if (sizes.size() != 2) throw usageerror("--grid takes two sizes, N,M");
    set(2, sizes[0], sizes[1]);
  } else if (option == "--paths") {
    set(3, parsenumber(value));
  } else if (option == "--steps") {
    set(4, parsenumber(value));
  } else if (option == "--seed") {
    call.flags[5] = 0;
    call.entries[5][0] = parsenumber(value);
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
    if (word != "--precise" && i + 1 >= words.size()) throw usageerror(word + " needs a value");
    applyoption(call, word, word == "--precise" ? std::string() : words[++i]);
  }
  if (call.rows.empty()) throw usageerror(call.code + " needs its inputs, one ROW per input");
  return call;
}

// The fixed-income page: every example it shows runs, and prints what the page says it prints
// ("..." on a line of its own stands for any lines the page leaves out). Every function has one.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "testsupport.h"

namespace {

struct example {
  std::string label;  // the function it shows, and which of its examples
  friend std::ostream& operator<<(std::ostream& out, const example& e) { return out << e.label; }
  std::string arguments;              // after "kzr "
  std::string input;                  // the lines of a batch, fed to standard input
  std::vector<std::string> expected;  // the printed lines
};

std::vector<std::string> linesof(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// The code blocks of the page that start with a kzr command.
std::vector<example> examples() {
  std::ifstream page(KZR_FIXEDINCOME_PAGE);
  std::stringstream text;
  text << page.rdbuf();
  const std::vector<std::string> lines = linesof(text.str());
  std::vector<example> found;
  std::map<std::string, int> shown;  // examples per function so far
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] != "```") continue;
    std::vector<std::string> block;
    for (++i; i < lines.size() && lines[i] != "```"; ++i) block.push_back(lines[i]);
    if (block.empty() || block[0].rfind("kzr ", 0) != 0) continue;
    example e;
    std::size_t next = 1;
    if (block[0] == "kzr batch - <<'END'") {
      e.arguments = "batch -";
      for (; next < block.size() && block[next] != "END"; ++next) e.input += block[next] + "\n";
      ++next;
    } else if (block[0].rfind("kzr fi ", 0) == 0) {
      e.arguments = block[0].substr(4);
    } else {
      continue;
    }
    e.expected.assign(block.begin() + static_cast<long>(next), block.end());
    // An example shows its answer; a block of usage does not.
    const bool answered = !e.expected.empty() && (e.expected[0].rfind("status ", 0) == 0 ||
                                                  e.expected[0].rfind("1: status ", 0) == 0);
    if (!answered) continue;
    std::string function;
    for (const std::string& line : linesof(e.arguments + "\n" + e.input)) {
      std::istringstream words(line);
      std::string fi, name;
      words >> fi >> name;
      if (fi == "fi") function = name;
    }
    e.label = function + std::to_string(++shown[function]);
    found.push_back(e);
  }
  return found;
}

// Whether `printed` matches `expected` from the given positions, "..." matching any lines.
bool matches(const std::vector<std::string>& expected, std::size_t e,
             const std::vector<std::string>& printed, std::size_t p) {
  if (e == expected.size()) return p == printed.size();
  if (expected[e] == "...") {
    for (std::size_t skip = p; skip <= printed.size(); ++skip)
      if (matches(expected, e + 1, printed, skip)) return true;
    return false;
  }
  return p < printed.size() && printed[p] == expected[e] &&
         matches(expected, e + 1, printed, p + 1);
}

class pageexample : public ::testing::TestWithParam<example> {};

TEST_P(pageexample, printswhatthepageshows) {
  const example& e = GetParam();
  const testsupport::toolrun run = testsupport::runkzr(e.arguments, e.input);
  EXPECT_EQ(run.status, 0) << e.arguments << "\n" << e.input;
  EXPECT_EQ(run.err, "") << e.arguments << "\n" << e.input;
  EXPECT_TRUE(matches(e.expected, 0, linesof(run.out), 0)) << e.arguments << "\n"
                                                           << e.input << "printed:\n"
                                                           << run.out;
}

INSTANTIATE_TEST_SUITE_P(fixedincomepage, pageexample, ::testing::ValuesIn(examples()),
                         [](const ::testing::TestParamInfo<example>& info) {
                           return info.param.label;
                         });

TEST(fixedincomepage, everyfunctionhasanexample) {
  std::set<std::string> functions;
  for (const example& e : examples())
    for (const std::string& line : linesof(e.arguments + "\n" + e.input)) {
      std::istringstream words(line);
      std::string fi, name;
      words >> fi >> name;
      if (fi == "fi") functions.insert(name);
    }
  EXPECT_EQ(functions,
            (std::set<std::string>{"BondOption", "CalendarUtilities", "CalibrateModel", "CapFloor",
                                   "CreditSwap", "Curve", "CurveValue", "DayCount", "FixedBond",
                                   "InterestSwap", "Swaption", "YearFraction"}));
}

}  // namespace

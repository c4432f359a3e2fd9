// What `kzr codes` shows of each code beyond its inputs, held against what pricing does: the
// defaults of its sizes (a size left to the library prices as the shown default given
// explicitly, to the bit, and another size moves the price; a size shown as not read moves
// nothing) and the library options that apply (one not shown leaves the answer as it is, but
// negative rates, which the code refuses).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue.h"
#include "commandline.h"
#include "runner.h"
#include "testsupport.h"

namespace {

runner::pricedcall pricedcall(const std::string& line) {
  runner tool(testsupport::library());
  return tool.pricevalues(parsepricingcall(splitwords(line)));
}

std::vector<double> priced(const std::string& line) {
  const runner::pricedcall call = pricedcall(line);
  EXPECT_FALSE(call.refused) << line;
  EXPECT_FALSE(call.values.empty() || std::isnan(call.values.front())) << line;
  return call.values;
}

const catalogueentry& entryofline(const std::string& line) {
  const catalogueentry* entry = findentry(splitwords(line).at(1));
  if (entry == nullptr) throw std::runtime_error("not catalogued: " + line);
  return *entry;
}

// The tool's option setting the size's entry to value (a grid: value nodes, second levels).
std::string sizeoption(const sizeuse& size, std::int64_t value, std::int64_t second) {
  std::string text = std::string(" ") + entryflags.at(static_cast<std::size_t>(size.entry)) +
                     " " + std::to_string(value);
  return size.entry == entrygrid ? text + "," + std::to_string(second) : text;
}

// One line per kind of size and per way the precise numerics treat it: tree steps, lattice
// levels (a table that reads its sibling's), the design's grid, a grid with trees on its edge,
// the converged grid, steps with another default under the option, steps and a grid the option
// does not read, simulated paths.
TEST(Codes, ShownDefaultsAreTheSizesPriced) {
  const std::string lines[] = {
      "price POWEREDECO 1 100 100 0.2 0.05 0.02 2",
      "price SPREADAPO 1 100 90 5 0.2 0.3 0.5 0.05 0.02 0.01",
      "price BINAPO 1 100 100 0.2 0.05 0.02",
      "price BSAPO 1 100 100 0.2 0.05 0.02",
      "price DOWNOUTACO 4 100 90 100 1.5 0.05 0.02",
      "price DBKNOCKINACO 1 100 80 130 100 0.2 0.05 0.02",
      "price DOWNOUTAPO 1 100 90 100 0.2 0.05 0.02 --precise",
      "price QUANTOFSFEACO 1 100 1.2 100 0.2 0.1 0.3 0.05 0.02 --precise",
      "price BSAPO 1 100 100 0.2 0.05 0.02 --precise",
      "price DOWNINAPO 1 100 90 100 0.25 0.08 0 0",
      "price RAINBOWMAXECO 2 1 100,100 100 0.2,0.3 1,0.5,0.5,1 0.05 0.02,0.01 --seed 11",
      "price POWEREDECO 1 100 100 0.2 0.05 0.02 2 --precise",
      "price RAINBOWMAX2ACO 1 100 90 0.2 0.3 0.5 0.05 0.02 0.01 100",
      "price RAINBOWMAX2ACO 0.5 100 90 0.2 0.3 0.5 0.03 0.08 0.06 100 --precise",
      "price SPREADECO 1 100 90 5 0.2 0.3 0.5 0.05 0.02 0.01 --precise",
  };
  for (const std::string& line : lines) {
    const catalogueentry& entry = entryofline(line);
    ASSERT_FALSE(entry.sizes.empty()) << line;
    const bool precise = line.find(optionflags[optionnumerics]) != std::string::npos;
    const std::vector<double> base = priced(line);
    for (const sizeuse& size : entry.sizes) {
      ASSERT_GE(size.entry, 0) << line;
      const std::int64_t value = precise ? size.precise : size.value;
      const std::int64_t second = precise ? size.precisesecond : size.second;
      if (value == sizeuse::givenonly) {  // read when given: the method changes
        EXPECT_NE(priced(line + sizeoption(size, 60, 40)), base) << line << ": " << size.name;
        continue;
      }
      if (value == 0 || (size.fixed && !precise)) {  // not read: another size prices the same
        EXPECT_EQ(priced(line + sizeoption(size, 60, 40)), base) << line << ": " << size.name;
        continue;
      }
      EXPECT_EQ(priced(line + sizeoption(size, value, second)), base) << line << ": " << size.name;
      EXPECT_NE(priced(line + sizeoption(size, value / 2, second / 2)), base)
          << line << ": " << size.name << " is not read";
    }
  }
}

// A size fixed by the design is shown as such, and the entry it is not read from changes
// nothing; under the precise option the entry is read.
TEST(Codes, FixedSizeIgnoresTheEntry) {
  const std::string line = "price RAINBOWMAX2APO 1 100 90 0.2 0.3 0.5 0.05 0.02 0.01 100";
  const catalogueentry& entry = entryofline(line);
  ASSERT_EQ(entry.sizes.size(), 1u);
  EXPECT_TRUE(entry.sizes[0].fixed);
  EXPECT_EQ(priced(line + " --steps 50"), priced(line));
  EXPECT_NE(priced(line + " --steps 50 --precise"), priced(line));
}

bool shown(const catalogueentry& entry, int option) { return optionapplies(entry, option); }

std::string optionword(int option) {
  return std::string(" ") + optionflags.at(static_cast<std::size_t>(option)) +
         (option == optionseed ? " 7" : "");
}

// An option shown for a code changes its answer; one not shown leaves it to the bit (the README:
// the library ignores it there). Simulations at a fixed seed and few paths.
TEST(Codes, OptionsNotShownChangeNothing) {
  struct optioncase {
    std::string line;
    int option;
    bool applies;
  };
  const std::string asian = "price ASIANAARECO 1 1 100 100 100 0.3 0.05 0 --paths 400 --steps 8";
  const std::string rainbow =
      "price RAINBOWMAXECO 2 1 100,100 100 0.2,0.3 1,0.5,0.5,1 0.05 0.02,0.01 --paths 400";
  const std::string altiplano =
      "price ALTIPLANOEO 2 1 100,100 130,130 10 0.2,0.3 1,0.5,0.5,1 0.05 0.02,0.01 --paths 400 "
      "--steps 8";
  const optioncase cases[] = {
      {"price BSECO 1 100 100 0.2 0.05 0.02", optionseed, false},
      {"price BSECO 1 100 100 0.2 0.05 0.02", optionnumerics, false},
      {"price BSECO 1 100 100 0.2 0.05 0.02", optionsobol, false},
      {"price BSECO 1 100 100 0.2 0.05 0.02", optioncontrolvariates, false},
      {"price POWEREDECO 1 100 100 0.2 0.05 0.02 2", optionnumerics, true},
      {"price DBKNOCKOUTECO 1 100 80 130 100 0.2 0.05 0.02", optionnumerics, false},
      {"price RAINBOWMAX2APO 1 100 90 0.2 0.3 0.5 0.05 0.02 0.01 100 --steps 120", optionnumerics,
       true},
      {"price ASIANGARECO 1 1 100 100 100 0.3 0.05 0", optionsobol, false},
      {"price ASIANGARECO 1 1 100 100 100 0.3 0.05 0", optioncontrolvariates, false},
      {altiplano + " --seed 3", optioncontrolvariates, false},
      {altiplano + " --seed 3", optionnumerics, false},
      {"price BINAPO 1 100 100 0.2 0.05 0.02", optionnumerics, true},
      {"price RAINBOWMAX2ECO 0.5 100 105 0.11 0.16 0.63 0.05 0.06 0.09 98", optionnumerics, true},
      {"price QUANTOFSFEACO 1 100 1.2 100 0.2 0.1 0.3 0.05 0.02", optionnumerics, true},
      {asian + " --seed 3", optioncontrolvariates, true},
      {asian + " --seed 3", optionsobol, true},
      {rainbow + " --seed 3", optioncontrolvariates, true},
      {altiplano + " --seed 3", optionsobol, true},
      {rainbow + " --seed 3", optionseed, true},
  };
  for (const optioncase& c : cases) {
    const std::string with = c.line + optionword(c.option);
    EXPECT_EQ(shown(entryofline(c.line), c.option), c.applies) << with;
    if (c.applies)
      EXPECT_NE(priced(with), priced(c.line)) << with;
    else
      EXPECT_EQ(priced(with), priced(c.line)) << with;
  }
}

// Negative rates: a code shown without the option refuses a negative yield under it, naming the
// input; one shown with it prices.
TEST(Codes, NegativeRatesWhereShown) {
  const std::string refusedline = "price DBKNOCKOUTECO 1 100 80 130 100 0.2 0.05 -0.01";
  const std::string acceptedline = "price BSECO 1 100 100 0.2 0.05 -0.01";
  const std::string option = optionword(optionnegativerates);
  EXPECT_FALSE(shown(entryofline(refusedline), optionnegativerates));
  EXPECT_TRUE(shown(entryofline(acceptedline), optionnegativerates));
  testing::internal::CaptureStdout();
  const runner::pricedcall refused = pricedcall(refusedline + option);
  const std::string said = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(refused.refused || std::isnan(refused.values.at(0)));
  EXPECT_NE(said.find("Negative input refused by this code, value undefined: q"),
            std::string::npos)
      << said;
  EXPECT_FALSE(std::isnan(priced(acceptedline + option).at(0)));
}

// Every code shows its defaults and its options on the line after it.
TEST(Codes, EveryCodeShowsDefaultsAndOptions) {
  const auto codes = testsupport::runkzr("codes");
  ASSERT_EQ(codes.status, 0);
  const std::string table = "\n" + codes.out;
  for (const catalogueentry& entry : catalogue()) {
    const auto at = table.find("\n" + entry.code + " ");
    ASSERT_NE(at, std::string::npos) << entry.code;
    const auto next = table.find('\n', at + 1);
    const std::string second = table.substr(next + 1, table.find('\n', next + 1) - next - 1);
    EXPECT_EQ(second.find("defaults: "), second.find_first_not_of(' ')) << entry.code;
    EXPECT_NE(second.find("; options: "), std::string::npos) << entry.code;
    for (const sizeuse& size : entry.sizes)
      EXPECT_NE(second.find(size.name), std::string::npos) << entry.code;
    for (int option : entry.options)
      EXPECT_NE(second.find(optionflags.at(static_cast<std::size_t>(option))), std::string::npos)
          << entry.code;
  }
}

}  // namespace

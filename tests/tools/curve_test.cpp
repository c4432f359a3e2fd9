// kzr curve and kzr demo --plot: the table of a curve against the Black-Scholes-Merton formula
// derived here, one column per sensitivity, the mistakes it refuses, and the pictures (a valid
// PNG of the expected size, not its pixels; skipped where gnuplot is not installed).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "commandline.h"
#include "curvecommand.h"
#include "plotting.h"
#include "testsupport.h"

namespace {

using testsupport::runkzr;

double normal(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

double blackscholescall(double T, double S, double K, double sigma, double r, double q) {
  const double d1 = (std::log(S / K) + (r - q + 0.5 * sigma * sigma) * T) / (sigma * std::sqrt(T));
  const double d2 = d1 - sigma * std::sqrt(T);
  return S * std::exp(-q * T) * normal(d1) - K * std::exp(-r * T) * normal(d2);
}

std::vector<std::vector<double>> tableof(const std::string& out, std::string& header) {
  std::vector<std::vector<double>> rows;
  std::stringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("# ", 0) == 0) {
      header = line;
      continue;
    }
    std::stringstream words(line);
    std::vector<double> row;
    std::string word;
    while (words >> word) row.push_back(std::strtod(word.c_str(), nullptr));
    rows.push_back(row);
  }
  return rows;
}

bool gnuplotinstalled() { return std::system("command -v gnuplot >/dev/null 2>&1") == 0; }

// The width and height of a PNG file, or {0, 0} when it is not a PNG: the 8-byte signature,
// then the IHDR chunk with the two sizes as big-endian 32-bit numbers.
std::pair<unsigned, unsigned> pngsize(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  unsigned char head[24] = {};
  if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return {0, 0};
  const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (!std::equal(signature, signature + 8, head) || std::string(head + 12, head + 16) != "IHDR")
    return {0, 0};
  auto big = [&](int at) {
    return (unsigned{head[at]} << 24) | (unsigned{head[at + 1]} << 16) |
           (unsigned{head[at + 2]} << 8) | unsigned{head[at + 3]};
  };
  return {big(16), big(20)};
}

std::string scratch(const std::string& name) {
  return "/tmp/kzrcurve" + std::to_string(getpid()) + name;
}

TEST(Curve, PricesEveryPointOfTheRangeAsTheClosedForm) {
  // The varied input's row may be given (it is overwritten) or left out.
  const auto given = runkzr("curve BSECO 1 100 100 0.2 0.05 0.02 --vary S=80:120:5");
  const auto omitted = runkzr("curve BSECO 1 100 0.2 0.05 0.02 --vary S=80:120:5");
  ASSERT_EQ(given.status, 0) << given.err;
  EXPECT_EQ(given.out, omitted.out);
  std::string header;
  const auto rows = tableof(given.out, header);
  EXPECT_EQ(header, "# S price");
  ASSERT_EQ(rows.size(), 5u);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), 2u);
    EXPECT_EQ(rows[i][0], 80.0 + 10.0 * static_cast<double>(i));
    EXPECT_NEAR(rows[i][1], blackscholescall(1, rows[i][0], 100, 0.2, 0.05, 0.02), 1e-12);
  }
  // A strike curve, 51 points unless told, from FROM to TO exactly.
  const auto strikes =
      tableof(runkzr("curve BSECO 1 100 100 0.2 0.05 0.02 --vary K=50:150").out, header);
  ASSERT_EQ(strikes.size(), 51u);
  EXPECT_EQ(strikes.front()[0], 50.0);
  EXPECT_EQ(strikes.back()[0], 150.0);
  EXPECT_NEAR(strikes[7][1], blackscholescall(1, 100, strikes[7][0], 0.2, 0.05, 0.02), 1e-12);
}

TEST(Curve, EachGreekIsAColumnAsKzrPriceGivesIt) {
  const auto run = runkzr(
      "curve BINAPO 1 100 100 0.2 0.05 0.02 --vary sigma=0.1:0.4:3 "
      "--greek price --greek vega --steps 200");
  ASSERT_EQ(run.status, 0) << run.err;
  std::string header;
  const auto rows = tableof(run.out, header);
  EXPECT_EQ(header, "# sigma price vega");
  ASSERT_EQ(rows.size(), 3u);
  // The same points as single price calls, in one batch: "N: RESULT" in line order.
  std::string batch;
  for (const auto& row : rows) {
    char sigma[32];
    std::snprintf(sigma, sizeof sigma, "%.17g", row[0]);
    for (const char* greek : {"price", "vega"})
      batch += std::string("price BINAPO 1 100 100 ") + sigma + " 0.05 0.02 --steps 200 --greek " +
               greek + "\n";
  }
  std::stringstream answers(runkzr("batch -", batch).out);
  std::string line;
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 3u);
    for (int k = 0; k < 2; ++k) {
      ASSERT_TRUE(std::getline(answers, line));
      EXPECT_EQ(row[1 + k], std::strtod(line.substr(line.find(": ") + 2).c_str(), nullptr));
    }
  }
}

TEST(Curve, MistakesAreUsageErrors) {
  const std::string row = "curve BSECO 1 100 100 0.2 0.05 0.02 ";
  const struct {
    std::string arguments, message;
  } cases[] = {
      {row, "curve needs --vary NAME=FROM:TO[:COUNT]"},
      {row + "--vary strike=1:2",
       "BSECO has no input named 'strike' (its inputs: T, S, K, "
       "sigma, r, q)"},
      {row + "--vary S=80", "--vary takes NAME=FROM:TO[:COUNT], not 'S=80'"},
      {row + "--vary S=80:120:1", "--vary takes a COUNT of 2 to 100000 points"},
      {row + "--vary S=80:120:2.5", "--vary takes a COUNT of 2 to 100000 points"},
      {row + "--vary S=80:inf", "--vary takes a finite range, not 'S=80:inf'"},
      {row + "--vary S=80:120 --vary K=1:2", "curve varies one input: give --vary once"},
      {row + "--vary S=80:120 --greek charm",
       "--greek takes 0 to 5 or price, delta, gamma, vega, theta, rho: not 'charm'"},
      {row + "--vary S=80:120 --plot", "--plot needs a value"},
      {"curve NOSUCH 1 2 --vary S=1:2", "unknown code 'NOSUCH' (kzr codes lists the codes)"},
      {"curve BSECO 1 100,101 100 0.2 0.05 0.02 --vary S=1:2",
       "BSECO needs its inputs, one ROW per input, 'S' a single value"},
  };
  for (const auto& c : cases) {
    try {
      parsecurvecall(splitwords(c.arguments));
      ADD_FAILURE() << c.arguments << " was accepted";
    } catch (const usageerror& error) {
      EXPECT_EQ(error.what(), c.message) << c.arguments;
    }
  }
  // As the tool reports one: exit status 2, one line on standard error, nothing priced.
  const auto run = runkzr(cases[1].arguments);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "kzr: " + cases[1].message + "\n");
  EXPECT_EQ(run.out, "");
}

TEST(Curve, PlotWritesAPngOfOnePanelPerGreek) {
  if (!gnuplotinstalled()) GTEST_SKIP() << "gnuplot is not installed";
  const std::string one = scratch("one.png"), two = scratch("two.png");
  const std::string curve = "curve BSECO 1 100 100 0.2 0.05 0.02 --vary S=80:120:9 ";
  const auto single = runkzr(curve + "--plot " + one);
  EXPECT_EQ(single.status, 0) << single.err;
  EXPECT_EQ(pngsize(one), std::make_pair(unsigned{plotwidth}, unsigned{plotpanelheight}));
  const auto panels = runkzr(curve + "--greek price --greek delta --plot " + two);
  EXPECT_EQ(panels.status, 0) << panels.err;
  EXPECT_EQ(pngsize(two), std::make_pair(unsigned{plotwidth}, 2u * plotpanelheight));
  std::remove(one.c_str());
  std::remove(two.c_str());
}

TEST(Curve, WithoutGnuplotTheTableStillPrintsAndTheMessageSaysWhatToInstall) {
  const std::string file = scratch("none.png");
  const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  setenv("PATH", "/nonexistent-kzr-folder", 1);
  const auto run = runkzr("curve BSECO 1 100 100 0.2 0.05 0.02 --vary S=80:120:3 --plot " + file);
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, std::string("kzr: ") + gnuplotmissing + "\n");
  std::string header;
  EXPECT_EQ(tableof(run.out, header).size(), 3u);
  EXPECT_EQ(pngsize(file), std::make_pair(0u, 0u));
}

TEST(Demo, PlotDrawsTheAmericanPutAndTheBarrierPictures) {
  if (!gnuplotinstalled()) GTEST_SKIP() << "gnuplot is not installed";
  const std::string folder = scratch("demo");
  const auto run = runkzr("demo --plot " + folder);
  EXPECT_EQ(run.status, 0) << run.err;
  for (const char* name : {"/americanput.png", "/downandout.png"}) {
    EXPECT_NE(run.out.find("picture: " + folder + name), std::string::npos);
    EXPECT_EQ(pngsize(folder + name),
              std::make_pair(unsigned{plotwidth}, unsigned{plotpanelheight}));
    std::remove((folder + name).c_str());
  }
  rmdir(folder.c_str());
}

}  // namespace

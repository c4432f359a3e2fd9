#include "runner.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <streambuf>

#include "catalogue.h"
#include "fixedincomecommand.h"
#include "greeks.h"
#include "impliedinput.h"

namespace {

// Forwards to std::cout's own buffer and remembers the last character.
class trackingbuffer : public std::streambuf {
 public:
  explicit trackingbuffer(std::streambuf* inner) : inner(inner) {}
  char last = '\n';

 protected:
  int overflow(int c) override {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    last = static_cast<char>(c);
    return inner->sputc(static_cast<char>(c));
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    if (n > 0) last = s[n - 1];
    return inner->sputn(s, n);
  }
  int sync() override { return inner->pubsync(); }

 private:
  std::streambuf* inner;
};

trackingbuffer* tracker = nullptr;

std::string joinrow(const std::vector<double>& row) {
  std::string text;
  for (std::size_t i = 0; i < row.size(); ++i) text += (i ? " " : "") + formatnumber(row[i]);
  return text;
}

}  // namespace

void trackstandardoutput() {
  if (tracker == nullptr) {
    tracker = new trackingbuffer(std::cout.rdbuf());
    std::cout.rdbuf(tracker);
  }
}

void startline() {
  if (tracker != nullptr && tracker->last != '\n') std::cout << '\n';
}

std::string formatnumber(double value, const char* format) {
  if (std::isnan(value)) return "nan";  // C prints a NaN with its sign bit set as "-nan"
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

std::string usagetext() {
  return "usage: kzr price CODE ROW... [--mode M] [--greek G] [--grid N,M] [--paths N] "
         "[--steps N]\n"
         "                 [--seed N] [--precise]\n"
         "       kzr vector CODE ROW... [options]\n"
         "       kzr greeks CODE ROW... [--only LIST] [--grid N,M] [--paths N] [--steps N] "
         "[--seed N] [--precise]\n"
         "       kzr solve CODE ROW... --target PRICE --for NAME [--bracket LO,HI] "
         "[options of greeks]\n"
         "       kzr fi NAME [--number KEY=VALUE]... [--date KEY=YYYY-MM-DD]... "
         "[--text KEY=VALUE]...\n"
         "              [--list KEY=V1,V2,...]... [--series8 ROW]... [--series9 ROW]... "
         "[--table10 ROW]... [--table]\n"
         "       kzr batch FILE|-\n"
         "       kzr codes\n"
         "       kzr curve CODE ROW... --vary NAME=FROM:TO[:COUNT] [--greek G]... [options] "
         "[--plot FILE.png]\n"
         "       kzr demo [--plot FOLDER]\n"
         "\n" +
         optionstext() + "\n" + greekstext();
}

std::string greekstext() {
  return "greeks: the price, then each sensitivity per unit of the input it is taken in, one\n"
         "line per input ('-' where the code has no input of that kind), by central differences\n"
         "through fun:\n"
         "  delta, gamma  in each spot (S, S1, S2, F, E), step 1e-4 of the spot\n"
         "  vega          in each volatility (sigma, sigma1, ...), step 1e-4 of the volatility\n"
         "  theta         V(every date one day nearer) - V(today), a day being 1/365 year:\n"
         "                negative when the contract loses value as a day passes\n"
         "  rho           in each rate (r, rf), step 0.0001\n"
         "  Where one side is undefined (a rate of 0 bumped below 0) the other side's one-sided\n"
         "  difference is taken. Grid codes price in mode 0 and read delta and gamma off the kept\n"
         "  grid; codes with a vector form give their engine's own sensitivities, from the draws\n"
         "  of their price (theta per year / 365). Every price of one request takes one seed:\n"
         "  --seed N, or one drawn for it. --only delta,gamma asks for those alone.\n"
         "solve: the value of input NAME at which the price is PRICE, by Brent's method inside\n"
         "  --bracket LO,HI, by default: a volatility 0.001,5; a rate 0,1; rho -1,1; any other\n"
         "  input x/10,10x around its value x in the rows. Exit status 3 when no value in the\n"
         "  bracket gives the price, with the reason on standard error.\n";
}

std::string optionstext() {
  return "Options of price and vector (each sets a parameter entry; without it the library's\n"
         "default applies):\n"
         "  --mode M     valuation mode: 1 prices afresh, 0 reuses a cached grid or simulation\n"
         "  --greek G    sensitivity: 0 to 5, or price, delta, gamma, vega, theta, rho\n"
         "  --grid N,M   finite-difference grid: N price nodes, M time levels\n"
         "  --paths N    Monte Carlo paths\n"
         "  --steps N    steps of trees, lattices and simulations\n"
         "  --seed N     a fixed seed for every random source of the call, so that a simulation\n"
         "               repeats itself (0: seeded from the clock)\n"
         "  --precise    the precise bivariate normal (about 1e-15 instead of 1e-6) for the\n"
         "               compound, chooser, extendible and two-asset rainbow codes\n";
}

runner::answer runner::price(const pricingcall& call) {
  answer result;
  if (call.vector) {
    const sensitivities::vectoranswer out = calls.funvec(call);
    result.refused = out.refused;
    result.text = joinrow(out.values);
  } else {
    const sensitivities::scalaranswer out = calls.fun(call);
    result.refused = out.refused;
    result.text = formatnumber(out.value);
  }
  return result;
}

void runner::reportrefusal(const pricingcall& call, const std::string& where) {
  const catalogueentry* entry = findentry(call.code);
  std::cerr << "kzr: " << where;
  if (entry == nullptr)
    std::cerr << "unknown code '" << call.code << "' (kzr codes lists the codes)\n";
  else if (call.vector && !entry->vector)
    std::cerr << call.code << " has no vector form (use kzr price)\n";
  else
    std::cerr << "the library refused the call of " << call.code << '\n';
}

int runner::run(const std::vector<std::string>& words) {
  if (words.empty()) throw usageerror("no command given");
  const std::string& command = words[0];
  if (command == "price" || command == "vector") return runprice(words);
  if (command == "fi") return runfi(words, "");
  if (command == "greeks") return rungreeks(words, "");
  if (command == "solve") return runsolve(words, "");
  if (command == "batch") return runbatch(words);
  if (command == "codes" && words.size() == 1) return runcodes();
  if (command == "demo" && words.size() == 1) return rundemo();
  if (command == "curve") return runcurve(words);
  if (command == "demo" && words.size() == 3 && words[1] == "--plot") {
    const int status = rundemo();
    return status != exitanswered ? status : drawdemo(words[2]);
  }
  throw usageerror("unknown command '" + command + "'");
}

int runner::runprice(const std::vector<std::string>& words) {
  const pricingcall call = parsepricingcall(words);
  const answer result = price(call);
  if (result.refused) {
    reportrefusal(call);
    return exitusage;
  }
  startline();
  std::cout << result.text << '\n';
  return exitanswered;
}

int runner::runbatch(const std::vector<std::string>& words) {
  if (words.size() != 2) throw usageerror("batch takes one FILE, or - for standard input");
  if (words[1] == "-") return runbatchlines(std::cin);
  std::ifstream file(words[1]);
  if (!file) throw usageerror("cannot read " + words[1]);
  return runbatchlines(file);
}

int runner::runbatchlines(std::istream& input) {
  int status = exitanswered;
  std::string line;
  for (int number = 1; std::getline(input, line); ++number) {
    const std::vector<std::string> words = splitwords(line);
    if (words.empty() || words[0][0] == '#') continue;
    try {
      const std::string prefix = std::to_string(number) + ": ";
      if (words[0] == "fi" || words[0] == "greeks" || words[0] == "solve") {
        const int outcome = words[0] == "fi"       ? runfi(words, prefix)
                            : words[0] == "greeks" ? rungreeks(words, prefix)
                                                   : runsolve(words, prefix);
        status = std::max(status, outcome);
        continue;
      }
      if (words[0] != "price" && words[0] != "vector")
        throw usageerror("a batch line is a price, vector, greeks, solve or fi call");
      const pricingcall call = parsepricingcall(words);
      const answer result = price(call);
      if (result.refused) {
        reportrefusal(call, "line " + prefix);
        status = std::max(status, exitusage);
        continue;
      }
      startline();
      std::cout << prefix << result.text << '\n';
    } catch (const usageerror& error) {
      std::cerr << "kzr: line " << number << ": " << error.what() << '\n';
      status = std::max(status, exitusage);
    }
  }
  return status;
}

int runner::runcodes() {
  for (const catalogueentry& entry : catalogue()) {
    std::string inputs;
    for (std::size_t i = 0; i < entry.inputs.size(); ++i)
      inputs += (i ? ", " : "") + entry.inputs[i];
    if (entry.variable) inputs += ", ...";
    std::cout << std::left << std::setw(24) << entry.code << std::setw(56) << entry.description
              << inputs << (entry.vector ? "  [price, vector]" : "") << '\n';
  }
  std::cout << '\n' << optionstext();
  return exitanswered;
}

int runner::rundemo() {
  struct row {
    std::string code, description, inputs, price;
  };
  std::vector<row> rows;
  std::stringstream portfolio(demoportfolio());
  std::string line;
  while (std::getline(portfolio, line)) {
    const std::vector<std::string> words = splitwords(line);
    if (words.empty() || words[0][0] == '#') continue;
    const pricingcall call = parsepricingcall(words);
    const catalogueentry* entry = findentry(call.code);
    row r{call.code, entry ? entry->description : "", "", ""};
    for (std::size_t i = 0; i < call.rows.size(); ++i) {
      const std::string name =
          entry && i < entry->inputs.size() ? entry->inputs[i] : "x" + std::to_string(i);
      std::string values;
      for (std::size_t j = 0; j < call.rows[i].size(); ++j)
        values += (j ? "," : "") + formatnumber(call.rows[i][j], "%g");
      r.inputs += (i ? " " : "") + name + "=" + values;
    }
    // Parameter entries the line sets, so that two rows of one code can be told apart.
    static const char* const entrynames[entrycount - 1] = {"mode", "greek", "grid", "paths",
                                                           "steps"};
    for (int e = 0; e < entrycount - 1; ++e) {
      if (call.flags[e] != 0) continue;
      std::string number = formatnumber(call.entries[e][0], "%g");
      if (e == 2) number += "," + formatnumber(call.entries[e][1], "%g");
      r.inputs += std::string(" --") + entrynames[e] + " " + number;
    }
    if (call.flags[5] == 0) {  // the library options: seed and numerics
      char number[64];
      std::snprintf(number, sizeof number, "%g", call.entries[5][0]);
      if (call.entries[5][0] != 0) r.inputs += std::string(" --seed ") + number;
      if (call.entries[5][1] == 1) r.inputs += " --precise";
    }
    const answer result = price(call);
    if (result.refused) {
      r.price = "refused";
    } else if (call.vector) {
      r.price = result.text;
    } else {
      r.price = formatnumber(std::strtod(result.text.c_str(), nullptr), "%.6f");
    }
    rows.push_back(r);
  }
  std::size_t widths[3] = {4, 10, 6};
  for (const row& r : rows) {
    widths[0] = std::max(widths[0], r.code.size());
    widths[1] = std::max(widths[1], r.description.size());
    widths[2] = std::max(widths[2], r.inputs.size());
  }
  startline();
  auto print = [&](const std::string& a, const std::string& b, const std::string& c,
                   const std::string& d) {
    std::cout << std::left << std::setw(widths[0] + 2) << a << std::setw(widths[1] + 2) << b
              << std::setw(widths[2] + 2) << c << d << '\n';
  };
  print("Code", "What it is", "Inputs", "Price");
  print(std::string(widths[0], '-'), std::string(widths[1], '-'), std::string(widths[2], '-'),
        "----------");
  bool seeded = false;
  for (const row& r : rows) {
    print(r.code, r.description, r.inputs, r.price);
    seeded = seeded || r.inputs.find("--seed") != std::string::npos;
  }
  if (seeded)
    std::cout << "\nRows with --seed are simulations at a fixed seed: the same price every run.\n";
  return exitanswered;
}

int runner::runfi(const std::vector<std::string>& words, const std::string& prefix) {
  const fixedincomecall call = parsefixedincomecall(words);
  std::cout.flush();
  library.watchmessages([](const std::string& text) {
    std::size_t start = 0;
    for (;;) {
      const auto end = text.find('\n', start);
      std::cerr << "kzr: " << text.substr(start, end - start) << '\n';
      if (end == std::string::npos) break;
      start = end + 1;
    }
  });
  std::vector<std::string> lines;
  const bool answered = runfixedincome(library, call, lines);
  library.watchmessages(nullptr);
  std::cout.flush();
  if (!answered) {
    std::cerr << "kzr: " << (prefix.empty() ? "" : "line " + prefix)
              << "the library refused the fi call of " << call.name << '\n';
    return exitusage;
  }
  startline();
  for (const std::string& line : lines) std::cout << prefix << line << '\n';
  return exitanswered;
}

int runner::rungreeks(const std::vector<std::string>& words, const std::string& prefix) {
  const greekscall request = parsegreekscall(words);
  const sensitivities::greeksreport report =
      sensitivities::greeksof(calls, request.call, request.which);
  if (report.refused) {
    reportrefusal(request.call, prefix.empty() ? "" : "line " + prefix);
    return exitusage;
  }
  std::vector<std::pair<std::string, std::string>> lines{{"price", formatnumber(report.price)}};
  for (const sensitivities::sensitivity& s : report.sensitivities) {
    const std::string label =
        std::string(sensitivities::nameof(s.which)) + (s.input.empty() ? "" : " " + s.input);
    lines.emplace_back(label, s.available ? formatnumber(s.value) : "-");
  }
  std::size_t width = 0;
  for (const auto& line : lines) width = std::max(width, line.first.size());
  startline();
  for (const auto& [label, value] : lines)
    std::cout << prefix << std::left << std::setw(static_cast<int>(width) + 2) << label << value
              << '\n';
  return exitanswered;
}

int runner::runsolve(const std::vector<std::string>& words, const std::string& prefix) {
  const solvecall request = parsesolvecall(words);
  const sensitivities::solveresult result =
      sensitivities::solvefor(calls, request.call, request.request);
  const std::string where = prefix.empty() ? "" : "line " + prefix;
  switch (result.outcome) {
    case sensitivities::solveoutcome::found:
      startline();
      std::cout << prefix << formatnumber(result.value) << '\n';
      return exitanswered;
    case sensitivities::solveoutcome::refused: reportrefusal(request.call, where); return exitusage;
    case sensitivities::solveoutcome::unknowninput:
    case sensitivities::solveoutcome::nobracket:
      std::cerr << "kzr: " << where << result.message << '\n';
      return exitusage;
    default: std::cerr << "kzr: " << where << result.message << '\n'; return exitnoroot;
  }
}

#include "runner.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "catalogue.h"
#include "fixedincomecommand.h"
#include "greeks.h"
#include "impliedinput.h"
#include "numerics/messages.h"
#include "progress.h"
#include "splitsimulation.h"

std::string formatrow(const std::vector<double>& row) {
  std::string text;
  for (std::size_t i = 0; i < row.size(); ++i) text += (i ? " " : "") + formatnumber(row[i]);
  return text;
}

std::string formatnumber(double value, const char* format) {
  if (std::isnan(value)) return "nan";  // C prints a NaN with its sign bit set as "-nan"
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

std::string echoentries(const pricingcall& call) {
  static const char* const entrynames[entryoptions] = {"mode", "greek", "grid", "paths", "steps"};
  std::string text;
  for (int e = 0; e < entryoptions; ++e) {
    if (call.flags[e] != 0) continue;
    std::string number = formatnumber(call.entries[e][0], "%g");
    if (e == entrygrid) number += "," + formatnumber(call.entries[e][1], "%g");
    text += std::string(" --") + entrynames[e] + " " + number;
  }
  if (call.flags[entryoptions] != 0) return text;
  const auto& options = call.entries[entryoptions];
  if (options[optionseed] != 0) text += " --seed " + formatnumber(options[optionseed], "%g");
  if (options[optionnumerics] == 1) text += " --precise";
  if (options[optionsobol] == 1) text += " --sobol";
  if (options[optioncontrolvariates] == 1) text += " --control";
  if (options[optionnegativerates] == 1) text += " --negative-rates";
  for (int k = optionnumerics + 1; k < libraryoptioncount; ++k)
    if (options[k] != 0 && options[k] != 1)  // the named ones above
      text += " --option " + std::to_string(k) + "=" + formatnumber(options[k], "%g");
  return text;
}

std::string usagetext() {
  return "usage: kzr price CODE ROW... [--mode M] [--greek G] [--grid N,M] [--paths N] "
         "[--steps N]\n"
         "                 [--seed N] [--precise] [--negative-rates] [--sobol] [--control]\n"
         "                 [--stderr [--blocks B]]\n"
         "       kzr vector CODE ROW... [options]\n"
         "       kzr greeks CODE ROW... [--only LIST] [--grid N,M] [--paths N] [--steps N] "
         "[--seed N] [--precise]\n"
         "                  [--negative-rates] [--sobol] [--control] [--stderr [--blocks B]]\n"
         "       kzr solve CODE ROW... --target PRICE --for NAME [--bracket LO,HI] "
         "[options of greeks]\n"
         "       kzr fi NAME [--number KEY=VALUE]... [--date KEY=YYYY-MM-DD]... "
         "[--text KEY=VALUE]...\n"
         "              [--list KEY=V1,V2,...]... [--series8 ROW]... [--series9 ROW]... "
         "[--table10 ROW]... [--table]\n"
         "       kzr batch FILE|- [--progress]\n"
         "       kzr codes\n"
         "       kzr curve CODE ROW... --vary NAME=FROM:TO[:COUNT] [--greek G]... [options] "
         "[--plot FILE.png]\n"
         "       kzr demo [--plot FOLDER]\n"
         "\n" +
         optionstext() + "\n" + greekstext() + "\n" + errortext();
}

std::string errortext() {
  return "--stderr (price, vector, curve, greeks): a simulation with --paths N priced as B seeded\n"
         "  blocks (--blocks B, 32 unless given), each at mode 1; the answer is the blocks'\n"
         "  path-weighted mean, then a line 'stderr X...' (greeks and curve: a column) with the\n"
         "  batch-means standard error of each value. A code that does not simulate is refused.\n";
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
         "  difference is taken (under --negative-rates both sides are defined: central). Grid "
         "codes price in mode 0 and read delta and gamma off the kept\n"
         "  grid; the simulations give their engine's own sensitivities, from the draws of their\n"
         "  price (theta per year / 365). Every price of one request takes one seed:\n"
         "  --seed N, or one drawn for it. --only delta,gamma asks for those alone.\n"
         "solve: the value of input NAME at which the price is PRICE (sigma of BSECO, BSEPO,\n"
         "  BLACK76ECO and BLACK76EPO by Jaeckel's rational method), by Brent's method inside\n"
         "  --bracket LO,HI, by default: a volatility 0.001,5; a rate 0,1 (-0.1,1 under\n"
         "  --negative-rates); rho -1,1; any other\n"
         "  input x/10,10x around its value x in the rows. Exit status 3 when no value in the\n"
         "  bracket gives the price, with the reason on standard error.\n";
}

std::string optionstext() {
  return "Options of price and vector (each sets a parameter entry; without it the library's\n"
         "default applies):\n"
         "  --mode M     valuation mode: 1 prices afresh, 0 reuses a cached grid or simulation\n"
         "  --greek G    sensitivity: 0 to 5, or price, delta, gamma, vega, theta, rho. A\n"
         "               simulation's engine computes it (theta per year); for any other code\n"
         "               it is what kzr greeks gives, in the first input of its kind (the\n"
         "               first spot, volatility or rate), theta per day\n"
         "  --grid N,M   finite-difference grid: N price nodes, M time levels\n"
         "  --paths N    Monte Carlo paths\n"
         "  --steps N    steps of trees, lattices and simulations\n"
         "  --seed N     a fixed seed for every random source of the call, so that a simulation\n"
         "               repeats itself (0: seeded from the clock)\n"
         "  --precise    precise numerics: the precise bivariate normal (about 1e-15 instead\n"
         "               of up to 8.3e-6) for the compound, chooser, extendible and two-asset\n"
         "               rainbow codes, and converged American vanilla prices and critical prices\n"
         "               (BSACO, BSAPO, BINACO, BINAPO and their Crit codes, about 1e-9\n"
         "               relative; --grid and --steps do not apply to them), and converged\n"
         "               American knock-outs and knock-ins (DOWNINACO to UPOUTAPO, the\n"
         "               knock-outs' Crit codes, DBKNOCKOUTACO/APO, DBKNOCKINACO/APO,\n"
         "               and the lookbacks LBFLSTACO to LBFLSTAPOCrit,\n"
         "               about 1e-5 relative, their Crit codes about 3e-5 (knock-outs)\n"
         "               and 1e-4 (lookbacks); --grid keeps its\n"
         "               meaning: the option improves\n"
         "               the method at those sizes), and the American quantos\n"
         "               (trees smoothed at the last step and extrapolated over n and n/2),\n"
         "               and the symmetric power codes POWEREDECO/EPO (the payoff integrated\n"
         "               over the lognormal law; with --steps N an N-step tree improved so)\n"
         "  --negative-rates  rates and dividend yields (r, rf, q, q1, q2, q_i) may be negative\n"
         "               in the codes whose formulas hold with them (closed forms, American\n"
         "               vanillas, the simulated rainbows); the other codes refuse a negative\n"
         "               one with a line naming it. Without it every negative rate or yield is\n"
         "               refused, as designed\n"

         "  --sobol      simulations draw from a randomised Sobol sequence through the Brownian\n"
         "               bridge (its digital shift drawn from the seed): runs at different\n"
         "               seeds are independent replicates\n"
         "  --control    simulations correct their price by the contract's control variates\n"
         "               (the geometric Asian, the two-asset closed forms, the forwards)\n";
}

runner::pricedcall runner::pricevalues(const pricingcall& call) {
  pricedcall result;
  const catalogueentry* entry = findentry(call.code);
  if (call.vector && entry != nullptr && !entry->vector) {
    result.refused = true;  // reportrefusal says why; the library is not asked
    return result;
  }
  if (call.vector) {
    sensitivities::vectoranswer out = calls.funvec(call);
    result.refused = out.refused;
    result.values = std::move(out.values);
    return result;
  }
  if (entry != nullptr && sensitivities::takenbydifferences(call, *entry)) {
    // A sensitivity the code's engine does not compute: fun would answer the price.
    const sensitivities::selectedfigure figure =
        sensitivities::selectedsensitivity(calls, call, *entry);
    if (!figure.refused && !figure.available)
      throw usageerror(sensitivities::nokindtext(call.code, figure.which));
    result.refused = figure.refused;
    result.values = {figure.value};
    return result;
  }
  const sensitivities::scalaranswer out = calls.fun(call);
  result.refused = out.refused;
  result.values = {out.value};
  return result;
}

runner::answer runner::price(const pricingcall& call) {
  const pricedcall out = pricevalues(call);
  return {out.refused, call.vector ? formatrow(out.values) : formatnumber(out.values[0])};
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

int runner::runprice(const std::vector<std::string>& given) {
  std::vector<std::string> words = given;
  const errorrequest errors = takeerroroptions(words);
  const pricingcall call = parsepricingcall(words);
  if (errors.wanted || errors.blocks != 0) {
    const errorplan plan = planerrors(call, errorblocksof(errors));
    if (!plan.split.said.empty()) std::cerr << "kzr: " << plan.split.said << '\n';
    const blockestimate out = priceblocks(calls, plan);
    if (out.refused) {
      reportrefusal(call);
      return exitusage;
    }
    const std::vector<double>& values = out.estimate.values;
    startline();
    std::cout << (call.vector ? formatrow(values) : formatnumber(values.at(0))) << '\n'
              << "stderr " << formatrow(out.estimate.errors) << '\n';
    return exitanswered;
  }
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
  const batcharguments arguments = parsebatcharguments(words);
  const std::string& name = arguments.file;
  const bool shown = progresswanted(arguments.progress);
  if (name == "-") {
    progressline progress(shown, -1);
    return runbatchlines(std::cin, progress);
  }
  std::ifstream file(name);
  if (!file) throw usageerror("cannot read " + name);
  long total = -1;
  if (shown) {  // the total, for the time left
    total = 0;
    for (std::string line; std::getline(file, line);) total += isbatchentry(splitwords(line));
    file.clear();
    file.seekg(0);
  }
  progressline progress(shown, total);
  return runbatchlines(file, progress);
}

int runner::runbatchlines(std::istream& input, progressline& progress) {
  int status = exitanswered;
  long done = 0;
  std::string line;
  for (int number = 1; std::getline(input, line); ++number) {
    if (!isbatchentry(splitwords(line))) continue;
    const lineoutput record = runbatchline(number, line);
    progress.makeroomfor(record);
    writeout(record);
    status = std::max(status, record.status);
    progress.update(++done);
  }
  return status;
}

lineoutput runner::runbatchline(int number, const std::string& line) {
  recordedline recording(std::to_string(number) + ": ");  // every line it writes carries it
  const int status = runbatchwords(number, splitwords(line));
  lineoutput record = recording.take();
  record.number = number;
  record.status = status;
  return record;
}

int runner::runbatchwords(int number, const std::vector<std::string>& words) {
  try {
    const std::string prefix = std::to_string(number) + ": ";
    if (words[0] == "fi") return runfi(words, prefix);
    if (words[0] == "greeks") return rungreeks(words, prefix);
    if (words[0] == "solve") return runsolve(words, prefix);
    if (words[0] != "price" && words[0] != "vector")
      throw usageerror("a batch line is a price, vector, greeks, solve or fi call");
    std::vector<std::string> rest = words;
    const errorrequest errors = takeerroroptions(rest);
    if (errors.wanted || errors.blocks != 0)
      throw usageerror("--stderr and --blocks are not taken in a batch line: run the call alone");
    const pricingcall call = parsepricingcall(words);
    const answer result = price(call);
    if (result.refused) {
      reportrefusal(call, "line " + prefix);
      return exitusage;
    }
    startline();
    std::cout << result.text << '\n';
    return exitanswered;
  } catch (const usageerror& error) {
    std::cerr << "kzr: line " << number << ": " << error.what() << '\n';
    return exitusage;
  }
}

namespace {

std::string sizevalue(std::int64_t value, std::int64_t second) {
  return std::to_string(value) + (second != 0 ? " x " + std::to_string(second) : "");
}

// One size as `kzr codes` shows it: its default and the option that sets it, and what the precise
// numerics take where they take something else.
std::string sizetext(const sizeuse& size) {
  std::string text = std::string(size.name) + " ";
  if (size.entry < 0) return text + sizevalue(size.value, size.second) + " (fixed)";
  const std::string flag = entryflags[static_cast<std::size_t>(size.entry)];
  const std::string precise = optionflags[optionnumerics];
  if (size.fixed)
    return text + sizevalue(size.value, size.second) + " (fixed; " + flag + ", " +
           sizevalue(size.precise, size.precisesecond) + " under " + precise + ")";
  if (size.value == 0)
    return text + "not read (" + flag + "; " + sizevalue(size.precise, size.precisesecond) +
           " under " + precise + ")";
  text += sizevalue(size.value, size.second) + " (" + flag;
  if (size.precise == 0)
    text += "; not read under " + precise;
  else if (size.precise == sizeuse::givenonly)
    text += "; under " + precise + " read only when given";
  else if (size.precise != size.value || size.precisesecond != size.second)
    text += "; " + sizevalue(size.precise, size.precisesecond) + " under " + precise;
  return text + ")";
}

// The second line of a code in `kzr codes`: its sizes with their defaults, and the library options
// that apply to it.
std::string parameterstext(const catalogueentry& entry) {
  std::string text = "defaults: ";
  for (std::size_t i = 0; i < entry.sizes.size(); ++i)
    text += (i ? ", " : "") + sizetext(entry.sizes[i]);
  if (entry.sizes.empty()) text += "none";
  text += "; options:";
  for (int option : entry.options) text += std::string(" ") + optionflags[option];
  if (entry.options.empty()) text += " none";
  return text;
}

}  // namespace

int runner::runcodes() {
  // Each column as wide as its widest text and two spaces, so that none runs into the next.
  std::size_t codewidth = 0, descriptionwidth = 0;
  for (const catalogueentry& entry : catalogue()) {
    codewidth = std::max(codewidth, entry.code.size() + 2);
    descriptionwidth = std::max(descriptionwidth, entry.description.size() + 2);
  }
  for (const catalogueentry& entry : catalogue()) {
    std::string inputs;
    for (std::size_t i = 0; i < entry.inputs.size(); ++i)
      inputs += (i ? ", " : "") + entry.inputs[i];
    if (entry.variable) inputs += ", ...";
    std::cout << std::left << std::setw(static_cast<int>(codewidth)) << entry.code
              << std::setw(static_cast<int>(descriptionwidth)) << entry.description << inputs
              << (entry.vector ? "  [price, vector]" : "") << '\n'
              << std::string(codewidth, ' ') << parameterstext(entry) << '\n';
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
    r.inputs += echoentries(call);
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
  const std::string where = prefix.empty() ? "" : "line " + prefix;
  bool unknown = false;
  std::cout.flush();
  library.watchmessages([&where, &unknown](const std::string& text) {
    unknown = unknown || text.rfind(messages::fixedincomeunknownname, 0) == 0;
    std::size_t start = 0;
    for (;;) {
      const auto end = text.find('\n', start);
      std::cerr << "kzr: " << where << text.substr(start, end - start) << '\n';
      if (end == std::string::npos) break;
      start = end + 1;
    }
  });
  std::vector<std::string> lines;
  const bool answered = runfixedincome(library, call, lines);
  library.watchmessages(nullptr);
  std::cout.flush();
  if (unknown) return exitusage;  // as an unknown code: the library's message says why
  if (!answered) {
    std::cerr << "kzr: " << where << "the library refused the fi call of " << call.name << '\n';
    return exitusage;
  }
  startline();
  for (const std::string& line : lines) std::cout << line << '\n';
  return exitanswered;
}

int runner::rungreeks(const std::vector<std::string>& given, const std::string& prefix) {
  std::vector<std::string> words = given;
  const errorrequest errors = takeerroroptions(words);
  if (!prefix.empty() && (errors.wanted || errors.blocks != 0))
    throw usageerror("--stderr and --blocks are not taken in a batch line: run the call alone");
  const greekscall request = parsegreekscall(words);
  const bool witherror = errors.wanted || errors.blocks != 0;
  sensitivities::greeksreport report;
  std::vector<double> stderrs;  // the price's, then each sensitivity's
  if (witherror) {
    const errorplan plan = planerrors(request.call, errorblocksof(errors), true);
    if (!plan.split.said.empty()) std::cerr << "kzr: " << plan.split.said << '\n';
    greeksestimate estimate = greeksinblocks(calls, plan, request.which);
    report = std::move(estimate.report);
    stderrs = std::move(estimate.errors);
  } else {
    report = sensitivities::greeksof(calls, request.call, request.which);
  }
  if (report.refused) {
    reportrefusal(request.call, prefix.empty() ? "" : "line " + prefix);
    return exitusage;
  }
  // label, value and (with --stderr) its standard error
  std::vector<std::array<std::string, 3>> lines{{"price", formatnumber(report.price), ""}};
  for (const sensitivities::sensitivity& s : report.sensitivities) {
    const std::string label =
        std::string(sensitivities::nameof(s.which)) + (s.input.empty() ? "" : " " + s.input);
    lines.push_back({label, s.available ? formatnumber(s.value) : "-", ""});
  }
  for (std::size_t k = 0; k < stderrs.size() && k < lines.size(); ++k)
    lines[k][2] = formatnumber(stderrs[k]);
  std::size_t width = 0, valuewidth = 0;
  for (const auto& line : lines) {
    width = std::max(width, line[0].size());
    valuewidth = std::max(valuewidth, line[1].size());
  }
  startline();
  for (const auto& line : lines) {
    std::cout << std::left << std::setw(static_cast<int>(width) + 2) << line[0];
    if (witherror)
      std::cout << std::setw(static_cast<int>(valuewidth) + 2) << line[1] << "stderr "
                << line[2];
    else
      std::cout << line[1];
    std::cout << '\n';
  }
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
      std::cout << formatnumber(result.value) << '\n';
      return exitanswered;
    case sensitivities::solveoutcome::refused: reportrefusal(request.call, where); return exitusage;
    case sensitivities::solveoutcome::unknowninput:
    case sensitivities::solveoutcome::nobracket:
      std::cerr << "kzr: " << where << result.message << '\n';
      return exitusage;
    default: std::cerr << "kzr: " << where << result.message << '\n'; return exitnoroot;
  }
}

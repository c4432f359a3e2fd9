// kzr-mpi price and vector: one simulation's paths split into blocks across the ranks
// (splitsimulation.h). Block b runs on rank b mod K; every rank records its blocks' writing and
// answers and sends them to rank 0, which writes what one call would have written: the messages
// of block 0 (or of the first block the library refused), then the combined answer.
#include <mpi.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <random>

#include "codeentries.h"
#include "mpimessages.h"
#include "mpirun.h"
#include "splitsimulation.h"

namespace {

struct blockanswer {
  std::int64_t block = 0;
  bool refused = false;
  std::vector<double> values;
  lineoutput writing;
};

std::string encode(const blockanswer& answer) {
  std::string bytes;
  appendvalue(bytes, static_cast<double>(answer.block));
  appendvalue(bytes, answer.refused ? 1.0 : 0.0);
  appendvalue(bytes, static_cast<double>(answer.values.size()));
  for (const double v : answer.values) appendvalue(bytes, v);
  appendrecord(bytes, answer.writing);
  return bytes;
}

blockanswer decode(const std::string& bytes) {
  blockanswer answer;
  std::size_t at = 0;
  answer.block = static_cast<std::int64_t>(readvalue(bytes, at));
  answer.refused = readvalue(bytes, at) != 0;
  const double count = readvalue(bytes, at);
  for (double i = 0; i < count && at < bytes.size(); ++i)
    answer.values.push_back(readvalue(bytes, at));
  std::vector<lineoutput> writing;
  if (!readrecords(bytes.substr(std::min(at, bytes.size())), writing) || writing.size() != 1)
    throw std::runtime_error("a malformed block report");
  answer.writing = std::move(writing[0]);
  return answer;
}

// A seed drawn for a run without one, the same on every rank (rank 0's).
double drawnseed() {
  double seed = 0;
  if (worldrank() == 0) {
    std::random_device entropy;
    seed = 1.0 + static_cast<double>(entropy() % 4294967295u);
  }
  broadcastnumber(seed);
  return seed;
}

}  // namespace

int runmpiprice(runner& tool, const std::vector<std::string>& given) {
  std::vector<std::string> words = given;
  const errorrequest errors = takeerroroptions(words);
  const bool witherror = errors.wanted;
  pricingcall call = parsepricingcall(words);
  // One block per process; with --stderr at least errorblocks, for a steady error.
  int blocks = errors.blocks != 0 ? errors.blocks
               : witherror        ? std::max(errorblocks, worldsize())
                                  : worldsize();
  if (witherror) {
    const std::string notsimulated = whynoerror(call);
    if (!notsimulated.empty()) throw usageerror(notsimulated);
  }
  const catalogueentry* entry = findentry(call.code);
  const bool simulation = entry != nullptr && entry->keeps == cacheuse::draws;
  if (simulation && call.flags[entrypaths] != 0)
    throw usageerror("give --paths N: the paths are what the ranks share");
  // A simulation without a positive seed (none, 0, negative or NaN, which the library would take
  // as the clock) gets a drawn one; the other options stay (their defaults when entry 5 was not
  // given).
  if (simulation &&
      (call.flags[entryoptions] != 0 || !(call.entries[entryoptions][optionseed] >= 1))) {
    if (call.flags[entryoptions] != 0) call.set(entryoptions, 0.0);
    call.setvalue(entryoptions, optionseed, drawnseed());
  }

  // What cannot be split is priced once, on rank 0: codes that do not simulate, path counts
  // below one. A count beyond what one call takes is split into more blocks than asked.
  splitplan plan;
  if (simulation) {
    const std::string why = planblocks(call, blocks, plan);
    if (!why.empty()) throw usageerror(why);
    if (!plan.said.empty() && worldrank() == 0) std::cerr << "kzr-mpi: " << plan.said << '\n';
  }
  const bool splittable = !plan.blocks.empty();
  const std::vector<simulationblock> split =
      splittable ? plan.blocks : std::vector<simulationblock>{{0, 0}};
  const int count = static_cast<int>(split.size());
  const int rank = worldrank(), size = worldsize();

  std::vector<blockanswer> mine;
  for (int b = rank; b < count; b += size) {
    const pricingcall part = splittable ? blockcall(call, split[b], count == 1) : call;
    blockanswer answer;
    answer.block = b;
    {
      recordedline recording;
      const runner::pricedcall out = tool.pricevalues(part);
      answer.refused = out.refused;
      answer.values = out.values;
      answer.writing = recording.take();
    }
    mine.push_back(std::move(answer));
  }
  if (rank != 0) {
    for (const blockanswer& answer : mine) sendbytes(encode(answer), 0, tagblock);
    return exitanswered;
  }
  std::vector<blockanswer> all(static_cast<std::size_t>(count));
  for (blockanswer& answer : mine) all[answer.block] = std::move(answer);
  for (int received = static_cast<int>(mine.size()); received < count; ++received) {
    blockanswer answer = decode(receivebytes(-1, tagblock));
    if (answer.block < 0 || answer.block >= count) throw std::runtime_error("a stray block");
    all[answer.block] = std::move(answer);
  }

  const auto refused =
      std::find_if(all.begin(), all.end(), [](const blockanswer& a) { return a.refused; });
  writeout(refused != all.end() ? refused->writing : all[0].writing);
  if (refused != all.end()) {
    tool.reportrefusal(call);
    return exitusage;
  }
  std::vector<std::vector<double>> answers;
  std::vector<std::int64_t> counts;
  for (const blockanswer& answer : all) {
    answers.push_back(answer.values);
    counts.push_back(split[answer.block].paths);
  }
  const combinedestimate estimate = combineblocks(call, answers, counts);
  startline();
  std::cout << (call.vector ? formatrow(estimate.values) : formatnumber(estimate.values[0]))
            << '\n';
  if (witherror) {
    // A simulation's error comes from its blocks alone (undefined for one block).
    std::cout << "stderr " << formatrow(estimate.errors) << '\n';
    if (count == 1 && splittable)
      std::cerr << "kzr-mpi: one block gives no standard error: run on more ranks, or give "
                   "--blocks B\n";
  }
  return exitanswered;
}

std::string mpiusagetext() {
  return "usage: mpirun -np K kzr-mpi batch FILE|- [--progress]\n"
         "       mpirun -np K kzr-mpi price CODE ROW... --paths N [--seed S] [--blocks B] "
         "[--stderr] [options]\n"
         "       mpirun -np K kzr-mpi vector CODE ROW... (as price)\n"
         "\n"
         "batch: the lines of FILE priced across the K processes; the output is exactly that of\n"
         "  kzr batch FILE. Lines that share a cache run together, in file order.\n"
         "price, vector: a simulation's N paths split into B blocks (K by default), each with its\n"
         "  own seed derived from S, and combined into the estimate of all N paths; with K = 1\n"
         "  and one block, exactly kzr price ... --seed S. --stderr adds a line with the\n"
         "  standard error from the spread of the blocks (at least 32 blocks unless --blocks is\n"
         "  given; a code that does not simulate is refused). Without --seed a seed is drawn.\n"
         "\n" +
         optionstext();
}

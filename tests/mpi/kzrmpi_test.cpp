// kzr-mpi as a user runs it under mpirun: a batch across 2 and 3 processes writes exactly what
// kzr batch writes, lines that share a cache keep their order, and one simulation split across
// processes gives the one-process price on one process and a consistent estimate on several.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

#include "catalogue.h"
#include "testsupport.h"

namespace {

using testsupport::runcommand;
using testsupport::runkzr;

// mpirun as root too (CI runs as root), quiet, and with more processes than cores allowed.
testsupport::toolrun runmpi(int processes, const std::string& arguments,
                            const std::string& input = "") {
  const std::string command =
      std::string("OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1 ") + KZR_MPIRUN +
      " -q --oversubscribe -np " + std::to_string(processes) + " " +
      testsupport::besideprogram("kzr-mpi") + " " + arguments;
  return runcommand(command, input);
}

const std::string everest = "EVERESTEO 2 1 100 0.2,0.3 1,0.5,0.5,1 0.05 0,0";
const std::string bsapo = "price BSAPO 1 100 100 0.2 0.05 0.02";

std::string fillers(int count) {
  std::string lines;
  for (int i = 0; i < count; ++i)
    lines += "price BSECO 1 " + std::to_string(90 + i) + " 100 0.2 0.05 0.02\n";
  return lines;
}

// The demo portfolio, lines the library or the tool refuses, cached sequences of both engines
// with closed forms between them, fixed-income lines that keep and read a curve, greeks and solve.
std::string mixedbatch() {
  return demoportfolio() + "price NOSUCH 1\nprice BSECO x\nhello\n" + bsapo + " --mode 0\n" +
         fillers(5) + "price BSAPO 1 100 100 0.20005 0.05 0.02 --mode 0\n" + "price " + everest +
         " --paths 2000 --mode 0 --seed 7\n" + fillers(5) + "vector " + everest +
         " --paths 2000 --mode 0 --seed 8 --greek delta\n" +
         "fi Curve --text Name=EUR6M --date SettlementDate=2024-01-15 --text Index=Euribor6M "
         "--text Instruments=Deposit,Deposit,Swap,Swap,Swap --text Tenors=3M,6M,2Y,5Y,10Y "
         "--list Quotes=0.0390,0.0389,0.0310,0.0280,0.0275\n" +
         fillers(3) +
         "fi CurveValue --text Curve=EUR6M --text Dates=1Y,2Y,2029-01-15 --text Quantity=ZeroRate "
         "--text Compounding=Compounded\n"
         "greeks BSAPO 1 100 100 0.2 0.05 0.02\n"
         "solve BSECO 1 100 100 0.2 0.05 0.02 --target 9 --for sigma\n"
         "price EVERESTEO 2 1 100 0.2,0.3 1,0.5,0.5,1 0.05 0,0 --paths -5 --seed 3\n"
         "fi NoSuchFunction  # exits 2, its message on standard error with its line\n" +
         fillers(40);
}

TEST(KzrMpi, BatchWritesWhatOneProcessWrites) {
  const std::string batch = mixedbatch();
  const auto one = runkzr("batch -", batch);
  ASSERT_EQ(one.status, 2) << "the batch has refused lines";
  // Every line of the output, the library's messages included, starts with its line's number.
  std::stringstream lines(one.out);
  for (std::string line; std::getline(lines, line);)
    ASSERT_NE(line.find_first_not_of("0123456789"), 0u) << line;
  ASSERT_NE(one.out.find(": Unknown contract code: NOSUCH"), std::string::npos);
  ASSERT_NE(one.out.find(": Paths should be positive"), std::string::npos);
  for (const int processes : {2, 3}) {
    const auto many = runmpi(processes, "batch -", batch);
    EXPECT_EQ(many.out, one.out) << processes;
    EXPECT_EQ(many.err, one.err) << processes;
    EXPECT_EQ(many.status, one.status) << processes;
  }
}

// The second grid line (its volatility within 0.0001 of the first) reads the first one's grid and
// the last line, a notional within 0.0001 of the price's at its seed, answers the kept price
// (their answers differ from fresh ones): on several processes they still do, in order.
TEST(KzrMpi, CachedSequencesKeepTheirOrder) {
  const std::string neighbour = "EVERESTEO 2 1 100.00005 0.2,0.3 1,0.5,0.5,1 0.05 0,0";
  const std::string batch = bsapo + " --mode 0\n" + fillers(20) +
                            "price BSAPO 1 100 100 0.20005 0.05 0.02 --mode 0\n" + "price " +
                            everest + " --paths 2000 --mode 0 --seed 7\n" + fillers(20) + "price " +
                            neighbour + " --paths 2000 --mode 0 --seed 7\n";
  const auto one = runkzr("batch -", batch);
  const auto fresh = runkzr("batch -", "price BSAPO 1 100 100 0.20005 0.05 0.02\nprice " +
                                           neighbour + " --paths 2000 --seed 7\n");
  std::stringstream lines(one.out), freshlines(fresh.out);
  std::string line, reused[2], afresh[2];
  while (std::getline(lines, line)) {
    if (line.rfind("22: ", 0) == 0) reused[0] = line.substr(4);
    if (line.rfind("44: ", 0) == 0) reused[1] = line.substr(4);
  }
  std::getline(freshlines, afresh[0]);
  std::getline(freshlines, afresh[1]);
  EXPECT_NE(reused[0], afresh[0].substr(3)) << "the grid was not reused";
  EXPECT_NE(reused[1], afresh[1].substr(3)) << "the draws were not reused";
  EXPECT_EQ(runmpi(2, "batch -", batch).out, one.out);
}

TEST(KzrMpi, BatchRefusesWhatItCannotRead) {
  const auto run = runmpi(2, "batch /nonexistent/file");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "kzr-mpi: cannot read /nonexistent/file\n");
  EXPECT_EQ(runmpi(2, "batch").status, 2);
}

TEST(KzrMpi, OneProcessPricesExactlyAsKzr) {
  for (const std::string& call :
       std::vector<std::string>{"price " + everest + " --paths 5000 --seed 11",
                                "vector " + everest + " --paths 5000 --seed 11 --greek vega",
                                "price HIMALAYAEO 2 1 100 0.2,0.3 1,0.5,0.5,1 0.05 0,0 --paths "
                                "5000 --seed 11",
                                "price BSECO 1 100 100 0.2 0.05 0.02"}) {
    const auto kzr = runkzr(call);
    const auto mpi = runmpi(1, call);
    EXPECT_EQ(mpi.out, kzr.out) << call;
    EXPECT_EQ(mpi.status, 0) << mpi.err;
  }
}

double firstnumber(const std::string& text, const std::string& after = "") {
  const std::size_t at = after.empty() ? 0 : text.find(after);
  return at == std::string::npos ? std::nan("")
                                 : std::strtod(text.c_str() + at + after.size(), nullptr);
}

// Split across 3 processes (in 30 blocks, for a steady error), the estimate lies within a few
// standard errors of the one-process price on as many paths; so does HIMALAYAEO's, combined
// through the inverse of its price.
TEST(KzrMpi, SplitSimulationAgreesWithOneProcessWithinItsError) {
  for (const std::string& code :
       {everest, std::string("HIMALAYAEO 2 1 100 0.2,0.3 1,0.5,0.5,1 0.05 0,0")}) {
    const std::string call = "price " + code + " --paths 30000 --seed 5";
    const double single = firstnumber(runkzr(call).out);
    const auto split = runmpi(3, call + " --blocks 30 --stderr");
    ASSERT_EQ(split.status, 0) << split.err;
    const double estimate = firstnumber(split.out);
    const double error = firstnumber(split.out, "stderr ");
    EXPECT_GT(error, 0) << split.out;
    // Two independent estimates on equal paths: their difference has sqrt(2) times the error.
    EXPECT_LT(std::fabs(estimate - single), 4 * std::sqrt(2.0) * error) << code;
  }
  const auto refused = runmpi(2,
                              "vector HIMALAYAEO 2 1 100 0.2,0.3 1,0.5,0.5,1 0.05 0,0 "
                              "--paths 1000 --seed 5");
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("--blocks 1"), std::string::npos) << refused.err;
  EXPECT_EQ(runmpi(2, "price " + everest + " --seed 5").status, 2) << "the paths must be given";
}

// More paths than one call takes (the library would clamp them to 2^31 - 1): split into the
// blocks they need, said in one line, not priced alone by rank 0 with a standard error of 0. At
// T = 0 every block answers the payoff without simulating, notional x 1. A simulation that cannot
// be split (paths below 1) has no standard error: nan, not 0.
TEST(KzrMpi, PathsBeyondOneCallAreSplitIntoMoreBlocks) {
  const std::string now = "price EVERESTEO 2 0 100 0.2,0.3 1,0.5,0.5,1 0.05 0,0 --seed 1 ";
  const auto split = runmpi(2, now + "--paths 4e9 --blocks 1 --stderr");
  ASSERT_EQ(split.status, 0) << split.err;
  EXPECT_EQ(split.err,
            "kzr-mpi: 4000000000 paths are split into 2 blocks, not 1: one call takes at most "
            "2147483647 paths\n");
  EXPECT_EQ(firstnumber(split.out), 100.0) << split.out;
  const auto unsplit = runmpi(2, "price " + everest + " --paths 0.5 --seed 1 --stderr");
  ASSERT_EQ(unsplit.status, 0) << unsplit.err;
  EXPECT_NE(unsplit.out.find("stderr nan\n"), std::string::npos) << unsplit.out;
}

// --stderr without --blocks takes at least 32 blocks, the single-process fronts' count, through
// the same plan: on 2 processes it prints exactly what kzr price --stderr prints. A code that
// does not simulate has no standard error (0 would claim an exact answer): refused in one line.
TEST(KzrMpi, StandardErrorsAreTheSingleProcessFrontsOnes) {
  const std::string call = "price " + everest + " --paths 6400 --seed 3 --stderr";
  const auto kzr = runkzr(call);
  ASSERT_EQ(kzr.status, 0) << kzr.err;
  EXPECT_EQ(runmpi(2, call).out, kzr.out);
  const auto grid = runmpi(2, "price BSAPO 1 100 100 0.2 0.05 0.02 --stderr");
  EXPECT_EQ(grid.status, 2);
  EXPECT_EQ(grid.err,
            "kzr-mpi: BSAPO is not a simulation: its answer has no standard error (leave out "
            "--stderr)\n");
  EXPECT_EQ(grid.out, "");
}

// The text of /proc/PID/NAME (NUL-separated fields as they are).
std::string procfile(const std::string& pid, const char* name) {
  std::ifstream file("/proc/" + pid + "/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The working process of rank `rank` of a kzr-mpi run on `batchfile` (the watcher's child), or
// "" while there is none.
std::string workingprocess(const std::string& batchfile, int rank) {
  DIR* folder = opendir("/proc");
  std::string found;
  while (dirent* entry = folder != nullptr ? readdir(folder) : nullptr) {
    const std::string pid = entry->d_name;
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    if (procfile(pid, "comm") != "kzr-mpi\n") continue;
    if (procfile(pid, "cmdline").find(batchfile) == std::string::npos) continue;
    const std::string environ = '\0' + procfile(pid, "environ");
    if (environ.find('\0' + std::string("OMPI_COMM_WORLD_RANK=") + std::to_string(rank) + '\0') ==
        std::string::npos)
      continue;
    std::istringstream stat(procfile(pid, "stat"));
    std::string field, parent;
    for (int i = 0; i < 4 && stat >> field; ++i) parent = field;
    if (procfile(parent, "comm") == "kzr-mpi\n") found = pid;
  }
  if (folder != nullptr) closedir(folder);
  return found;
}

// The processor time a process has used, in seconds.
double cputime(const std::string& pid) {
  const std::string stat = procfile(pid, "stat");
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));  // after the command's name
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i)
    if (i == 14 || i == 15) ticks += std::stod(field);  // utime, stime
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// A process killed outright (SIGKILL, as the kernel's out-of-memory killer does) cannot speak,
// and mpirun -q says nothing: kzr-mpi still names the rank and the line in one line.
TEST(KzrMpi, AKilledProcessNamesItsRankAndLine) {
  char name[] = "/tmp/kzrmpidiesXXXXXX";
  const int descriptor = mkstemp(name);
  ASSERT_GE(descriptor, 0);
  close(descriptor);
  // Line 2, the heaviest, goes to rank 1 and takes seconds; it is killed while it runs.
  std::ofstream(name) << "# one slow simulation\nprice " << everest
                      << " --paths 20000000 --steps 50 --seed 1\n" << fillers(3);
  auto run = std::async(std::launch::async,
                        [&] { return runmpi(2, std::string("batch ") + name); });
  std::string pid;
  for (int wait = 0; wait < 200 && pid.empty(); ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    pid = workingprocess(name, 1);
  }
  ASSERT_FALSE(pid.empty()) << "rank 1 did not start";
  // Into its line: starting costs rank 1 far less than half a second of processor time.
  for (int wait = 0; wait < 400 && cputime(pid) < 0.5; ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  kill(std::stoi(pid), SIGKILL);
  const auto result = run.get();
  std::remove(name);
  EXPECT_NE(result.status, 0);
  EXPECT_EQ(result.err, "kzr-mpi: rank 1 died of signal 9 (Killed) while pricing line 2\n");
}

}  // namespace

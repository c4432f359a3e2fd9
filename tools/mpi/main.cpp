// kzr-mpi: kzr's batch and one large simulation across MPI processes, each loading libkzr.so once
// through the host stand-in, as kzr does. Run it with mpirun (mpirun -np 4 kzr-mpi batch FILE).
#include <mpi.h>

#include <iostream>

#include "deathwatch.h"
#include "mpimessages.h"
#include "mpirun.h"

namespace {

int run(const std::vector<std::string>& words) {
  const bool speaks = worldrank() == 0;  // only rank 0 writes messages of its own
  if (words.empty() || words[0] == "--help" || words[0] == "help") {
    if (speaks) (words.empty() ? std::cerr : std::cout) << mpiusagetext();
    return words.empty() ? exitusage : exitanswered;
  }
  try {
    standin::host library;
    runner tool(library);
    if (words[0] == "batch") return runmpibatch(tool, words);
    if (words[0] == "price" || words[0] == "vector") return runmpiprice(tool, words);
    throw usageerror("unknown command '" + words[0] + "' (kzr-mpi --help lists the commands)");
  } catch (const usageerror& error) {
    if (speaks) std::cerr << "kzr-mpi: " << error.what() << '\n';
    return exitusage;
  } catch (const std::exception& error) {
    std::cerr << "kzr-mpi: rank " << worldrank() << ": " << error.what();
    if (pricingline() > 0) std::cerr << " while pricing line " << pricingline();
    std::cerr << '\n';
    MPI_Abort(MPI_COMM_WORLD, 1);
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  watchfordeath();  // a process that dies says which line it was pricing
  MPI_Init(&argc, &argv);
  setwatchedrank(worldrank());
  trackstandardoutput();
  const int status = run(std::vector<std::string>(argv + 1, argv + argc));
  std::cout.flush();
  MPI_Finalize();
  return status;
}

// kzr-mpi's two commands. Every rank runs the command with the same words and its own loaded
// library; rank 0 writes the output. Each returns the rank's exit status (rank 0's is the run's).
//
//   kzr-mpi batch FILE|- [--progress]
//       The lines of FILE priced across the ranks; rank 0 writes exactly what kzr batch writes.
//   kzr-mpi price CODE ROW... --paths N [--seed S] [--blocks B] [--stderr] [price options]
//   kzr-mpi vector CODE ROW... (the same)
//       One simulation's N paths split into B blocks (by default one per rank), dealt to the ranks
//       in turn and combined (splitsimulation.h); --stderr adds the standard error (at least
//       errorblocks blocks unless --blocks is given, as the single-process fronts take).
#ifndef KZR_TOOLS_MPIRUN_H
#define KZR_TOOLS_MPIRUN_H

#include <string>
#include <vector>

#include "runner.h"

int runmpibatch(runner& tool, const std::vector<std::string>& words);
int runmpiprice(runner& tool, const std::vector<std::string>& words);

std::string mpiusagetext();

#endif  // KZR_TOOLS_MPIRUN_H

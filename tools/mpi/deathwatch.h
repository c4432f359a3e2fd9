// What a kzr-mpi process says when it dies (killed, out of memory): one line on standard error
// naming its rank and the batch line it was pricing. A process killed with SIGKILL cannot speak
// for itself, and mpirun's own report is gone under mpirun -q, so each process splits in two
// before MPI starts: the process mpirun launched stays behind as a watcher, and its child does
// the work (MPI included), keeping its rank and the line it prices in a word of memory shared
// with the watcher. When the child dies of a signal the watcher did not pass on to it, the watcher
// writes
//   kzr-mpi: rank R died of signal S (NAME) while pricing line N
// (or "while pricing no batch line"), then dies of the same signal, so that mpirun sees the death
// it would have seen and ends the job. A signal that reaches the watcher (mpirun stopping the job,
// a user's Ctrl-C) is passed on to the child and ends both silently. The child dies with the
// watcher if the watcher is killed. Linux only (prctl).
#ifndef KZR_TOOLS_DEATHWATCH_H
#define KZR_TOOLS_DEATHWATCH_H

// Splits the process before MPI_Init: returns in the child; the watcher never returns (it exits
// as the child did). If the split fails, returns in the one process, unwatched.
void watchfordeath();
// The child's rank, once MPI knows it.
void setwatchedrank(int rank);
// The batch line being priced (its number from 1), 0 between lines.
void setpricingline(int number);
// The line being priced, 0 for none.
int pricingline();

#endif  // KZR_TOOLS_DEATHWATCH_H

// The messages kzr-mpi's processes exchange, over MPI_COMM_WORLD: byte strings of any length,
// whole numbers and doubles.
#ifndef KZR_TOOLS_MPIMESSAGES_H
#define KZR_TOOLS_MPIMESSAGES_H

#include <cstdint>
#include <string>
#include <vector>

// Message tags.
enum mpitag {
  tagchunk = 1,   // rank 0 to a worker: the index of a chunk to run, or -1 to stop
  tagresult = 2,  // a worker to rank 0: the records of a chunk's lines
  tagblock = 3,   // a rank to rank 0: one block of a split simulation
};

int worldrank();
int worldsize();

void sendbytes(const std::string& bytes, int destination, int tag);
// Receives a byte message from `source` (or any source); `from` tells which.
std::string receivebytes(int source, int tag, int* from = nullptr);
// Whether a message with `tag` is waiting, from any source.
bool messagewaiting(int tag);

void sendnumber(std::int64_t value, int destination, int tag);
std::int64_t receivenumber(int source, int tag);

// Rank 0's bytes to every rank (the others pass anything; all get rank 0's).
void broadcastbytes(std::string& bytes);
void broadcastnumber(double& value);

// Numbers in and out of byte strings, in a fixed order (all ranks run the same build).
void appendvalue(std::string& bytes, double value);
double readvalue(const std::string& bytes, std::size_t& at);

#endif  // KZR_TOOLS_MPIMESSAGES_H

#include "mpimessages.h"

#include <mpi.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

int worldrank() {
  int rank = 0;
  MPI_Comm_rank(MPI_COMM_WORLD, &rank);
  return rank;
}

int worldsize() {
  int size = 1;
  MPI_Comm_size(MPI_COMM_WORLD, &size);
  return size;
}

void sendbytes(const std::string& bytes, int destination, int tag) {
  if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    throw std::runtime_error("a message of more than 2 GB");
  MPI_Send(bytes.data(), static_cast<int>(bytes.size()), MPI_BYTE, destination, tag,
           MPI_COMM_WORLD);
}

std::string receivebytes(int source, int tag, int* from) {
  MPI_Status status;
  MPI_Probe(source < 0 ? MPI_ANY_SOURCE : source, tag, MPI_COMM_WORLD, &status);
  int count = 0;
  MPI_Get_count(&status, MPI_BYTE, &count);
  std::string bytes(static_cast<std::size_t>(count), '\0');
  MPI_Recv(bytes.data(), count, MPI_BYTE, status.MPI_SOURCE, tag, MPI_COMM_WORLD,
           MPI_STATUS_IGNORE);
  if (from != nullptr) *from = status.MPI_SOURCE;
  return bytes;
}

bool messagewaiting(int tag) {
  int flag = 0;
  MPI_Iprobe(MPI_ANY_SOURCE, tag, MPI_COMM_WORLD, &flag, MPI_STATUS_IGNORE);
  return flag != 0;
}

void sendnumber(std::int64_t value, int destination, int tag) {
  MPI_Send(&value, 1, MPI_INT64_T, destination, tag, MPI_COMM_WORLD);
}

std::int64_t receivenumber(int source, int tag) {
  std::int64_t value = 0;
  MPI_Recv(&value, 1, MPI_INT64_T, source, tag, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
  return value;
}

void broadcastbytes(std::string& bytes) {
  std::int64_t size = static_cast<std::int64_t>(bytes.size());
  MPI_Bcast(&size, 1, MPI_INT64_T, 0, MPI_COMM_WORLD);
  bytes.resize(static_cast<std::size_t>(size));
  // In pieces below 2^31 bytes, the largest count MPI takes.
  constexpr std::int64_t piece = std::numeric_limits<int>::max();
  for (std::int64_t at = 0; at < size; at += piece) {
    const int count = static_cast<int>(std::min(piece, size - at));
    MPI_Bcast(bytes.data() + at, count, MPI_BYTE, 0, MPI_COMM_WORLD);
  }
}

void broadcastnumber(double& value) { MPI_Bcast(&value, 1, MPI_DOUBLE, 0, MPI_COMM_WORLD); }

void appendvalue(std::string& bytes, double value) {
  char raw[sizeof value];
  std::memcpy(raw, &value, sizeof value);
  bytes.append(raw, sizeof value);
}

double readvalue(const std::string& bytes, std::size_t& at) {
  double value = std::numeric_limits<double>::quiet_NaN();
  if (at > bytes.size() || bytes.size() - at < sizeof value) {
    at = bytes.size();
    return value;
  }
  std::memcpy(&value, bytes.data() + at, sizeof value);
  at += sizeof value;
  return value;
}

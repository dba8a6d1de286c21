#include "server/mpi/mpi_channel.h"

#include <mpi.h>

#include <cassert>
#include <climits>
#include <thread>

namespace curling::server {

MpiChannel::MpiChannel() {
  MPI_Comm_rank(MPI_COMM_WORLD, &rank_);
  MPI_Comm_size(MPI_COMM_WORLD, &size_);
}

void MpiChannel::Send(int rank, MessageTag tag, const std::string& bytes) {
  assert(bytes.size() <= static_cast<size_t>(INT_MAX));
  MPI_Send(bytes.data(), static_cast<int>(bytes.size()), MPI_BYTE, rank, tag, MPI_COMM_WORLD);
  bytes_sent_ += bytes.size();
}

std::optional<Message> MpiChannel::Receive(std::chrono::milliseconds wait, int source) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  const int from = source < 0 ? MPI_ANY_SOURCE : source;
  // Sleeps of 1, 2, 4 ... up to 16 ms: quick when messages come in a burst,
  // next to no processor time when none come for a while.
  std::chrono::milliseconds pause(1);
  while (true) {
    int arrived = 0;
    MPI_Status status;
    MPI_Iprobe(from, MPI_ANY_TAG, MPI_COMM_WORLD, &arrived, &status);
    if (arrived) {
      int count = 0;
      MPI_Get_count(&status, MPI_BYTE, &count);
      Message m;
      m.source = status.MPI_SOURCE;
      m.tag = status.MPI_TAG;
      m.bytes.resize(static_cast<size_t>(count));
      MPI_Recv(m.bytes.data(), count, MPI_BYTE, m.source, m.tag, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
      bytes_received_ += m.bytes.size();
      return m;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return std::nullopt;
    std::this_thread::sleep_for(
        std::min(pause, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now)));
    pause = std::min(pause * 2, std::chrono::milliseconds(16));
  }
}

}  // namespace curling::server

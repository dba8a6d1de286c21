// curling-match-mpi: curling-match's tournaments spread over the ranks of an
// MPI job (mpirun, srun, ...). Rank 0 coordinates and writes every output
// (server/mpi/coordinator.h); every other rank plays --concurrency games at
// once (server/mpi/player.h). The options, the files and the exit codes are
// those of a curling-match tournament; one rank alone plays it locally.
#include <mpi.h>
#include <sys/resource.h>

#include <chrono>
#include <iostream>
#include <sstream>

#include <fmt/format.h>

#include "curling_simulator/version.h"
#include "server/mpi/coordinator.h"
#include "server/mpi/player.h"
#include "server/program/live_option.h"
#include "server/program/match_options.h"
#include "server/program/match_program.h"
#include "server/program/tournament_command.h"
#include "server/seat/interruption.h"
#include "server/text/utf8_text.h"

using namespace curling::server;

namespace {

constexpr int kExitUsage = 2;
constexpr const char* kProgram = "curling-match-mpi";

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void PrintTraffic(const CoordinatorTraffic& traffic, int players, double cpu, double wall,
                  std::ostream& out) {
  const int games = std::max(1, traffic.games_received);
  out << fmt::format(
      "MPI: {} player ranks, {} games received, {} bytes in ({} a game), {} bytes out; "
      "coordinator CPU {:.2f} s in {:.1f} s ({:.2f}%)\n",
      players, traffic.games_received, traffic.bytes_received, traffic.bytes_received / games,
      traffic.bytes_sent, cpu, wall, wall > 0 ? 100.0 * cpu / wall : 0.0);
}

int Coordinate(const TournamentCommandLine& command, MpiChannel& channel,
               TournamentWatcher* watcher) {
  const auto start = std::chrono::steady_clock::now();
  const double cpu_at_start = CpuSeconds();
  bool played = false;
  CoordinatorTraffic traffic;
  const TournamentRunner runner = [&](const TournamentPlan& plan, std::ostream& out,
                                      const std::vector<FinishedGame>& finished,
                                      BookedGameListener* listener) {
    played = true;
    return RunCoordinator(plan, out, finished, channel, traffic, listener, watcher);
  };
  const int code = RunTournamentCommand(command, runner, std::cout, std::cerr);
  if (!played) {
    DismissPlayers(channel);
    return code;
  }
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
  PrintTraffic(traffic, channel.size() - 1, CpuSeconds() - cpu_at_start, wall.count(), std::cout);
  std::cout.flush();
  return code;
}

int Run(int argc, char** argv, MpiChannel& channel) {
  CLI::App app{
      "Plays a tournament of curling engines over the ranks of an MPI job: rank 0 "
      "coordinates and writes the output, the others play."};
  MatchOptions options;
  AddMatchOptions(app, options);
  app.set_version_flag("--version", std::string(kProgram) + " " + CURLING_SIMULATOR_VERSION);
  if (channel.rank() > 0) {
    // Every rank parses the same words; rank 0 alone says what is wrong.
    if (!ArgumentNotUtf8(argc, argv).empty()) return kExitUsage;
    try {
      app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
      std::ostringstream quiet;
      return app.exit(e, quiet, quiet) == 0 ? 0 : kExitUsage;
    }
  } else if (const std::optional<int> exit_code = ParseMatchOptions(app, argc, argv)) {
    return *exit_code;
  }
  if (options.check || !options.record_only.empty()) {
    if (channel.rank() == 0) {
      std::cerr << kProgram << ": --check and --record-only are curling-match's\n";
    }
    return kExitUsage;
  }
  InstallSignalHandlers();
  if (channel.rank() > 0) return RunPlayer(channel, LibraryShotPlayer(), std::cerr);

  TournamentCommandLine command;
  command.options = options;
  command.arguments.assign(argv + 1, argv + argc);
  command.given = GivenOptions(app);
  command.default_engine = DefaultEngine();
  command.program = kProgram;
  // The live view serves from rank 0 before any rank plays.
  bool failed = false;
  const std::unique_ptr<live::LiveView> view =
      StartLiveView(options, kProgram, std::cout, std::cerr, failed);
  if (failed) {
    DismissPlayers(channel);
    return kExitUsage;
  }
  TournamentWatcher* watcher = view ? &view->feed() : nullptr;
  const int code = channel.size() == 1 ? RunTournamentCommand(command, LibraryShotPlayer(),
                                                              std::cout, std::cerr, watcher)
                                       : Coordinate(command, channel, watcher);
  StopLiveView(view.get(), std::cout);
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  int provided = 0;
  // Games run on threads of their own; only the main thread calls MPI.
  MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided);
  int code = kExitUsage;
  {
    MpiChannel channel;
    code = Run(argc, argv, channel);
  }
  MPI_Finalize();
  return code;
}

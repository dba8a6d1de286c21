#include "server/mpi/coordinator.h"

#include <fmt/format.h>

#include "server/mpi/remote_game.h"
#include "server/seat/interruption.h"

namespace curling::server {

namespace {

class Coordinator {
 public:
  Coordinator(const TournamentPlan& plan, std::ostream& out, MpiChannel& channel,
              BookedGameListener* listener, TournamentWatcher* watcher)
      : plan_(plan),
        books_(plan, out, listener, watcher),
        watcher_(watcher),
        channel_(channel),
        players_(channel.size() - 1) {}

  TournamentOutcome Run(const std::vector<FinishedGame>& finished, CoordinatorTraffic& traffic) {
    books_.BookResumed(finished);
    nlohmann::json message = {{"plan", PlanJson(plan_)},
                              {"concurrency", plan_.concurrency},
                              {"live", watcher_ != nullptr}};
    for (int rank = 1; rank <= players_; ++rank)
      channel_.Send(rank, kPlan, message.dump());
    while (done_ < players_) {
      if (!stopping_ && InterruptRequested()) books_.Interrupt();
      if (!stopping_ && (books_.over() || (exhausted_ && in_flight_ == 0))) StopAll();
      if (std::optional<Message> m = channel_.Receive(std::chrono::milliseconds(50))) Handle(*m);
    }
    traffic.bytes_received = channel_.bytes_received();
    traffic.bytes_sent = channel_.bytes_sent();
    traffic.games_received = games_received_;
    return books_.Conclude();
  }

 private:
  void Handle(const Message& m) {
    switch (m.tag) {
      case kRequest:
        HandOut(m.source);
        break;
      case kFinished:
        Receive(m);
        break;
      case kQuit:
        if (m.bytes.empty()) {
          books_.Interrupt();
        } else {
          books_.Fail(fmt::format("rank {}: {}", m.source, m.bytes));
        }
        break;
      case kDone:
        ++done_;
        break;
      case kLine:
        PassOnLine(m);
        break;
      default:
        books_.Fail(fmt::format("rank {} sent an unknown message (tag {})", m.source, m.tag));
    }
  }

  void HandOut(int rank) {
    const std::optional<ScheduledGame> game = stopping_ ? std::nullopt : books_.NextGame();
    if (!game) {
      exhausted_ = true;
      channel_.Send(rank, kNoGame);
      return;
    }
    ++in_flight_;
    channel_.Send(rank, kGame, std::to_string(game->index));
  }

  void Receive(const Message& m) {
    --in_flight_;
    ++games_received_;
    std::string error;
    const int total = books_.ledger().schedule().total_games();
    const std::optional<RemoteGame> remote = UnpackGame(m.bytes, total, error);
    if (!remote) {
      books_.Fail(fmt::format("rank {} sent a damaged game: {}", m.source, error));
      return;
    }
    if (error = StoreGame(*remote, plan_.folder); !error.empty()) {
      books_.Fail(error);
      return;
    }
    books_.Book(remote->game);
  }

  // A record line of a game a player plays, for the live view. One that is
  // not "index, line end, a line of JSON" is let go: it is news, not record.
  void PassOnLine(const Message& m) {
    const size_t cut = m.bytes.find('\n');
    if (!watcher_ || cut == std::string::npos || cut == 0 || cut > 9) return;
    int index = 0;
    for (size_t i = 0; i < cut; ++i) {
      if (m.bytes[i] < '0' || m.bytes[i] > '9') return;
      index = index * 10 + (m.bytes[i] - '0');
    }
    const std::string text = m.bytes.substr(cut + 1);
    if (index >= books_.ledger().schedule().total_games() || text.empty() || text[0] != '{' ||
        text.find_first_of("\r\n") != std::string::npos) {
      return;
    }
    watcher_->OnGameLine(index, text);
  }

  void StopAll() {
    stopping_ = true;
    for (int rank = 1; rank <= players_; ++rank)
      channel_.Send(rank, kStop);
  }

  const TournamentPlan& plan_;
  TournamentBooks books_;
  TournamentWatcher* watcher_;
  MpiChannel& channel_;
  const int players_;
  int done_ = 0;            // players that said kDone
  int in_flight_ = 0;       // games handed out and not yet back
  bool exhausted_ = false;  // a request found no game left
  bool stopping_ = false;   // kStop sent
  int games_received_ = 0;
};

}  // namespace

TournamentOutcome RunCoordinator(const TournamentPlan& plan, std::ostream& out,
                                 const std::vector<FinishedGame>& finished, MpiChannel& channel,
                                 CoordinatorTraffic& traffic, BookedGameListener* listener,
                                 TournamentWatcher* watcher) {
  return Coordinator(plan, out, channel, listener, watcher).Run(finished, traffic);
}

void DismissPlayers(MpiChannel& channel) {
  for (int rank = 1; rank < channel.size(); ++rank)
    channel.Send(rank, kNoTournament);
}

}  // namespace curling::server

// What the live view knows of the run and who is watching it. The run's
// threads post news (a record line, a game booked, the standings); each is
// kept for viewers still to come where it is part of the current state
// (the lines of games in progress, the last standings, the games booked) and
// queued for every viewer now watching. Posting never waits on a viewer: a
// viewer whose queue holds more than its cap of unsent bytes is dropped.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace curling::server::live {

// One Server-Sent Events message: "event: NAME\ndata: DATA\n\n".
using Event = std::shared_ptr<const std::string>;
Event MakeEvent(const std::string& name, const std::string& data);

class LiveBroadcast;

// One viewer's queue of events not yet sent.
class Viewer {
 public:
  // Waits up to `wait` for events and hands over all that are queued
  // (possibly none). False once the viewer is to be let go: dropped, or the
  // broadcast is over and everything queued has been handed over.
  bool Take(std::chrono::milliseconds wait, std::vector<Event>& events);

 private:
  friend class LiveBroadcast;
  explicit Viewer(LiveBroadcast& broadcast) : broadcast_(broadcast) {}
  LiveBroadcast& broadcast_;
  std::condition_variable ready_;
  std::deque<Event> queue_;  // guarded by the broadcast's mutex
  size_t queued_bytes_ = 0;
  bool dropped_ = false;
};

class LiveBroadcast {
 public:
  // `max_queued_bytes`: a viewer further behind than this is dropped.
  explicit LiveBroadcast(size_t max_queued_bytes = 8 << 20);

  // The run's name (sent first to every viewer).
  void SetTitle(const std::string& title, bool tournament);
  // A record line of game `game` (its JSON text), stamped with the time it
  // was posted (milliseconds since the epoch).
  void PostLine(int game, const std::string& text);
  // A game booked (JSON data of a "booked" event): its lines are no longer
  // kept for newcomers when `forget_lines`.
  void PostBooked(int game, const std::string& data, bool forget_lines);
  // The standings (JSON data of a "standings" event), replacing the last.
  void PostStandings(const std::string& data);
  // The run is over: every viewer gets what is queued, then "over".
  void Close();

  // A new viewer, its queue holding the current state.
  std::shared_ptr<Viewer> Join();
  void Leave(const std::shared_ptr<Viewer>& viewer);

  size_t viewers() const;
  uint64_t dropped() const;
  bool closed() const;

 private:
  friend class Viewer;
  void Post(const Event& event);  // under mutex_

  const size_t max_queued_bytes_;
  mutable std::mutex mutex_;
  Event hello_;
  std::map<int, std::vector<Event>> game_lines_;  // games in progress
  std::vector<Event> booked_;
  Event standings_;
  std::vector<std::shared_ptr<Viewer>> viewers_;
  uint64_t dropped_ = 0;
  bool closed_ = false;
};

}  // namespace curling::server::live

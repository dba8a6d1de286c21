#include "server/live/live_broadcast.h"

#include <algorithm>
#include <cassert>

#include <nlohmann/json.hpp>

namespace curling::server::live {

Event MakeEvent(const std::string& name, const std::string& data) {
  // Record lines and our JSON never hold a raw line end; a data field must not.
  assert(data.find('\n') == std::string::npos && data.find('\r') == std::string::npos);
  return std::make_shared<const std::string>("event: " + name + "\ndata: " + data + "\n\n");
}

bool Viewer::Take(std::chrono::milliseconds wait, std::vector<Event>& events) {
  events.clear();
  std::unique_lock lock(broadcast_.mutex_);
  ready_.wait_for(lock, wait, [&] { return dropped_ || !queue_.empty() || broadcast_.closed_; });
  if (dropped_) return false;
  events.assign(queue_.begin(), queue_.end());
  queue_.clear();
  queued_bytes_ = 0;
  return !(broadcast_.closed_ && events.empty());
}

LiveBroadcast::LiveBroadcast(size_t max_queued_bytes) : max_queued_bytes_(max_queued_bytes) {}

void LiveBroadcast::SetTitle(const std::string& title, bool tournament) {
  const nlohmann::json data = {{"title", title}, {"tournament", tournament}};
  const Event event =
      MakeEvent("hello", data.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
  std::lock_guard lock(mutex_);
  hello_ = event;
}

void LiveBroadcast::PostLine(int game, const std::string& text) {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const long long at = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
  const Event event =
      MakeEvent("line", "{\"game\":" + std::to_string(game) + ",\"at\":" + std::to_string(at) +
                            ",\"line\":" + text + "}");
  std::lock_guard lock(mutex_);
  game_lines_[game].push_back(event);
  Post(event);
}

void LiveBroadcast::PostBooked(int game, const std::string& data, bool forget_lines) {
  const Event event = MakeEvent("booked", data);
  std::lock_guard lock(mutex_);
  if (forget_lines) game_lines_.erase(game);
  booked_.push_back(event);
  Post(event);
}

void LiveBroadcast::PostStandings(const std::string& data) {
  const Event event = MakeEvent("standings", data);
  std::lock_guard lock(mutex_);
  standings_ = event;
  Post(event);
}

void LiveBroadcast::Close() {
  const Event over = MakeEvent("over", "{}");
  std::lock_guard lock(mutex_);
  if (closed_) return;
  Post(over);
  closed_ = true;
  for (const auto& viewer : viewers_)
    viewer->ready_.notify_all();
}

void LiveBroadcast::Post(const Event& event) {
  for (auto it = viewers_.begin(); it != viewers_.end();) {
    Viewer& viewer = **it;
    viewer.queue_.push_back(event);
    viewer.queued_bytes_ += event->size();
    if (viewer.queued_bytes_ > max_queued_bytes_) {
      // Too far behind: let it go rather than hold the news for it.
      viewer.dropped_ = true;
      viewer.queue_.clear();
      viewer.queued_bytes_ = 0;
      viewer.ready_.notify_all();
      ++dropped_;
      it = viewers_.erase(it);
      continue;
    }
    viewer.ready_.notify_all();
    ++it;
  }
}

std::shared_ptr<Viewer> LiveBroadcast::Join() {
  std::shared_ptr<Viewer> viewer(new Viewer(*this));
  std::lock_guard lock(mutex_);
  // The current state: what a viewer there from the start would know now.
  if (hello_) viewer->queue_.push_back(hello_);
  viewer->queue_.insert(viewer->queue_.end(), booked_.begin(), booked_.end());
  if (standings_) viewer->queue_.push_back(standings_);
  for (const auto& [game, lines] : game_lines_)
    viewer->queue_.insert(viewer->queue_.end(), lines.begin(), lines.end());
  if (closed_) viewer->queue_.push_back(MakeEvent("over", "{}"));
  // The state is owed to it whatever its size; the cap counts news from now.
  viewer->queued_bytes_ = 0;
  if (!closed_) viewers_.push_back(viewer);
  return viewer;
}

void LiveBroadcast::Leave(const std::shared_ptr<Viewer>& viewer) {
  std::lock_guard lock(mutex_);
  viewers_.erase(std::remove(viewers_.begin(), viewers_.end(), viewer), viewers_.end());
}

size_t LiveBroadcast::viewers() const {
  std::lock_guard lock(mutex_);
  return viewers_.size();
}

uint64_t LiveBroadcast::dropped() const {
  std::lock_guard lock(mutex_);
  return dropped_;
}

bool LiveBroadcast::closed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

}  // namespace curling::server::live

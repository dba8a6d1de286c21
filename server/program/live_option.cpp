#include "server/program/live_option.h"

namespace curling::server {

std::unique_ptr<live::LiveView> StartLiveView(const MatchOptions& options,
                                              const std::string& program, std::ostream& out,
                                              std::ostream& err, bool& failed) {
  failed = false;
  if (options.live.empty()) return nullptr;
  std::string error;
  std::unique_ptr<live::LiveView> view = live::LiveView::Start(options.live, error);
  if (!view) {
    err << program << ": --live " << options.live << ": " << error << '\n';
    failed = true;
    return nullptr;
  }
  out << "Live view: " << view->Url() << std::endl;
  return view;
}

void StopLiveView(live::LiveView* view, std::ostream& out) {
  if (!view) return;
  view->Stop();
  if (const uint64_t dropped = view->dropped(); dropped > 0) {
    out << "Live view: " << dropped << " viewer(s) dropped for falling behind\n";
  }
}

}  // namespace curling::server

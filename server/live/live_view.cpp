#include "server/live/live_view.h"

#include "server/live/live_address.h"

namespace curling::server::live {

std::unique_ptr<LiveView> LiveView::Start(const std::string& address, std::string& error) {
  const std::optional<LiveAddress> parsed = ParseLiveAddress(address, error);
  if (!parsed) return nullptr;
  std::unique_ptr<LiveView> view(new LiveView());
  if (!view->server_.Start(*parsed, error)) return nullptr;
  return view;
}

}  // namespace curling::server::live

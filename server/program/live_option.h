// --live in curling-match and curling-match-mpi: the live view started before
// any game, stopped when the run is over.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "server/live/live_view.h"
#include "server/program/match_options.h"

namespace curling::server {

// Nothing without --live. When the view cannot serve (its port in use, say)
// says so on `err` and sets `failed`: the run is to end with exit 2.
std::unique_ptr<live::LiveView> StartLiveView(const MatchOptions& options,
                                              const std::string& program, std::ostream& out,
                                              std::ostream& err, bool& failed);

// Stops the view (may be null), saying how many viewers fell too far behind.
void StopLiveView(live::LiveView* view, std::ostream& out);

}  // namespace curling::server

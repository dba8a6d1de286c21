// The ratings as people and tools read them: a table, JSON, and an SVG
// picture (every player's rating with its interval; and, for players whose
// name has several versions, the rating of each version against the time it
// first played).
#pragma once

#include <string>

#include "server/results/rated_pairs.h"
#include "server/results/rating_fit.h"

namespace curling::results {

struct RatingsReport {
  std::string database;
  std::string since;  // empty: all games
  RatedPairs rated;
  RatingOptions options;
  RatingFit fit;
};

std::string FormatRatingsTable(const RatingsReport& report);
// The report as indented JSON text, ending in a newline.
std::string RatingsJson(const RatingsReport& report);
std::string RatingsSvg(const RatingsReport& report);

}  // namespace curling::results

// Checks a game record read back against the game it should hold: a record
// is counted again (on --resume, by db import) only when it is that game and
// its own lines agree with its result.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace curling::server {

// "" when `lines` (as ReadGameRecord gives them, ending in a result line) are
// the record of the game whose header is `expected` (HeaderJson of its
// configuration): the same engines, seed, stream, rules and start; and when
// its ends add up: each end's points are the count of the stones after its
// last shot, the running totals follow from them (and the start's score), and
// the result's total, ends played and winner follow from those. Otherwise
// what does not match, in a few words.
std::string RecordMismatch(const std::vector<nlohmann::json>& lines,
                           const nlohmann::json& expected);

}  // namespace curling::server

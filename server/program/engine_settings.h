// How an engine is given on the command line: a plain command line
//   --engine "./my-engine --level 3"
// or settings in the spirit of other tournament tools, as key=value words
// (quoted like a shell does):
//   --engine "name=strong cmd='curling-engine --strong' dir=/tmp time=600
//             shot-time=30 arg=--threads arg=2 option.samples=3000"
//   name=N          the engine's name in reports (default: the program's file name)
//   cmd=C           its command line, split into words (required)
//   dir=D           the folder it runs in (a relative program path is taken from there)
//   time=S          thinking time per game in seconds (default --time)
//   shot-time=S     a reply later than S seconds after GO is a time loss
//   arg=W           one more argument word (repeatable)
//   option.K=V      the arguments --K V (option.K alone: --K)
// `--each` takes the same keys but name and cmd, for every engine; an engine's
// own settings win, and its own arguments come after those of --each.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "server/game/game_types.h"

namespace curling::server {

struct EngineSettings {
  std::optional<std::string> name;
  std::vector<std::string> command;    // program and its own arguments
  std::vector<std::string> arguments;  // from arg= and option. words
  std::string working_folder;
  std::optional<double> time_budget;
  std::optional<double> shot_time;
};

// Parses one --engine value (`each` false) or the --each value (`each`
// true). Nothing, with `error` saying what is wrong, on a bad value.
std::optional<EngineSettings> ParseEngineSettings(const std::string& text, bool each,
                                                  std::string& error);

// The engines to play: each --engine (a seat without one up to `minimum`
// plays `default_engine`), with --each applied, named by name= or by the
// program's file name (numbered when alike).
std::optional<std::vector<EngineCommand>> EngineCommandsFrom(
    const std::vector<std::string>& engines, const std::string& each,
    const std::string& default_engine, size_t minimum, std::string& error);

}  // namespace curling::server

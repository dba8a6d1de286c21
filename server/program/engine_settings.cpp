#include "server/program/engine_settings.h"

#include <cassert>
#include <cmath>
#include <filesystem>
#include <map>

#include <fmt/format.h>

#include "server/text/shell_words.h"

namespace curling::server {

namespace {

bool IsKeyWord(const std::string& word) {
  static const char* const kKeys[] = {
      "name=", "cmd=", "dir=", "time=", "shot-time=", "arg=", "option."};
  for (const char* key : kKeys) {
    if (word.rfind(key, 0) == 0) return true;
  }
  return false;
}

std::optional<double> Seconds(const std::string& key, const std::string& value,
                              std::string& error) {
  size_t used = 0;
  double seconds = 0;
  try {
    seconds = std::stod(value, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != value.size() || !std::isfinite(seconds) || seconds <= 0) {
    error = fmt::format("{}={}: a positive number of seconds is needed", key, value);
    return std::nullopt;
  }
  return seconds;
}

// One key=value setting of an engine (all but option.NAME).
bool ApplySetting(const std::string& key, const std::string& value, EngineSettings& settings,
                  std::string& error) {
  if (key == "name") {
    if (value.empty()) {
      error = "name= needs a name";
      return false;
    }
    settings.name = value;
  } else if (key == "cmd") {
    std::string why;
    auto words = SplitShellWords(value, why);
    if (!words || words->empty()) {
      error = fmt::format("cmd=\"{}\": {}", value, words ? "no program given" : why);
      return false;
    }
    settings.command = std::move(*words);
  } else if (key == "dir") {
    settings.working_folder = value;
  } else if (key == "time") {
    settings.time_budget = Seconds(key, value, error);
    if (!settings.time_budget) return false;
  } else if (key == "shot-time") {
    settings.shot_time = Seconds(key, value, error);
    if (!settings.shot_time) return false;
  } else if (key == "arg") {
    settings.arguments.push_back(value);
  } else {
    error = fmt::format(
        "unknown key \"{}\" (known: name, cmd, dir, time, shot-time, arg, option.NAME)", key);
    return false;
  }
  return true;
}

// Applies one key=value word to `settings`; false with `error` set on a bad word.
bool ApplyWord(const std::string& word, bool each, EngineSettings& settings, std::string& error) {
  const size_t eq = word.find('=');
  const std::string key = word.substr(0, eq);
  const std::string value = eq == std::string::npos ? "" : word.substr(eq + 1);
  if (key.rfind("option.", 0) == 0 && key.size() > 7) {
    settings.arguments.push_back("--" + key.substr(7));
    if (eq != std::string::npos) settings.arguments.push_back(value);
    return true;
  }
  if (eq == std::string::npos) {
    error = fmt::format("\"{}\" is not key=value", word);
    return false;
  }
  if (each && (key == "name" || key == "cmd")) {
    error = fmt::format("{}= belongs to one engine, not to --each", key);
    return false;
  }
  return ApplySetting(key, value, settings, error);
}

}  // namespace

std::optional<EngineSettings> ParseEngineSettings(const std::string& text, bool each,
                                                  std::string& error) {
  std::string why;
  auto words = SplitShellWords(text, why);
  if (!words || words->empty()) {
    error = words ? "no program given" : why;
    return std::nullopt;
  }
  EngineSettings settings;
  if (!each && !IsKeyWord(words->front())) {
    settings.command = std::move(*words);  // a plain command line
    return settings;
  }
  for (const std::string& word : *words) {
    if (!ApplyWord(word, each, settings, error)) return std::nullopt;
  }
  if (!each && settings.command.empty()) {
    error = "cmd= is missing";
    return std::nullopt;
  }
  return settings;
}

namespace {

// The --engine texts as settings, padded to `minimum` with the default engine.
std::optional<std::vector<EngineSettings>> SettingsFrom(const std::vector<std::string>& engines,
                                                        const std::string& default_engine,
                                                        size_t minimum, std::string& error) {
  std::vector<EngineSettings> settings_list;
  for (const std::string& text : engines) {
    auto settings = ParseEngineSettings(text, false, error);
    if (!settings) {
      error = fmt::format("--engine \"{}\": {}", text, error);
      return std::nullopt;
    }
    settings_list.push_back(std::move(*settings));
  }
  while (settings_list.size() < minimum) {
    EngineSettings settings;
    settings.command = {default_engine};
    settings_list.push_back(settings);
  }
  return settings_list;
}

// One engine's command: its own settings, the --each ones where it has none.
EngineCommand CommandFrom(const EngineSettings& settings, const EngineSettings& common) {
  assert(!settings.command.empty());
  EngineCommand c;
  c.name = settings.name.value_or(std::filesystem::path(settings.command[0]).filename().string());
  c.argv = settings.command;
  c.argv.insert(c.argv.end(), common.arguments.begin(), common.arguments.end());
  c.argv.insert(c.argv.end(), settings.arguments.begin(), settings.arguments.end());
  c.working_folder =
      settings.working_folder.empty() ? common.working_folder : settings.working_folder;
  c.time_budget = settings.time_budget ? settings.time_budget : common.time_budget;
  c.shot_time = settings.shot_time ? settings.shot_time : common.shot_time;
  return c;
}

// Engines named after the same program are numbered in order.
void NumberSameNames(const std::vector<EngineSettings>& settings_list,
                     std::vector<EngineCommand>& commands) {
  std::map<std::string, int> seen;
  for (size_t i = 0; i < settings_list.size(); ++i) {
    if (!settings_list[i].name) ++seen[commands[i].name];
  }
  std::map<std::string, int> number;
  for (size_t i = 0; i < settings_list.size(); ++i) {
    EngineCommand& c = commands[i];
    if (!settings_list[i].name && seen[c.name] > 1) c.name += fmt::format(" #{}", ++number[c.name]);
  }
}

}  // namespace

std::optional<std::vector<EngineCommand>> EngineCommandsFrom(
    const std::vector<std::string>& engines, const std::string& each,
    const std::string& default_engine, size_t minimum, std::string& error) {
  EngineSettings common;
  if (!each.empty()) {
    auto parsed = ParseEngineSettings(each, true, error);
    if (!parsed) {
      error = fmt::format("--each \"{}\": {}", each, error);
      return std::nullopt;
    }
    common = std::move(*parsed);
  }
  const std::optional<std::vector<EngineSettings>> settings_list =
      SettingsFrom(engines, default_engine, minimum, error);
  if (!settings_list) return std::nullopt;
  std::vector<EngineCommand> commands;
  for (const EngineSettings& settings : *settings_list)
    commands.push_back(CommandFrom(settings, common));
  NumberSameNames(*settings_list, commands);
  return commands;
}

}  // namespace curling::server

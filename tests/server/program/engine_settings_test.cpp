// Engines as the command line gives them: plain command lines, key=value
// settings with --each applied, default names, and every bad value refused
// with a message that says which.
#include "server/program/engine_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace curling::server {
namespace {

TEST(EngineSettings, CommandLinesAndSettings) {
  std::string error;
  const auto engines = EngineCommandsFrom(
      {"./a --x 1",
       "name=strong cmd='curling-engine --strong' dir=/tmp time=60 shot-time=2.5 arg=--threads "
       "arg=2 option.samples=300 option.quiet",
       "/bin/a"},
      "time=30 option.seed=4", "default", 2, error);
  ASSERT_TRUE(engines) << error;
  ASSERT_EQ(engines->size(), 3u);
  const EngineCommand& plain = (*engines)[0];
  EXPECT_EQ(plain.name, "a #1");
  EXPECT_EQ(plain.argv, (std::vector<std::string>{"./a", "--x", "1", "--seed", "4"}));
  EXPECT_EQ(plain.time_budget, 30.0);
  EXPECT_FALSE(plain.shot_time.has_value());
  const EngineCommand& strong = (*engines)[1];
  EXPECT_EQ(strong.name, "strong");
  EXPECT_EQ(strong.argv,
            (std::vector<std::string>{"curling-engine", "--strong", "--seed", "4", "--threads", "2",
                                      "--samples", "300", "--quiet"}));
  EXPECT_EQ(strong.working_folder, "/tmp");
  EXPECT_EQ(strong.time_budget, 60.0);
  EXPECT_EQ(strong.shot_time, 2.5);
  EXPECT_EQ((*engines)[2].name, "a #2");

  // Seats without --engine play the default engine.
  const auto defaults = EngineCommandsFrom({}, "", "/x/curling-engine", 2, error);
  ASSERT_TRUE(defaults);
  EXPECT_EQ((*defaults)[1].name, "curling-engine #2");

  const struct {
    std::vector<std::string> engines;
    const char* each;
    const char* error;
  } bad[] = {
      {{"name=x"}, "", "cmd= is missing"},
      {{"cmd=a colour=red"}, "", "unknown key \"colour\""},
      {{"cmd=a time=0"}, "", "time=0: a positive number"},
      {{"cmd=a shot-time=soon"}, "", "shot-time=soon"},
      {{"cmd='a"}, "", "--engine \"cmd='a\""},
      {{"a"}, "name=all", "name= belongs to one engine"},
      {{"a"}, "plain", "\"plain\" is not key=value"},
  };
  for (const auto& c : bad) {
    EXPECT_FALSE(EngineCommandsFrom(c.engines, c.each, "d", 2, error)) << c.engines[0];
    EXPECT_NE(error.find(c.error), std::string::npos) << c.engines[0] << ": " << error;
  }
}

}  // namespace
}  // namespace curling::server

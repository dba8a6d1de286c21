// Conversations with curling-engine that run the move decision in full, the
// search of the last two stones included (release build only).
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "tests/support/child_program.h"

namespace curling::testing {
namespace {

const std::string kNumber = R"(-?[0-9]+\.[0-9]{6})";
const std::string kBestShot = "BESTSHOT " + kNumber + " " + kNumber + " [01]";
const std::string kSearch = "ShotNum:[0-9]+(MeanScore:" + kNumber + ")?";

std::string Position() {
  std::string position = "POSITION 2.375 4.88 1.9 6.1 2.8 5.5 2.2 7.3";
  for (int k = 4; k < 16; ++k)
    position += " 0 0";
  return position + "\n";
}

TEST(EngineGameProtocolTest, EveryShotOfAnEndIsAnswered) {
  for (const std::string& path :
       {std::string(CURLING_RECORDING_ENGINE_PATH), std::string(CURLING_ENGINE_PATH)}) {
    const std::string library =
        std::filesystem::path(path).parent_path() / "libCurlingSimulator.so";
    if (!std::filesystem::exists(library)) {
      ADD_FAILURE() << "no physics library next to " << path;
      continue;
    }
    ChildProgram engine(path);
    engine.Send("NEWGAME\n" + Position());
    std::string expected;
    for (int shot = 0; shot < 16; ++shot) {
      engine.Send("SETSTATE " + std::to_string(shot) + " 0 10 " + std::to_string(shot % 2) +
                  "\nGO\n");
      expected += shot >= 14 ? "(" + kSearch + kBestShot + ")" : "(" + kBestShot + ")";
    }
    engine.CloseInput();
    const std::string out = engine.ReadAll();
    EXPECT_TRUE(std::regex_match(out, std::regex(expected))) << path << "\n" << out;
    EXPECT_EQ(engine.Wait(), 0) << path;
    EXPECT_EQ(engine.ReadAllErrors(), "") << path;
  }
}

}  // namespace
}  // namespace curling::testing

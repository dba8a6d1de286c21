// Conversations with the real curling-engine process through pipes.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/engine/engine_copy.h"
#include "tests/support/child_program.h"

namespace curling::testing {
namespace {

const std::string kBestShot = R"(BESTSHOT -?[0-9]+\.[0-9]{6} -?[0-9]+\.[0-9]{6} [01])";

bool Matches(const std::string& text, const std::string& pattern) {
  return std::regex_match(text, std::regex(pattern));
}

const char kLoadError[] = "エラー: libCurlingSimulator.so の読み込みに失敗しました\n";

TEST(EngineProtocolTest, CommandWordsCaseSpacesAndTabs) {
  ChildProgram engine(CURLING_RECORDING_ENGINE_PATH);
  engine.Send(
      "isready\nIsReady\nISREADYX\n   ISREADY\nISREADY extra words\nISREADY\tx\n"
      "\n   \nREADYOK\nIS READY\nISREADY\r\n");
  // A zero byte ends its line; the next line is read as usual.
  engine.Send(std::string("ISREADY\0GO\nISREADY\n", 19));
  engine.CloseInput();
  EXPECT_EQ(engine.ReadAll(), "READYOKREADYOKREADYOKREADYOKREADYOKREADYOKREADYOK");
  EXPECT_EQ(engine.Wait(), 0);

  ChildProgram go(CURLING_RECORDING_ENGINE_PATH);
  go.Send("GO\r\nGO\n   GO\ngo more words\nGO\tx\nGOX\nGo");
  go.CloseInput();
  const std::string out = go.ReadAll();
  EXPECT_TRUE(Matches(out, "(" + kBestShot + "){5}")) << out;
  EXPECT_EQ(go.Wait(), 0);
}

TEST(EngineProtocolTest, EveryLineOfOneReadIsHandled) {
  ChildProgram engine(CURLING_RECORDING_ENGINE_PATH);
  // One write: the engine gets all three lines in one read. The last has no
  // line end and is still handled, and every reply written, at once.
  engine.Send("SETSTATE 1 0 10 0\nGO\nISREADY");
  const std::string out = engine.ReadUntil("READYOK");
  EXPECT_TRUE(Matches(out, kBestShot + "READYOK")) << out;
  engine.CloseInput();
  EXPECT_EQ(engine.ReadAll(), "");
  EXPECT_EQ(engine.Wait(), 0);
}

TEST(EngineProtocolTest, LineCutByAFullReadIsCompleted) {
  ChildProgram engine(CURLING_RECORDING_ENGINE_PATH);
  // The first read takes 1024 bytes and ends inside "ISREADY".
  engine.Send(std::string(1019, 'x') + "\nISREADY\n");
  EXPECT_EQ(engine.ReadUntil("READYOK"), "READYOK");
  // Here the first read ends right before the line end.
  engine.Send(std::string(1016, 'x') + "\nISREADY\n");
  EXPECT_EQ(engine.ReadUntil("READYOK"), "READYOK");
  // A line longer than three reads, its word cut by the third read's end.
  engine.Send(std::string(3070, ' ') + "ISREADY\n");
  EXPECT_EQ(engine.ReadUntil("READYOK"), "READYOK");
  // A full read ending inside a line, then end of input: the line counts.
  engine.Send(std::string(1016, 'x') + "\nISREADY");
  engine.CloseInput();
  EXPECT_EQ(engine.ReadAll(), "READYOK");
  EXPECT_EQ(engine.Wait(), 0);
}

TEST(EngineProtocolTest, ClosedOutputDoesNotKillTheEngine) {
  ChildProgram engine(CURLING_RECORDING_ENGINE_PATH);
  engine.CloseOutput();
  engine.Send("ISREADY\nGO\nISREADY\n");
  engine.CloseInput();
  EXPECT_EQ(engine.Wait(), 0);
}

TEST(EngineProtocolTest, MissingLibraryFailsWithMessageAndReadsNothing) {
  EngineCopy copy;  // no library next to it, and no LD_LIBRARY_PATH
  ChildProgram engine(copy.Engine());
  engine.Send("ISREADY\n");
  EXPECT_EQ(engine.Wait(), 1);
  const std::string errors = engine.ReadAllErrors();
  ASSERT_TRUE(errors.starts_with(kLoadError)) << errors;
  const std::string reason = errors.substr(sizeof kLoadError - 1);
  EXPECT_TRUE(Matches(reason, "[^\n]*libCurlingSimulator\\.so[^\n]*\n")) << reason;
  EXPECT_EQ(engine.ReadAll(), "");
  EXPECT_EQ(engine.UnreadInput(), 8) << "the engine must not read before it has its library";
}

TEST(EngineProtocolTest, LibraryLackingAnExportIsALoadFailure) {
  EngineCopy copy(CURLING_INCOMPLETE_DIR "/libCurlingSimulator.so");
  ChildProgram engine(copy.Engine());
  EXPECT_EQ(engine.Wait(), 1);
  const std::string errors = engine.ReadAllErrors();
  EXPECT_TRUE(errors.starts_with(kLoadError)) << errors;
  EXPECT_NE(errors.find("CreateHitShot"), std::string::npos) << errors;
}

TEST(EngineProtocolTest, LibraryIsFoundByBareNameWhenNotNextToTheEngine) {
  EngineCopy copy;
  ChildProgram engine(copy.Engine(), CURLING_RECORDING_DIR);
  engine.Send("ISREADY\n");
  EXPECT_EQ(engine.ReadUntil("READYOK"), "READYOK");
  engine.CloseInput();
  EXPECT_EQ(engine.Wait(), 0);
  EXPECT_EQ(engine.ReadAllErrors(), "");
}

}  // namespace
}  // namespace curling::testing

#include <windows.h>

#include "engine/platform.h"
#include "game/simulator_binding.h"
#include "protocol/descriptor_io.h"

namespace curling {

const char* const kSimulatorLibraryName = "CurlingSimulator.dll";

namespace {

// The load error's caption and text in Shift-JIS (code page 932): "エラー"
// and "CurlingSimulator.dll の読み込みに失敗しました".
constexpr char kLoadErrorCaption[] = "\x83\x47\x83\x89\x81\x5b";
constexpr char kLoadErrorText[] =
    "CurlingSimulator.dll "
    "\x82\xcc\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5"
    "\x82\xbd";

}  // namespace

// By bare name in the default search order (the executable's folder first).
bool LoadSimulatorLibrary(std::string& reason) {
  return LoadSimulator(kSimulatorLibraryName, reason);
}

// The reason on standard error (when there is one), then the message box
// with one OK button and no owner; exit code 0 once it is closed.
int ReportLibraryLoadFailure(const std::string& reason) {
  const std::string line = reason + "\n";
  protocol::WriteAll(2, line.data(), line.size());
  MessageBoxA(nullptr, kLoadErrorText, kLoadErrorCaption, MB_OK);
  return 0;
}

}  // namespace curling

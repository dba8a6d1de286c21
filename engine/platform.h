// What the engine front end does differently per platform, one file each
// (platform_posix.cpp, platform_windows.cpp): the physics library's file
// name, how it is loaded at start and how a failed load is reported.
// Reading and writing the standard streams is protocol/descriptor_io.h's.
#pragma once

#include <string>

namespace curling {

// File name of the physics library: libCurlingSimulator.so, or
// CurlingSimulator.dll on Windows.
extern const char* const kSimulatorLibraryName;

// Loads the physics library and binds its exports (game/simulator_binding.h).
// On failure `reason` says why.
bool LoadSimulatorLibrary(std::string& reason);

// Tells the user that the library could not be loaded, before anything is
// read; returns the exit code the engine then ends with.
int ReportLibraryLoadFailure(const std::string& reason);

}  // namespace curling

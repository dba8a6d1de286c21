// Loading a shared library at run time and finding its exports by name: the
// one part of the binding to the physics library that differs between the
// platforms (dynamic_library_posix.cpp: dlopen; dynamic_library_windows.cpp:
// LoadLibraryA, GetProcAddress).
#pragma once

#include <string>

namespace curling {

// Loads the library at `path`: a path, or a bare file name looked up in the
// platform's default search order. Returns its handle, or nullptr with
// `reason` saying why.
void* OpenDynamicLibrary(const std::string& path, std::string& reason);

// The address of the export `name` of `library`, or nullptr when it has none.
void* FindDynamicExport(void* library, const char* name);

// Unloads a library that OpenDynamicLibrary loaded.
void CloseDynamicLibrary(void* library);

}  // namespace curling

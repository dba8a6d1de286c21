#include <windows.h>

#include "game/dynamic_library.h"

namespace curling {
namespace {

// The system's text for the calling thread's last error, on one line.
std::string LastErrorText() {
  const DWORD code = GetLastError();
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = "error " + std::to_string(code);
  if (length > 0 && text != nullptr) {
    message += ": ";
    message.append(text, length);
  }
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message;
}

}  // namespace

void* OpenDynamicLibrary(const std::string& path, std::string& reason) {
  HMODULE library = LoadLibraryA(path.c_str());
  if (library == nullptr) reason = path + ": " + LastErrorText();
  return reinterpret_cast<void*>(library);
}

void* FindDynamicExport(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseDynamicLibrary(void* library) {
  FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace curling

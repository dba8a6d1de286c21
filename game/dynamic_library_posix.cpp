#include <dlfcn.h>

#include "game/dynamic_library.h"

namespace curling {

void* OpenDynamicLibrary(const std::string& path, std::string& reason) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* error = dlerror();
    reason = error != nullptr ? error : "unknown loader error";
  }
  return library;
}

void* FindDynamicExport(void* library, const char* name) {
  dlerror();
  return dlsym(library, name);
}

void CloseDynamicLibrary(void* library) {
  dlclose(library);
}

}  // namespace curling

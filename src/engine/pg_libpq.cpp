#include "engine/pg_libpq.h"

#ifdef ZL_HAVE_LIBPQ

#include <dlfcn.h>

namespace zl::engine {

namespace {

std::string& FileName() {
  static std::string name = "libpq.so.5";
  return name;
}

struct CLoaded {
  CLibPq functions;
  std::string error;
  bool ok = false;
};

CLoaded Load() {
  CLoaded loaded;
  const std::string& file = FileName();
  void* library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = dlerror();
    loaded.error = "cannot load " + file + ": " + (why != nullptr ? why : "not found");
    return loaded;
  }
  std::string missing;
#define ZL_LIBPQ_RESOLVE(name)                                                        \
  loaded.functions.name = reinterpret_cast<decltype(&::name)>(dlsym(library, #name)); \
  if (loaded.functions.name == nullptr)                                               \
    missing += (missing.empty() ? "" : ", ") + std::string(#name);
  ZL_LIBPQ_FUNCTIONS(ZL_LIBPQ_RESOLVE)
#undef ZL_LIBPQ_RESOLVE
  if (!missing.empty()) {
    // A libpq too old for the backend (pipeline mode needs version 14).
    dlclose(library);
    loaded.error = file + " lacks " + missing;
    return loaded;
  }
  loaded.ok = true;
  return loaded;
}

const CLoaded& Loaded() {
  static const CLoaded loaded = Load();
  return loaded;
}

}  // namespace

const CLibPq* LibPq() { return Loaded().ok ? &Loaded().functions : nullptr; }

const std::string& LibPqError() { return Loaded().error; }

void SetLibPqFileName(const char* fileName) { FileName() = fileName; }

}  // namespace zl::engine

#endif  // ZL_HAVE_LIBPQ

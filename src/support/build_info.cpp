#include "support/build_info.h"

// Generated into the build tree on every build; the only file to include it,
// so that a new revision recompiles nothing else.
#include "vireo_revision.h"

#ifndef VIREO_BUILD_TYPE
#define VIREO_BUILD_TYPE ""
#endif

namespace vireo {

std::string engineTitle() { return std::string(EngineName) + "-" + EngineVersion; }

const char* buildRevision() { return VIREO_REVISION; }

std::string buildCompiler() {
#if defined(__clang__)
  return std::string("clang++ ") + __clang_version__;
#elif defined(__GNUC__)
  return std::string("g++ ") + __VERSION__;
#else
  return "unknown compiler";
#endif
}

std::string buildTarget() {
  std::string text = *VIREO_BUILD_TYPE ? VIREO_BUILD_TYPE : "no build type";
  text += sizeof(void*) == 8 ? ", x86-64" : ", x86";
#if defined(_WIN32)
  text += " Windows";
#elif defined(__linux__)
  text += " Linux";
#endif
#if defined(VIREO_REQUIRE_POPCNT)
  text += ", POPCNT (needs a processor with it)";
#else
  text += ", SSE2 (no POPCNT)";
#endif
  return text;
}

}  // namespace vireo

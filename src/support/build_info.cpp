#include "support/build_info.h"

// Generated into the build tree on every build; the only file to include it,
// so that a new revision recompiles nothing else.
#include "vireo_revision.h"

#ifndef VIREO_BUILD_TYPE
#define VIREO_BUILD_TYPE ""
#endif

namespace vireo {

namespace {

#if defined(VIREO_ARCH_NATIVE)
// The instruction sets that matter to the engine among those the compiler
// found on the build machine.
constexpr const char* NativeInstructionSets = "SSE2"
#if defined(__POPCNT__)
                                              ", POPCNT"
#endif
#if defined(__BMI2__)
                                              ", BMI2"
#endif
#if defined(__AVX2__)
                                              ", AVX2"
#endif
#if defined(__AVX512F__)
                                              ", AVX-512"
#endif
    ;
#endif

}  // namespace

std::string engineTitle() { return std::string(EngineName) + "-" + EngineVersion; }

const char* buildRevision() { return VIREO_REVISION; }

std::string buildCompiler() {
#if defined(__clang__)
  // __clang_version__ may carry a vendor's suffix or a trailing space.
  return "clang++ " + std::to_string(__clang_major__) + "." + std::to_string(__clang_minor__) + "." +
         std::to_string(__clang_patchlevel__);
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
#if defined(VIREO_ARCH_NATIVE)
  text += ", native to the build machine (";
  text += NativeInstructionSets;
  text += ")";
#elif defined(__POPCNT__)
  text += ", POPCNT (needs a processor with it)";
#else
  text += ", SSE2 (no POPCNT)";
#endif
  return text;
}

const char* missingInstructionSet() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  __builtin_cpu_init();
#if defined(__POPCNT__)
  if (!__builtin_cpu_supports("popcnt")) return "POPCNT";
#endif
#if defined(__BMI2__)
  if (!__builtin_cpu_supports("bmi2")) return "BMI2";
#endif
#if defined(__AVX2__)
  if (!__builtin_cpu_supports("avx2")) return "AVX2";
#endif
#if defined(__AVX512F__)
  if (!__builtin_cpu_supports("avx512f")) return "AVX-512";
#endif
#endif
  return nullptr;
}

}  // namespace vireo

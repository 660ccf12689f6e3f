#pragma once
// What a bug report needs to name the build: the engine and its version,
// the revision of the sources and how they were compiled.

#include <string>

namespace vireo {

// The one place that names the engine: the uci "id" lines, the banner,
// --version and the error log's file name all read these.
inline constexpr const char* EngineName = "vireo";
inline constexpr const char* EngineVersion = "1.0";
inline constexpr const char* EngineAuthor = "Tavrel";

// Name and version as the engine writes them together: "vireo-1.0".
std::string engineTitle();

// "git describe" of the source tree ("1a2b3c4", "v1.0-3-g1a2b3c4-dirty"),
// or "unknown" for sources outside a git checkout.
const char* buildRevision();

// The compiler with its version, e.g. "g++ 12.2.0".
std::string buildCompiler();

// Build type, target and instruction set, e.g.
// "Release, x86-64 Linux, SSE2 (no POPCNT)".
std::string buildTarget();

// The first instruction set the build was compiled for that this processor
// lacks ("POPCNT", "AVX2", ...), or nullptr when it has them all.
const char* missingInstructionSet();

}  // namespace vireo

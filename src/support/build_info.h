#pragma once
// What a bug report needs to name the build: the revision of the sources
// and how they were compiled.

#include <string>

namespace vireo {

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

#pragma once
// Small text helpers shared by the command readers.

#include <string_view>

namespace vireo {

// ASCII case-insensitive equality: how every UCI command and option name is
// compared.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace vireo

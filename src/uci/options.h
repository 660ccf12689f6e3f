#pragma once
// The options a GUI can set, declared once: the "uci" reply announces them
// from this table in its order, and "setoption" finds its handler there.

#include <string>

namespace vireo {

class Uci;

enum class OptionType { Check, Spin, String, Button };

struct UciOption {
  std::string name;
  OptionType type = OptionType::Check;
  // Check: 0 or 1. Spin: the default the GUI shows, unless liveDefault
  // gives the engine's current setting instead.
  int defaultValue = 0, min = 0, max = 0;
  int (*liveDefault)(const Uci&) = nullptr;
  // String: the announced default; empty announces none.
  std::string defaultText = "";
  // Accepted by setoption without being announced: older GUIs and scripts
  // still send these.
  bool announced = true;
  // Reads the value from the rest of the command and applies it.
  void (*set)(Uci&, const UciOption&) = nullptr;
  // Which evaluation weight an "eval." option sets.
  int index = 0;
};

// The option's line in the "uci" reply, newline included.
std::string announcement(const UciOption& option, const Uci& uci);

}  // namespace vireo

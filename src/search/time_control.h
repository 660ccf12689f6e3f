#pragma once
// Turns the limits of a "go" command into the limits the search obeys, and
// moves between time phases as the root reports fail highs, fail lows and
// score drops. Search threads read the limits without locks; the fields they
// read are atomics so that every read sees a whole value.

#include <atomic>
#include <cstdint>

namespace vireo {

// The time phases, each with its own time and node limit, a share of the
// nominal budget (PhaseCoefficients). The search reads four of them.
enum TimePhase : int {
  PhaseTenth = 0,           // 0.1: not read by the search
  PhaseNoNewIteration = 1,  // 0.65: no iteration starts past it; its node budget ends the search too
  PhaseNominal = 2,         // 1.0: the nominal budget itself, not read by the search
  PhaseNormal = 3,          // 2.0: the normal hard limit
  PhaseFailHigh = 4,        // 3.0: the limit while a new best root move is re-searched
  PhaseFailLow = 5,         // 4.0: the limit after a fail low or a drop of the score
  PhaseZero = 6,            // 0.0: not read by the search
  PhaseCount = 7
};
constexpr double PhaseCoefficients[PhaseCount] = {0.1, 0.65, 1.0, 2.0, 3.0, 4.0, 0.0};

constexpr uint32_t NoLimit = 0xFFFFFFFFu;
// Kept back from the clock on every move for the engine's own delay between
// deciding and the move reaching the GUI (stopping the helpers, writing).
constexpr uint32_t ClockSafetyMs = 5;
// Every phase's time limit until a "go" sets one.
constexpr uint32_t DefaultPhaseTimeMs = 5000;
// A budget plans on this many moves still to come, or fewer when the GUI
// says so.
constexpr int MovesToGoHorizon = 33;
// The least a clock budget plans on, while the clock allows it.
constexpr int64_t MinBudgetMs = 100;
// The least node limit of a phase.
constexpr uint64_t MinPhaseNodes = 256;
// Pondering stretches the nominal budget: the opponent's time is searched too.
constexpr double PonderBudgetFactor = 1.4;

class TimeControl {
 public:
  TimeControl() { init(); }
  // Every setting, limit and phase as a whole, for a caller that borrows
  // the time control and gives the user's back (the bench).
  TimeControl(const TimeControl& other) { *this = other; }
  TimeControl& operator=(const TimeControl& other);

  void init();
  void reset();
  // Every limit off: no time, node or depth limit, not infinite, no reserve
  // and no moves to go. Each "go" starts from here, so that nothing of the
  // previous command's budget applies to the next.
  void clearLimits();
  void setNodes(uint64_t nodes);
  void setMoveTime(uint32_t ms);
  void setClock(uint32_t timeLeft, uint32_t increment);
  void budgetTime();
  void budgetNodes();
  void setDepth(int depth) { depth_ = depth; }
  void rootScore(int score);
  void rootFailLow();
  void rootFailHigh();
  void rootResearchDone();
  void iterationDone(uint32_t move, int score);
  // A playing-strength limit on top of the GUI's: no phase may search more
  // than `nodes`, and every phase's time is cut to `percent` of itself.
  void capNodes(uint64_t nodes);
  void shareTime(int percent);
  // The GUI's ponder move was played: leave pondering for the current phase.
  void ponderhit();
  // Whether the search must stop now: the node limit reached by these
  // nodes, or the time past the limit.
  bool stopNow(uint64_t nodes, uint32_t now) const;

  // Whether the time since the start is past the current limit.
  bool timeUp(uint32_t now) const;

  // Settings from "go" and the options.
  void setInfinite(bool on) { infinite_ = on; }
  void setDepthLimit(int depth) { depthLimit_ = depth; }
  void setReserve(uint32_t ms) { reserve_ = ms; }
  void setMovesToGo(int movesToGo) { movesToGo_ = movesToGo; }
  void setCanPonder(bool on) { canPonder_ = on; }

  uint32_t limit() const { return limit_.load(std::memory_order_relaxed); }
  uint32_t start() const { return start_.load(std::memory_order_relaxed); }
  uint64_t nodeLimit() const { return nodeLimit_.load(std::memory_order_relaxed); }
  bool infinite() const { return infinite_.load(std::memory_order_relaxed); }
  bool canPonder() const { return canPonder_; }
  int depthLimit() const { return depthLimit_; }
  int phase() const { return phase_.load(std::memory_order_relaxed); }
  uint32_t phaseTime(int phase) const { return phaseTime_[phase]; }
  uint64_t phaseNodes(int phase) const { return phaseNodes_[phase]; }

 private:
  void applyPhase(int phase);
  // The most one move may plan on, whatever the budget says: a share of the
  // clock that leaves the moves still to come theirs, and never the whole.
  uint32_t budgetFloor() const;
  uint32_t moveTimeCap() const;
  int movesToGoForBudget() const {
    return movesToGo_ >= 1 && movesToGo_ <= MovesToGoHorizon ? movesToGo_ : MovesToGoHorizon;
  }

  // operator= copies every field below.
  std::atomic<uint32_t> limit_{NoLimit};
  std::atomic<uint32_t> start_{0};
  uint32_t increment_ = 0;
  uint32_t timeLeft_ = 0;
  uint32_t reserve_ = 0;
  int movesToGo_ = -1;
  uint32_t phaseTime_[PhaseCount] = {};
  uint64_t phaseNodes_[PhaseCount] = {};
  std::atomic<int> phase_{PhaseNormal};
  std::atomic<bool> infinite_{false};
  bool canPonder_ = false;
  int depthLimit_ = 0;
  std::atomic<uint64_t> nodeLimit_{0};
  int prevScore_ = 0;
  int depth_ = 0;
  uint32_t prevMove_ = 0;
};

}  // namespace vireo

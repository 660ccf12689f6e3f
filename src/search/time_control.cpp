#include "search/time_control.h"

#include <algorithm>
#include <iterator>

#include "support/log.h"
#include "support/platform.h"

namespace vireo {

void TimeControl::init() {
  start_ = 0;
  reserve_ = 0;
  limit_ = NoLimit;
  infinite_ = false;
  nodeLimit_ = 0;
  depthLimit_ = 0;
  for (uint32_t& t : phaseTime_) t = DefaultPhaseTimeMs;
  reset();
}

TimeControl& TimeControl::operator=(const TimeControl& other) {
  if (this == &other) return *this;
  auto copy = [](auto& to, const auto& from) {
    to.store(from.load(std::memory_order_relaxed), std::memory_order_relaxed);
  };
  copy(limit_, other.limit_);
  copy(start_, other.start_);
  increment_ = other.increment_;
  timeLeft_ = other.timeLeft_;
  reserve_ = other.reserve_;
  movesToGo_ = other.movesToGo_;
  std::copy(std::begin(other.phaseTime_), std::end(other.phaseTime_), phaseTime_);
  std::copy(std::begin(other.phaseNodes_), std::end(other.phaseNodes_), phaseNodes_);
  copy(phase_, other.phase_);
  copy(infinite_, other.infinite_);
  canPonder_ = other.canPonder_;
  depthLimit_ = other.depthLimit_;
  copy(nodeLimit_, other.nodeLimit_);
  prevScore_ = other.prevScore_;
  depth_ = other.depth_;
  prevMove_ = other.prevMove_;
  return *this;
}

void TimeControl::clearLimits() {
  infinite_ = false;
  depthLimit_ = 0;
  reserve_ = 0;
  movesToGo_ = -1;
  timeLeft_ = 0;
  increment_ = 0;
  setNodes(0);
  setMoveTime(NoLimit);
  applyPhase(PhaseNormal);
}

void TimeControl::reset() {
  applyPhase(PhaseNormal);
  start_ = currentTimeMs();
  prevScore_ = 0;
  depth_ = 0;
  prevMove_ = 0;
}

void TimeControl::applyPhase(int phase) {
  phase_.store(phase, std::memory_order_relaxed);
  if (infinite()) {
    limit_.store(NoLimit, std::memory_order_relaxed);
  } else {
    limit_.store(phaseTime_[phase], std::memory_order_relaxed);
    nodeLimit_.store(phaseNodes_[phase], std::memory_order_relaxed);
  }
}

void TimeControl::setNodes(uint64_t nodes) {
  nodeLimit_ = nodes;
  for (uint64_t& n : phaseNodes_) n = nodes;
}

void TimeControl::setMoveTime(uint32_t ms) {
  for (uint32_t& t : phaseTime_) t = ms;
}

void TimeControl::setClock(uint32_t timeLeft, uint32_t increment) {
  timeLeft_ = timeLeft;
  increment_ = increment;
}

void TimeControl::budgetTime() {
  const int64_t mtg = movesToGoForBudget();
  // The budget's floors keep a short clock from being split into moves too
  // short to search; they must not plan on more than the clock holds.
  const int64_t floor = budgetFloor();
  int64_t avail = int64_t(timeLeft_) - int64_t(reserve_);
  if (avail < MinBudgetMs) avail = floor;
  int64_t base = (avail / (mtg + 2)) / 2;
  if (base < MinBudgetMs) base = floor;
  int64_t rest = avail - (mtg + 1) * base;
  if (rest < base) rest = base;
  int64_t nominal = base + (rest - base) / (mtg + 2);
  if (canPonder_) nominal = int64_t(double(nominal) * PonderBudgetFactor);
  nominal += increment_;
  const int64_t cap = moveTimeCap();
  for (int i = 0; i < PhaseCount; ++i)
    phaseTime_[i] = uint32_t(std::min({int64_t(PhaseCoefficients[i] * double(nominal)), rest, cap}));
  applyPhase(PhaseNormal);
}

// MinBudgetMs, or less on a clock that cannot give every move still to
// come that much: then each move gets its even share of what is left.
uint32_t TimeControl::budgetFloor() const {
  const int64_t share = int64_t(timeLeft_) / (movesToGoForBudget() + 2);
  return uint32_t(std::min<int64_t>(MinBudgetMs, share));
}

uint32_t TimeControl::moveTimeCap() const {
  return timeLeft_ > ClockSafetyMs ? timeLeft_ - ClockSafetyMs : 0;
}

void TimeControl::budgetNodes() {
  const uint64_t n = nodeLimit(), mtg = uint64_t(movesToGoForBudget());
  const uint64_t base = (n / (mtg + 2)) / 2;
  // Unsigned as the budget is defined; a tiny limit wraps and is caught below.
  uint64_t rest = n - (mtg + 1) * base;
  if (rest < MinPhaseNodes) rest = MinPhaseNodes;
  uint64_t nominal = rest / (mtg + 2) + base;
  if (canPonder_) nominal = uint64_t(double(nominal) * PonderBudgetFactor);
  for (int i = 0; i < PhaseCount; ++i) {
    const uint64_t t = uint64_t(PhaseCoefficients[i] * double(nominal));
    phaseNodes_[i] = t > rest ? rest : t < MinPhaseNodes ? MinPhaseNodes : t;
  }
  applyPhase(PhaseNormal);
}

void TimeControl::capNodes(uint64_t nodes) {
  for (uint64_t& n : phaseNodes_) n = n ? std::min(n, nodes) : nodes;
  const uint64_t current = nodeLimit();
  nodeLimit_ = current ? std::min(current, nodes) : nodes;
}

void TimeControl::shareTime(int percent) {
  for (uint32_t& t : phaseTime_)
    if (t != NoLimit) t = std::max<uint32_t>(1, uint32_t(uint64_t(t) * uint64_t(percent) / 100));
  applyPhase(phase());
}

void TimeControl::rootScore(int score) {
  const int wanted = depth_ > 2 && score < prevScore_ ? PhaseFailLow : PhaseNormal;
  if (phase() != wanted) applyPhase(wanted);
}

void TimeControl::rootFailLow() {
  if (depth_ != 0 && phase() < PhaseFailLow) applyPhase(PhaseFailLow);
}

void TimeControl::rootFailHigh() {
  if (depth_ != 0 && phase() < PhaseFailHigh) applyPhase(PhaseFailHigh);
}

void TimeControl::rootResearchDone() {
  if (depth_ != 0 && phase() == PhaseFailHigh) applyPhase(PhaseNormal);
}

void TimeControl::iterationDone(uint32_t move, int score) {
  applyPhase(depth_ > 2 && score < prevScore_ ? PhaseFailLow : PhaseNormal);
  if (!(move == prevMove_ && score >= prevScore_)) prevScore_ = score;
  prevMove_ = move;
}

void TimeControl::ponderhit() {
  infinite_ = false;
  for (;;) {
    const int p = phase();
    limit_.store(phaseTime_[p], std::memory_order_relaxed);
    if (phase() == p) break;
    logInfo("TimeControl: ponderhit detected phase change from %i to %i\n", p, phase());
  }
  infinite_ = false;
}

bool TimeControl::timeUp(uint32_t now) const { return now - start() > limit(); }

bool TimeControl::stopNow(uint64_t nodes, uint32_t now) const {
  const uint64_t limit = nodeLimit();
  return (limit != 0 && nodes >= limit) || timeUp(now);
}

}  // namespace vireo

// A score of timed control changes and stops for the offline renderer.
#pragma once

#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

namespace kornmill {

// A bad score line; the text names the file and line.
class ScoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ScoreEvent {
  enum Kind { kSet, kStop, kRecall };
  double seconds = 0;
  Kind kind = kSet;
  int control = 0;
  int value = 0;
  int change_time = -1;  // 64ths of a second; -1: the control 28 value at the time
  int slot = 0;          // recall: 0 the default patch, 1..20 a slot of the bank
  int line = 0;
};

// Reads `SECONDS set K V [CHANGE_TIME]`, `SECONDS recall N` and `SECONDS stop` lines ('#' starts a
// comment, blank lines are skipped); events come back in time order, lines of
// the same time in file order. Throws ScoreError.
std::vector<ScoreEvent> ParseScore(std::istream& in, const std::string& name);

}  // namespace kornmill

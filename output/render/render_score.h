// A score of timed control changes and stops for the offline renderer.
#pragma once

#include <cstddef>
#include <cstdint>
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

// Scores are short texts; a longer file is not one (a device that never ends, say).
inline constexpr size_t kMaxScoreBytes = 16 * 1048576;

// The whole score file. Throws ScoreError "cannot read the score PATH: <reason>"
// for anything that cannot be read to its end as a file (a folder, a missing or
// unreadable file, a file whose reading fails, one larger than kMaxScoreBytes).
std::string ReadScoreText(const std::string& path);

// One line for every event at or after the end of a render of `total_frames`
// at `rate` ("NAME:LINE: the event at S s comes after the end ...").
std::vector<std::string> LateEventWarnings(const std::vector<ScoreEvent>& events,
                                           const std::string& name, int64_t total_frames,
                                           uint32_t rate);

}  // namespace kornmill

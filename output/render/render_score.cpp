// Parsing score files.
#include "output/render/render_score.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "controls/control_table.h"
#include "output/render/decimal_text.h"
#include "output/render/render_options.h"
#include "patches/patch_slot.h"

namespace kornmill {

namespace {

bool ReadInt(std::istringstream& in, int& v) {
  std::string word;
  if (!(in >> word)) return false;
  long long value = 0;
  if (!ParseWholeNumber(word, value) || value < INT32_MIN || value > INT32_MAX) return false;
  v = static_cast<int>(value);
  return true;
}

ScoreEvent ParseLine(const std::string& text, int line) {
  std::istringstream in(text);
  ScoreEvent e;
  e.line = line;
  std::string time, verb;
  in >> time >> verb;
  if (!ParseDecimalNumber(time, e.seconds) || e.seconds < 0) {
    throw std::runtime_error("the time must be seconds from 0 on, not \"" + time + "\"");
  }
  std::string extra;
  if (verb == "stop") {
    e.kind = ScoreEvent::kStop;
  } else if (verb == "recall") {
    e.kind = ScoreEvent::kRecall;
    if (!ReadInt(in, e.slot) || e.slot < 0 || e.slot > kSlotsPerBank) {
      throw std::runtime_error("recall needs 0 (the default patch) or a slot 1 to 20");
    }
  } else if (verb == "set") {
    e.kind = ScoreEvent::kSet;
    if (!ReadInt(in, e.control) || e.control < 0 || e.control >= kControls) {
      throw std::runtime_error("set needs a control number 0 to 28");
    }
    if (!ReadInt(in, e.value)) throw std::runtime_error("set needs a whole-number value");
    try {
      CheckControlValue(e.control, e.value);
    } catch (const UsageError& err) {
      throw std::runtime_error(err.what());
    }
    std::streampos at = in.tellg();
    if (in >> extra) {
      in.seekg(at);
      in.clear();
      if (!ReadInt(in, e.change_time))
        throw std::runtime_error("the change time must be a whole number");
      const ControlRow& row = kControlTable[kChangeTime];
      if (e.change_time < row.minimum || e.change_time > row.maximum) {
        throw std::runtime_error("the change time takes 64ths of a second from " +
                                 std::to_string(row.minimum) + " to " +
                                 std::to_string(row.maximum));
      }
    }
  } else {
    throw std::runtime_error("expected \"set\", \"recall\" or \"stop\" after the time, not \"" +
                             verb + "\"");
  }
  if (in >> extra) throw std::runtime_error("unexpected \"" + extra + "\" at the end of the line");
  return e;
}

}  // namespace

std::vector<ScoreEvent> ParseScore(std::istream& in, const std::string& name) {
  std::vector<ScoreEvent> events;
  std::string text;
  int line = 0;
  while (std::getline(in, text)) {
    ++line;
    const size_t hash = text.find('#');
    if (hash != std::string::npos) text.erase(hash);
    if (text.find_first_not_of(" \t\r") == std::string::npos) continue;
    try {
      events.push_back(ParseLine(text, line));
    } catch (const std::exception& e) {
      throw ScoreError(name + ":" + std::to_string(line) + ": " + e.what());
    }
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const ScoreEvent& a, const ScoreEvent& b) { return a.seconds < b.seconds; });
  return events;
}

std::string ReadScoreText(const std::string& path) {
  auto fail = [&path](const std::string& why) {
    return ScoreError("cannot read the score " + path + ": " + why);
  };
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw fail(std::strerror(errno));
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      ::close(fd);
      throw fail(std::strerror(err));
    }
    if (n == 0) break;
    if (text.size() + static_cast<size_t>(n) > kMaxScoreBytes) {
      ::close(fd);
      throw fail("a score is a text of at most " + std::to_string(kMaxScoreBytes / 1048576) +
                 " MiB");
    }
    text.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return text;
}

std::vector<std::string> LateEventWarnings(const std::vector<ScoreEvent>& events,
                                           const std::string& name, int64_t total_frames,
                                           uint32_t rate) {
  std::vector<std::string> lines;
  const double end = double(total_frames) / rate;
  for (const ScoreEvent& e : events) {
    if (e.seconds * rate < double(total_frames)) continue;
    char text[256];
    std::snprintf(text, sizeof text,
                  "%s:%d: the event at %g s comes after the end of the render (%g s) and is "
                  "not played",
                  name.c_str(), e.line, e.seconds, end);
    lines.emplace_back(text);
  }
  return lines;
}

}  // namespace kornmill

// Parsing score files.
#include "output/render/render_score.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "controls/control_table.h"
#include "output/render/render_options.h"
#include "patches/patch_slot.h"

namespace kornmill {

namespace {

bool ReadInt(std::istringstream& in, int& v) {
  std::string word;
  if (!(in >> word)) return false;
  size_t used = 0;
  try {
    v = std::stoi(word, &used);
  } catch (const std::exception&) {
    return false;
  }
  return used == word.size();
}

ScoreEvent ParseLine(const std::string& text, int line) {
  std::istringstream in(text);
  ScoreEvent e;
  e.line = line;
  std::string time, verb;
  in >> time >> verb;
  size_t used = 0;
  try {
    e.seconds = std::stod(time, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != time.size() || !std::isfinite(e.seconds) || e.seconds < 0) {
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

}  // namespace kornmill

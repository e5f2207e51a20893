// The MIDI figures and controller table: everything from the decoder's numbers and the response lists.
#include "manual/midi_reference.h"

#include <cstdio>
#include <vector>

#include "controls/control_table.h"
#include "manual/control_prose.h"
#include "manual/html_text.h"
#include "midi/midi_config.h"
#include "midi/midi_numbers.h"
#include "midi/response.h"

namespace kornmill {

namespace {

// "a, b, c and d", each entry in bold, the "None" entries left out.
template <typename List>
std::string EntryList(const List& list) {
  std::vector<std::string> texts;
  for (const auto& entry : list) {
    if (entry.text != "None") texts.push_back("<b>" + EscapeHtml(entry.text) + "</b>");
  }
  std::string joined;
  for (size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) joined += i + 1 == texts.size() ? " and " : ", ";
    joined += texts[i];
  }
  return joined;
}

}  // namespace

void AddMidiFigures(FigureMap& f) {
  f["midi_coarse_first"] = std::to_string(kFirstCoarseController);
  f["midi_coarse_last"] = std::to_string(kLastCoarseController);
  f["midi_fine_first"] = std::to_string(kFirstFineController);
  f["midi_fine_last"] = std::to_string(kLastFineController);
  f["midi_last_slot_program"] = std::to_string(kLastSlotProgram);
  f["midi_first_bank_program"] = std::to_string(kFirstBankProgram);
  f["midi_last_bank_program"] = std::to_string(kLastBankProgram);
  f["midi_channels"] = std::to_string(kMaxChannel);
  f["midi_max_bend"] = std::to_string(kMaxBendRange);
  f["midi_expression_rows"] = std::to_string(kExpressionRows);
  f["midi_sources"] = EntryList(kResponseSources);
  f["midi_parameters"] = EntryList(kResponseParameters);
}

std::string MidiControllerHtml() {
  std::string html =
      "<table class=\"midi\">\n<tr><th>#</th><th>Control</th><th>Controller</th>"
      "<th>Fine controller</th></tr>\n";
  for (int k = 0; k < kControls; ++k) {
    const int coarse = kFirstCoarseController + k;
    const int fine = kFirstFineController + k;
    char open[120];
    std::snprintf(open, sizeof open, "<tr id=\"midi-%d\" data-coarse=\"%d\" data-fine=\"%d\">",
                  k, coarse, fine);
    html += open;
    html += "<td><a href=\"controls.html#control-" + std::to_string(k) + "\">" +
            std::to_string(k) + "</a></td>";
    html += "<td>" + EscapeHtml(kControlProse[static_cast<size_t>(k)].name) + "</td>";
    html += "<td>" + std::to_string(coarse) + "</td><td>" + std::to_string(fine) + "</td></tr>\n";
  }
  return html + "</table>\n";
}

}  // namespace kornmill

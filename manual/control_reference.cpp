// The control reference: ranges and defaults from the control table, read as the status bar reads them.
#include "manual/control_reference.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "base/sound.h"
#include "controls/control_table.h"
#include "controls/stream.h"
#include "controls/texts.h"
#include "manual/control_prose.h"
#include "manual/figures.h"
#include "manual/html_text.h"

namespace kornmill {

namespace {

std::string Fixed(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// A stream on a stand-in sound whose controls hold `values`.
struct ProbeStream {
  explicit ProbeStream(const std::array<int, kControls>& values) {
    sine.builtin = true;
    sine.frame_count = 1;
    sine.frame_rate = 1;
    stream.sound = &sine;
    for (int j = 0; j < kControls; ++j) stream.controls[j].target = values[j];
  }
  Sound sine;
  Stream stream;
};

std::array<int, kControls> Defaults() {
  std::array<int, kControls> values{};
  for (int j = 0; j < kControls; ++j) values[j] = DefaultValue(j);
  return values;
}

std::string RowHtml(int k) {
  const ControlRow& row = kControlTable[static_cast<size_t>(k)];
  const ControlProse& prose = kControlProse[static_cast<size_t>(k)];
  char open[160];
  std::snprintf(open, sizeof open,
                "<tr id=\"control-%d\" data-min=\"%d\" data-max=\"%d\" data-default=\"%d\">", k,
                row.minimum, row.maximum, DefaultValue(k));
  std::string html = open;
  html += "<td><a name=\"control-" + std::to_string(k) + "\"></a>" + std::to_string(k) + "</td>";
  html += "<td><b>" + EscapeHtml(prose.name) + "</b></td>";
  html += "<td>" + FillPlaceholders(prose.html, ManualFigures(), "control " + std::to_string(k)) +
          "</td>";
  html += "<td class=\"range\">" + EscapeHtml(ControlValueText(k, row.minimum)) + " &hellip; " +
          EscapeHtml(ControlValueText(k, row.maximum)) + "</td>";
  html += "<td class=\"default\">" + EscapeHtml(ControlValueText(k, DefaultValue(k))) + "</td>";
  return html + "</tr>\n";
}

std::string GroupHeading(int k) {
  const std::string group =
      k == kChangeTime ? std::string("Change time") : std::string(kControlTable[k].group);
  std::string anchor;
  for (char c : group) anchor += c == ' ' ? '-' : static_cast<char>(c | 0x20);
  return "<h2 id=\"" + anchor + "\"><a name=\"" + anchor + "\"></a>" + EscapeHtml(group) +
         "</h2>\n";
}

bool StartsGroup(int k) {
  return k == 0 || k == kChangeTime || kControlTable[k].group != kControlTable[k - 1].group;
}

}  // namespace

std::string ControlValueText(int k, const std::array<int, kControls>& values) {
  const ControlRow& row = kControlTable[static_cast<size_t>(k)];
  const int value = values[k];
  if (k == kLoopStart || k == kLoopLength) {
    return Fixed("%.2f %%", value * 100 * double(row.display_scale)) + " of the sound";
  }
  if (k == kChangeTime) {
    const std::string text = ChangeTimeText(value);
    return text.substr(text.rfind(' ', text.size() - 3) + 1);
  }
  ProbeStream probe(values);
  // The range: the rate the top of the rate scrollbar stands for.
  if (k == kRateRange) probe.stream.controls[kRate].target = kControlTable[kRate].maximum;
  return ControlValueTexts(probe.stream, k, kDefaultChangeTime).part2.value_or(std::string());
}

std::string ControlValueText(int k, int value) {
  std::array<int, kControls> values = Defaults();
  values[k] = value;
  return ControlValueText(k, values);
}

std::string ControlReferenceHtml() {
  std::string html;
  for (int k = 0; k < kControls; ++k) {
    if (StartsGroup(k)) {
      if (k > 0) html += "</table>\n";
      html += GroupHeading(k);
      html += "<table class=\"controls\">\n<tr><th>#</th><th>Control</th><th>What it does</th>"
              "<th>Range</th><th>Default</th></tr>\n";
    }
    html += RowHtml(k);
  }
  return html + "</table>\n";
}

}  // namespace kornmill

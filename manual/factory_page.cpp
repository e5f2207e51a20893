// Factory-bank sections of the manual, made from the bank sources.
#include "manual/factory_page.h"

#include "controls/control_table.h"
#include "manual/bank_source.h"
#include "manual/control_prose.h"
#include "manual/control_reference.h"
#include "manual/html_text.h"

namespace kornmill {

namespace {

// "rate 1:0.2500 · freq 80.000 per sec · ...": the values that differ from the defaults.
std::string SettingsHtml(const FactoryPatch& patch) {
  std::array<int, kControls> values{};
  for (int k = 0; k < kControls; ++k) {
    values[k] = k < kPatchValues ? patch.values[k] : DefaultValue(k);
  }
  std::string html;
  for (int k = 0; k < kPatchValues; ++k) {
    if (!patch.set[k] || patch.values[k] == DefaultValue(k)) continue;
    if (!html.empty()) html += " &middot; ";
    html += "<a href=\"controls.html#control-" + std::to_string(k) + "\">" +
            EscapeHtml(kControlProse[static_cast<size_t>(k)].name) + "</a>&nbsp;" +
            EscapeHtml(ControlValueText(k, values));
  }
  return html.empty() ? std::string("the default patch") : html;
}

std::string Lower(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c >= 'A' && c <= 'Z') out += static_cast<char>(c - 'A' + 'a');
    else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) out += c;
    else if (!out.empty() && out.back() != '-') out += '-';
  }
  return out;
}

}  // namespace

std::string BankAnchor(const std::string& bank_name) {
  return "bank-" + Lower(bank_name);
}

std::string PatchAnchor(const std::string& bank_name, int slot) {
  return Lower(bank_name) + "-" + std::to_string(slot);
}

std::string FactoryBankHtml(const FactoryBankSource& bank) {
  const std::string anchor = BankAnchor(bank.name);
  std::string html = "<h2 id=\"" + anchor + "\"><a name=\"" + anchor + "\"></a>Bank &ldquo;" +
                     EscapeHtml(bank.name) + "&rdquo;</h2>\n<p>" + bank.about + "</p>\n";
  html += "<table class=\"patches\">\n<tr><th>Slot</th><th>Patch</th><th>What to try</th>"
          "<th>Settings</th></tr>\n";
  int slot = 1;
  for (const FactoryPatch& patch : bank.patches) {
    const std::string row = PatchAnchor(bank.name, slot);
    html += "<tr id=\"" + row + "\"><td><a name=\"" + row + "\"></a>" + std::to_string(slot) +
            "</td><td><b>" + EscapeHtml(patch.name) + "</b></td><td>" + patch.try_text +
            "</td><td class=\"settings\">" + SettingsHtml(patch) + "</td></tr>\n";
    ++slot;
  }
  return html + "</table>\n";
}

}  // namespace kornmill

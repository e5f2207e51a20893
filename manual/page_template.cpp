// Filling a page template: figures first, then the generated sections.
#include "manual/page_template.h"

#include "manual/bank_source.h"
#include "manual/control_reference.h"
#include "manual/factory_page.h"
#include "manual/figures.h"
#include "manual/html_text.h"
#include "manual/midi_reference.h"
#include "output/render/render_options.h"

namespace kornmill {

namespace {

constexpr std::string_view kMarkerOpen = "<!-- generated: ";
constexpr std::string_view kMarkerClose = " -->";

std::string Section(std::string_view what, std::string_view page,
                    const std::vector<FactoryBankSource>& banks) {
  if (what == "control-reference") return ControlReferenceHtml();
  if (what == "midi-controllers") return MidiControllerHtml();
  if (what == "render-usage") {
    return "<pre class=\"usage\">" + EscapeHtml(RenderUsage()) + "</pre>\n";
  }
  constexpr std::string_view kBank = "factory-bank ";
  if (what.substr(0, kBank.size()) == kBank) {
    const std::string_view name = what.substr(kBank.size());
    for (const FactoryBankSource& bank : banks) {
      if (bank.name == name) return FactoryBankHtml(bank);
    }
    throw ManualError(std::string(page) + ": no factory bank named " + std::string(name));
  }
  throw ManualError(std::string(page) + ": no generated section \"" + std::string(what) + "\"");
}

}  // namespace

std::string MakePage(std::string_view template_text, std::string_view name,
                     const std::vector<FactoryBankSource>& banks) {
  const std::string filled = FillPlaceholders(template_text, ManualFigures(), name);
  std::string page;
  size_t at = 0;
  while (true) {
    const size_t open = filled.find(kMarkerOpen, at);
    if (open == std::string::npos) break;
    const size_t close = filled.find(kMarkerClose, open + kMarkerOpen.size());
    if (close == std::string::npos) throw ManualError(std::string(name) + ": an unclosed marker");
    page += filled.substr(at, open - at);
    const size_t start = open + kMarkerOpen.size();
    page += Section(std::string_view(filled).substr(start, close - start), name, banks);
    at = close + kMarkerClose.size();
  }
  return page + filled.substr(at);
}

}  // namespace kornmill

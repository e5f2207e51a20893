// A help page made from its template: {{figures}} filled and generated sections put in.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kornmill {

struct FactoryBankSource;

// The page `name` made from `template_text`: every {{figure}} of
// ManualFigures() filled in, `<!-- generated: control-reference -->` replaced
// by the control reference, `<!-- generated: midi-controllers -->` by the
// controllers of the controls, `<!-- generated: render-usage -->` by the
// renderer's --help text and `<!-- generated: factory-bank NAME -->` by the
// section of the bank NAME of `banks`. Throws ManualError for an unknown
// figure, section or bank.
std::string MakePage(std::string_view template_text, std::string_view name,
                     const std::vector<FactoryBankSource>& banks);

}  // namespace kornmill

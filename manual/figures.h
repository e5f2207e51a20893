// The numbers the manual's pages quote, computed from the program's own tables and constants.
#pragma once

#include <functional>
#include <map>
#include <string>

namespace kornmill {

using FigureMap = std::map<std::string, std::string, std::less<>>;

// Every {{name}} a page or the control reference may use.
const FigureMap& ManualFigures();

}  // namespace kornmill

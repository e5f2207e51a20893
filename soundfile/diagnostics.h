// The sound-file library's diagnostic stream: unsupported formats, conversion
// warnings and chunk dumps. Nothing in the program reads it back.
#pragma once

#include <functional>
#include <ostream>
#include <string_view>

namespace audio {

// Every diagnostic line written to stderr starts with this text.
inline constexpr std::string_view kDiagnosticPrefix = "kornmill soundfile: ";

// The diagnostic stream of the calling thread. Text is collected per thread
// and handed on a whole line at a time, so lines from loader threads and the
// interface thread never interleave.
std::ostream& diag();

// Receives each complete diagnostic line (without its line end). The default
// sink (also restored by passing an empty function) writes the line to stderr
// behind kDiagnosticPrefix. Tests install their own sink to look at the lines.
using DiagnosticSink = std::function<void(std::string_view line)>;
void SetDiagnosticSink(DiagnosticSink sink);

}  // namespace audio

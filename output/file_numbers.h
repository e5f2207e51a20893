// The numbers of the numbered output soundfiles already in a folder.
#pragma once

#include <string>
#include <string_view>

namespace kornmill {

// The number of a numbered output file name: "sifter07.wav" and the
// per-stream "sifter07.1.wav" give 7; -1 for any other name.
int OutputFileNumber(std::string_view name);

// The highest number up to `max_count` among the numbered output files in
// `folder`, or -1 when there is none (or the folder cannot be read).
int HighestOutputFileNumber(const std::string& folder, int max_count);

}  // namespace kornmill

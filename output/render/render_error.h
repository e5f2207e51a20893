// The offline renderer's failure: a text for the user.
#pragma once

#include <stdexcept>

namespace kornmill {

// A render that could not be done (unreadable source, unwritable output).
class RenderError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kornmill

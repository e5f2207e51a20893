// The settings store's failure type.
#include "settings/registry_error.h"

namespace kornmill {

RegistryError::RegistryError(const char* message, int code, std::string detail)
    : std::runtime_error(message), code_(code), detail_(std::move(detail)) {}

std::string RegistryError::Describe() const {
  if (detail_.empty()) return what();
  return std::string(what()) + " (" + detail_ + ")";
}

}  // namespace kornmill

// The settings store's failure: a fixed message, the store's result code and its text.
#pragma once

#include <stdexcept>
#include <string>

namespace kornmill {

// Messages of RegistryError.
inline constexpr const char* kErrorOpenKey = "Could not open new key handle";
inline constexpr const char* kErrorCopyKey = "Could not copy key handle";
inline constexpr const char* kErrorNotNumber = "Not a DWORD value!";
inline constexpr const char* kErrorEnumerate = "Value enumeration failure";
// Choices of this store: a value written through a key opened for reading
// only, and changes that could not be saved when the store was closed.
inline constexpr const char* kErrorWriteValue = "Could not write value";
inline constexpr const char* kErrorSave = "Could not save settings";

// what() is the fixed message; code() is an errno value (0 when none applies)
// and detail() says what the store found, e.g. the file and the reason.
class RegistryError : public std::runtime_error {
 public:
  RegistryError(const char* message, int code, std::string detail);

  int code() const { return code_; }
  const std::string& detail() const { return detail_; }
  // "message (detail)", or the message alone without a detail.
  std::string Describe() const;

 private:
  int code_;
  std::string detail_;
};

}  // namespace kornmill

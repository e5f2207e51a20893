// What the registry wrapper stores its keys and values in: an abstract store and one use of it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kornmill {

// One stored value: a 32-bit number, a text, or something else (a value the
// program never writes, e.g. binary data found in a hand-edited store).
struct StoredValue {
  enum class Type { kNumber, kText, kOther };

  Type type = Type::kText;
  uint32_t number = 0;
  std::string text;

  static StoredValue Number(uint32_t n) { return {Type::kNumber, n, {}}; }
  static StoredValue Text(std::string t) { return {Type::kText, 0, std::move(t)}; }
  static StoredValue Other(std::string raw) { return {Type::kOther, 0, std::move(raw)}; }
  bool operator==(const StoredValue&) const = default;
};

struct NamedValue {
  std::string name;
  StoredValue value;
};

// A key below the program's base key, as its parts: {} is the base key
// itself, {"Users", "bob"} the key "Users\bob\".
using KeyPath = std::vector<std::string>;

// One use of the store, from opening the first key to closing the last.
// Interface thread only.
class StoreSession {
 public:
  virtual ~StoreSession() = default;

  virtual bool KeyExists(const KeyPath& key) = 0;
  // Creates the key (and its parents); throws RegistryError when it cannot.
  virtual void CreateKey(const KeyPath& key) = 0;
  // The value, or nothing when it is missing.
  virtual std::optional<StoredValue> Value(const KeyPath& key, const std::string& name) = 0;
  // Throws RegistryError when the value cannot be written.
  virtual void SetValue(const KeyPath& key, const std::string& name, const StoredValue& value) = 0;
  virtual void DeleteValue(const KeyPath& key, const std::string& name) = 0;
  // Every value of the key, in the store's order; throws RegistryError
  // ("Value enumeration failure") when they cannot be listed.
  virtual std::vector<NamedValue> Values(const KeyPath& key) = 0;
  // Makes the changes of this use lasting; throws RegistryError when they
  // could not be saved (the stored data is then as it was before).
  virtual void Commit() = 0;
  // What was wrong with the stored data when it was opened (it could be read
  // only in part), or empty when it read cleanly.
  virtual std::string Damage() const { return {}; }
};

// The store: the settings file of the user, or memory in tests.
class RegistryStore {
 public:
  virtual ~RegistryStore() = default;
  // Opens the store for one use; `write` when values will be written. Throws
  // RegistryError ("Could not open new key handle") when it cannot be used.
  virtual std::shared_ptr<StoreSession> Open(bool write) = 0;
  // Where the settings are kept, for messages (a file's path).
  virtual std::string Location() const = 0;
};

}  // namespace kornmill

// A settings store in memory, for tests and for a program that must not touch the user's settings.
#pragma once

#include <map>
#include <string>

#include "settings/registry_store.h"

namespace kornmill {

// Keys and values held in memory. A use works on a copy that its Commit puts
// back, so that an abandoned or failed use changes nothing. Interface thread only.
class MemoryStore final : public RegistryStore {
 public:
  using Values = std::map<std::string, StoredValue>;
  using Keys = std::map<KeyPath, Values>;

  std::shared_ptr<StoreSession> Open(bool write) override;
  std::string Location() const override { return "memory"; }

  // The stored keys, for tests to look at and to prepare.
  Keys& keys() { return keys_; }
  const Keys& keys() const { return keys_; }
  // A stored value, or null.
  const StoredValue* Find(const KeyPath& key, const std::string& name) const;
  // Sets a value, creating its key.
  void Put(const KeyPath& key, const std::string& name, StoredValue value);

  // Failures to simulate: opening, listing values, committing.
  bool fail_open = false;
  bool fail_enumerate = false;
  bool fail_commit = false;
  // Damage to report when opened (a store that could be read only in part).
  std::string damage;
  // Uses opened and committed so far.
  int opens = 0;
  int commits = 0;

 private:
  friend class MemorySession;
  Keys keys_;
};

}  // namespace kornmill

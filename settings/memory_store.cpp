// The in-memory settings store: a use edits a copy of the keys and commits it back.
#include "settings/memory_store.h"

#include <cerrno>

#include "settings/registry_error.h"

namespace kornmill {

class MemorySession final : public StoreSession {
 public:
  MemorySession(MemoryStore& store, bool write)
      : store_(store), keys_(store.keys_), write_(write) {}

  bool KeyExists(const KeyPath& key) override { return keys_.count(key) > 0; }

  void CreateKey(const KeyPath& key) override {
    // Parents first, as nested keys are made.
    for (size_t n = 0; n <= key.size(); ++n) {
      keys_[KeyPath(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(n))];
    }
    changed_ = true;
  }

  std::optional<StoredValue> Value(const KeyPath& key, const std::string& name) override {
    auto k = keys_.find(key);
    if (k == keys_.end()) return std::nullopt;
    auto v = k->second.find(name);
    if (v == k->second.end()) return std::nullopt;
    return v->second;
  }

  void SetValue(const KeyPath& key, const std::string& name, const StoredValue& value) override {
    if (!write_) throw RegistryError(kErrorWriteValue, EACCES, name);
    CreateKey(key);
    keys_[key][name] = value;
  }

  void DeleteValue(const KeyPath& key, const std::string& name) override {
    if (!write_) throw RegistryError(kErrorWriteValue, EACCES, name);
    auto k = keys_.find(key);
    if (k != keys_.end() && k->second.erase(name) > 0) changed_ = true;
  }

  std::vector<NamedValue> Values(const KeyPath& key) override {
    if (store_.fail_enumerate) throw RegistryError(kErrorEnumerate, EIO, "simulated");
    std::vector<NamedValue> out;
    auto k = keys_.find(key);
    if (k == keys_.end()) return out;
    for (const auto& [name, value] : k->second) out.push_back({name, value});
    return out;
  }

  void Commit() override {
    if (!changed_) return;
    if (store_.fail_commit) throw RegistryError(kErrorSave, EIO, "simulated");
    store_.keys_ = keys_;
    ++store_.commits;
    changed_ = false;
  }

  std::string Damage() const override { return store_.damage; }

 private:
  MemoryStore& store_;
  MemoryStore::Keys keys_;
  bool write_;
  bool changed_ = false;
};

std::shared_ptr<StoreSession> MemoryStore::Open(bool write) {
  if (fail_open) throw RegistryError(kErrorOpenKey, EIO, "simulated");
  ++opens;
  return std::make_shared<MemorySession>(*this, write);
}

const StoredValue* MemoryStore::Find(const KeyPath& key, const std::string& name) const {
  auto k = keys_.find(key);
  if (k == keys_.end()) return nullptr;
  auto v = k->second.find(name);
  return v == k->second.end() ? nullptr : &v->second;
}

void MemoryStore::Put(const KeyPath& key, const std::string& name, StoredValue value) {
  for (size_t n = 0; n <= key.size(); ++n) {
    keys_[KeyPath(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(n))];
  }
  keys_[key][name] = std::move(value);
}

}  // namespace kornmill

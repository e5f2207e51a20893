// The registry wrapper: a stack of open keys of the settings store, their values and RegistryError.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/registry_error.h"
#include "settings/registry_store.h"

namespace kornmill {

// Keys are named as in the classic registry: the program's base key is
// "Software\Klangforge\Kornmill\" and its subkeys follow with backslashes
// ("Software\Klangforge\Kornmill\DirBrowser\"). Only the current user's
// settings exist, so there is no choice of root. The top of the stack is the
// current key; entering a subkey pushes it. Every use opens the keys afresh
// and Close ends it; nothing stays open between uses.
//
// Interface thread only.
class Registry {
 public:
  // Open flags.
  static constexpr unsigned kOpenOnly = 1;  // do not create a missing key
  static constexpr unsigned kRead = 2;
  static constexpr unsigned kWrite = 4;

  explicit Registry(RegistryStore& store);
  // Closes every key without saving what a failed use left unsaved.
  ~Registry();
  Registry(Registry&&) = default;

  // Opens (or creates) `path`; throws "Could not open new key handle" when the
  // path lies outside the program's key, the key is missing with kOpenOnly,
  // or the store cannot be used.
  void Open(std::string_view path, unsigned flags);
  // A second wrapper on the current key; throws "Could not copy key handle"
  // when no key is open.
  Registry Copy() const;
  bool SubkeyExists(std::string_view name);
  // Opens (or creates) a subkey of the current key and makes it current.
  void EnterSubkey(std::string_view name, unsigned flags);

  bool ValueExists(std::string_view name);
  // The value as text; empty when it is missing or is neither text nor number.
  std::string ReadText(std::string_view name);
  // The value as a 32-bit number, `default_value` when it is missing. A value
  // stored as anything but a 32-bit integer throws "Not a DWORD value!".
  uint32_t ReadNumber(std::string_view name, uint32_t default_value);
  void WriteText(std::string_view name, std::string_view text);
  void WriteNumber(std::string_view name, uint32_t value);
  void DeleteValue(std::string_view name);
  // Every value of the current key; throws "Value enumeration failure".
  std::vector<NamedValue> EnumerateValues();

  // Closes every key of the stack; when this was the last wrapper of the use,
  // what was written is saved (throws RegistryError when it cannot be).
  void Close();

  // The result code of the last call: 0, or the errno value of its failure.
  int result() const { return result_; }
  // What was wrong with the stored data when the use began (see StoreSession).
  std::string Damage() const;
  // The classic access rights for open flags: read and write 0xF003F, read
  // only 0x20019, write only 0x20006, neither 0xF003F.
  static uint32_t AccessRights(unsigned flags);

 private:
  struct Key {
    KeyPath path;
    unsigned flags;
  };
  Registry(RegistryStore& store, std::shared_ptr<StoreSession> session, bool write, Key key);
  // Opens or creates `path` (below the base key) and pushes it.
  void PushKey(KeyPath path, unsigned flags);
  const Key& Current(const char* message);
  void RequireWrite(std::string_view name);
  // Runs `call`; a RegistryError it throws sets the result code on its way out.
  template <typename Call>
  auto Guard(Call&& call);
  [[noreturn]] void Fail(const char* message, int code, std::string detail);

  RegistryStore* store_;
  std::shared_ptr<StoreSession> session_;
  bool session_write_ = false;
  std::vector<Key> stack_;
  int result_ = 0;
};

// A number as a stored text holds it: decimal digits, optionally signed, in
// the range of a signed or an unsigned 32-bit integer. Nothing otherwise.
std::optional<uint32_t> ParseStoredNumber(std::string_view text);

}  // namespace kornmill

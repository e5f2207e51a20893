// The registry wrapper over a settings store: key paths, the key stack, typed values and errors.
#include "settings/registry.h"

#include <algorithm>
#include <cerrno>
#include <charconv>

#include "resources/ids.h"
#include "resources/strings.h"

namespace kornmill {

namespace {

constexpr uint32_t kAllAccess = 0xF003F;
constexpr uint32_t kReadAccess = 0x20019;
constexpr uint32_t kWriteAccess = 0x20006;

// The parts of a backslash-separated key name; empty parts are skipped.
KeyPath SplitKey(std::string_view name) {
  KeyPath parts;
  while (!name.empty()) {
    const size_t end = name.find('\\');
    const std::string_view part = name.substr(0, end);
    if (!part.empty()) parts.emplace_back(part);
    if (end == std::string_view::npos) break;
    name.remove_prefix(end + 1);
  }
  return parts;
}

bool AllowsWrite(unsigned flags) {
  return (flags & Registry::kWrite) || !(flags & (Registry::kRead | Registry::kWrite));
}

std::string KeyName(const KeyPath& key) {
  std::string name(LoadText(kSetBaseKey));
  for (const std::string& part : key) name += part + "\\";
  return name;
}

}  // namespace

std::optional<uint32_t> ParseStoredNumber(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (negative) {
    if (value > 0x80000000u) return std::nullopt;
    return static_cast<uint32_t>(0u - static_cast<uint32_t>(value));
  }
  if (value > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<uint32_t>(value);
}

Registry::Registry(RegistryStore& store) : store_(&store) {}

Registry::Registry(RegistryStore& store, std::shared_ptr<StoreSession> session, bool write, Key key)
    : store_(&store), session_(std::move(session)), session_write_(write), stack_{std::move(key)} {}

Registry::~Registry() {
  // Unsaved changes of a use that did not reach Close are dropped.
  stack_.clear();
  session_.reset();
}

uint32_t Registry::AccessRights(unsigned flags) {
  const bool read = flags & kRead;
  const bool write = flags & kWrite;
  if (read && !write) return kReadAccess;
  if (write && !read) return kWriteAccess;
  return kAllAccess;
}

template <typename Call>
auto Registry::Guard(Call&& call) {
  try {
    return call();
  } catch (const RegistryError& e) {
    result_ = e.code();
    throw;
  }
}

void Registry::Fail(const char* message, int code, std::string detail) {
  result_ = code;
  throw RegistryError(message, code, std::move(detail));
}

const Registry::Key& Registry::Current(const char* message) {
  if (stack_.empty()) Fail(message, EBADF, "no key is open");
  return stack_.back();
}

void Registry::RequireWrite(std::string_view name) {
  if (!AllowsWrite(Current(kErrorWriteValue).flags) || !session_write_) {
    Fail(kErrorWriteValue, EACCES, KeyName(stack_.back().path) + std::string(name));
  }
}

void Registry::Open(std::string_view path, unsigned flags) {
  result_ = 0;
  const KeyPath base = SplitKey(LoadText(kSetBaseKey));
  KeyPath key = SplitKey(path);
  if (key.size() < base.size() || !std::equal(base.begin(), base.end(), key.begin())) {
    Fail(kErrorOpenKey, ENOENT, std::string(path) + " is not a key of this program");
  }
  key.erase(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(base.size()));
  if (!session_) {
    session_ = Guard([&] { return store_->Open(AllowsWrite(flags)); });
    session_write_ = AllowsWrite(flags);
  }
  PushKey(std::move(key), flags);
}

void Registry::PushKey(KeyPath path, unsigned flags) {
  if (AllowsWrite(flags) && !session_write_) {
    Fail(kErrorOpenKey, EACCES, KeyName(path) + " was opened for reading only");
  }
  if (!session_->KeyExists(path)) {
    if (flags & kOpenOnly) Fail(kErrorOpenKey, ENOENT, KeyName(path) + " does not exist");
    Guard([&] { session_->CreateKey(path); });
  }
  stack_.push_back({std::move(path), flags});
}

Registry Registry::Copy() const {
  if (stack_.empty()) throw RegistryError(kErrorCopyKey, EBADF, "no key is open");
  return Registry(*store_, session_, session_write_, stack_.back());
}

bool Registry::SubkeyExists(std::string_view name) {
  result_ = 0;
  KeyPath path = Current(kErrorOpenKey).path;
  for (std::string& part : SplitKey(name)) path.push_back(std::move(part));
  return session_->KeyExists(path);
}

void Registry::EnterSubkey(std::string_view name, unsigned flags) {
  result_ = 0;
  KeyPath path = Current(kErrorOpenKey).path;
  for (std::string& part : SplitKey(name)) path.push_back(std::move(part));
  PushKey(std::move(path), flags);
}

bool Registry::ValueExists(std::string_view name) {
  result_ = 0;
  return session_->Value(Current(kErrorOpenKey).path, std::string(name)).has_value();
}

std::string Registry::ReadText(std::string_view name) {
  result_ = 0;
  const std::optional<StoredValue> v =
      session_->Value(Current(kErrorOpenKey).path, std::string(name));
  if (!v) return {};
  switch (v->type) {
    case StoredValue::Type::kText:
      return v->text;
    case StoredValue::Type::kNumber:
      return std::to_string(v->number);
    case StoredValue::Type::kOther:
      break;
  }
  return {};
}

uint32_t Registry::ReadNumber(std::string_view name, uint32_t default_value) {
  result_ = 0;
  const std::optional<StoredValue> v =
      session_->Value(Current(kErrorOpenKey).path, std::string(name));
  if (!v) return default_value;
  if (v->type == StoredValue::Type::kNumber) return v->number;
  if (v->type == StoredValue::Type::kText) {
    if (const std::optional<uint32_t> n = ParseStoredNumber(v->text)) return *n;
  }
  Fail(kErrorNotNumber, EINVAL, "\"" + std::string(name) + "\"");
}

void Registry::WriteText(std::string_view name, std::string_view text) {
  result_ = 0;
  RequireWrite(name);
  Guard([&] {
    session_->SetValue(stack_.back().path, std::string(name), StoredValue::Text(std::string(text)));
  });
}

void Registry::WriteNumber(std::string_view name, uint32_t value) {
  result_ = 0;
  RequireWrite(name);
  Guard([&] {
    session_->SetValue(stack_.back().path, std::string(name), StoredValue::Number(value));
  });
}

void Registry::DeleteValue(std::string_view name) {
  result_ = 0;
  RequireWrite(name);
  Guard([&] { session_->DeleteValue(stack_.back().path, std::string(name)); });
}

std::vector<NamedValue> Registry::EnumerateValues() {
  result_ = 0;
  const KeyPath& path = Current(kErrorEnumerate).path;
  return Guard([&] { return session_->Values(path); });
}

void Registry::Close() {
  result_ = 0;
  stack_.clear();
  if (!session_) return;
  std::shared_ptr<StoreSession> session = std::move(session_);
  // A copy still open keeps the use going; the last one saves it.
  if (session.use_count() > 1) return;
  Guard([&] { session->Commit(); });
}

std::string Registry::Damage() const {
  return session_ ? session_->Damage() : std::string();
}

}  // namespace kornmill

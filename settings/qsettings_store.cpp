// The QSettings store: file checks, typed values over INI text, and all-or-nothing saving.
#include "settings/qsettings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "settings/ini_file_check.h"
#include "settings/registry_error.h"

namespace kornmill {

namespace {

constexpr const char* kOrganisation = "Klangforge";
constexpr const char* kApplication = "Kornmill";
constexpr const char* kDamagedSuffix = ".damaged";
constexpr size_t kReadChunk = 65536;
constexpr mode_t kNewFileMode = 0600;
constexpr mode_t kModeBits = 07777;

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// The file as found when a use begins.
struct FileState {
  bool exists = false;
  std::string target;  // the file itself, or the file a symbolic link leads to
  mode_t mode = kNewFileMode;
  std::string bytes;
  std::string damage;  // why it can be read only in part; empty when clean
};

// The whole file into `bytes`; false with errno set when it cannot be read.
bool ReadBytes(const std::string& path, std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char chunk[kReadChunk];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
  const bool failed = std::ferror(f);
  const int code = errno;
  std::fclose(f);
  errno = code;
  return !failed;
}

std::string ReadWhole(const std::string& path) {
  std::string bytes;
  ReadBytes(path, bytes);
  return bytes;
}

// Reads and checks the file; throws when it cannot be used at all.
FileState Inspect(const std::string& file) {
  FileState state;
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) {
    if (errno == ENOENT) return state;
    throw RegistryError(kErrorOpenKey, errno, file + ": " + std::strerror(errno));
  }
  if (!S_ISREG(info.st_mode)) {
    throw RegistryError(kErrorOpenKey, EISDIR, file + ": this is not a file");
  }
  if (!ReadBytes(file, state.bytes)) {
    throw RegistryError(kErrorOpenKey, errno, file + ": " + std::strerror(errno));
  }
  state.exists = true;
  state.mode = info.st_mode & kModeBits;
  char* real = ::realpath(file.c_str(), nullptr);
  state.target = real ? real : file;
  std::free(real);
  const std::string damage = FindIniDamage(state.bytes);
  if (!damage.empty()) state.damage = file + ": " + damage;
  return state;
}

// A new file beside a target, removed again unless it was renamed into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& target) : path_(target + ".XXXXXX") {
    const int fd = ::mkstemp(path_.data());
    made_ = fd >= 0;
    if (made_) ::close(fd);
  }
  ~TemporaryFile() {
    if (made_ && !kept_) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool made() const { return made_; }
  const std::string& path() const { return path_; }
  // Writes `bytes` as the file's whole content; false with errno set.
  bool Write(const std::string& bytes) {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    const int code = done == bytes.size() ? 0 : (errno ? errno : ENOSPC);
    ::close(fd);
    errno = code;
    return code == 0;
  }
  // Gives the file its mode; false with errno set. There is no fsync: the
  // counter is saved on the thread that renders, as a recording starts. ext4
  // and btrfs write a replacing file's data before the rename; should a power
  // cut lose the file all the same, numbering goes on after the takes found
  // in the output folder.
  bool Finish(mode_t mode) { return ::chmod(path_.c_str(), mode) == 0; }
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  bool made_ = false;
  bool kept_ = false;
};

// A key of the store as QSettings names it: groups and the value name joined by '/'.
QString SettingsKey(const KeyPath& key, const std::string& name = {}) {
  QStringList parts;
  for (const std::string& part : key) parts << Q(part);
  if (!name.empty()) parts << Q(name);
  return parts.join(QLatin1Char('/'));
}

// QSettings reads '/' and '\' in a name as group separators.
bool PlainName(const std::string& name) {
  return !name.empty() && name.find_first_of("/\\") == std::string::npos;
}

std::optional<StoredValue> FromVariant(const QVariant& v) {
  if (!v.isValid()) return std::nullopt;
  switch (v.typeId()) {
    case QMetaType::QString:
      return StoredValue::Text(v.toString().toStdString());
    case QMetaType::QStringList:
      // An unquoted value with commas in a hand-edited file.
      return StoredValue::Text(v.toStringList().join(QStringLiteral(", ")).toStdString());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
      const qlonglong n = v.toLongLong();
      if (n >= INT32_MIN && n <= static_cast<qlonglong>(UINT32_MAX)) {
        return StoredValue::Number(static_cast<uint32_t>(n));
      }
      break;
    }
    default:
      break;
  }
  return StoredValue::Other(v.toString().toStdString());
}

QVariant ToVariant(const StoredValue& value) {
  if (value.type == StoredValue::Type::kNumber) return QVariant(static_cast<uint>(value.number));
  return QVariant(Q(value.text));
}

}  // namespace

class QSettingsSession final : public StoreSession {
 public:
  QSettingsSession(std::string file, FileState state)
      : file_(std::move(file)),
        state_(std::move(state)),
        settings_(Q(file_), QSettings::NativeFormat) {
    if (state_.damage.empty() && settings_.status() == QSettings::FormatError) {
      state_.damage = file_ + ": it is not in the settings format";
    }
  }

  bool KeyExists(const KeyPath& key) override;
  void CreateKey(const KeyPath& key) override { created_.insert(key); }
  std::optional<StoredValue> Value(const KeyPath& key, const std::string& name) override;
  void SetValue(const KeyPath& key, const std::string& name, const StoredValue& value) override;
  void DeleteValue(const KeyPath& key, const std::string& name) override;
  std::vector<NamedValue> Values(const KeyPath& key) override;
  void Commit() override;
  std::string Damage() const override { return state_.damage; }

 private:
  void KeepDamagedCopy(const std::string& target);
  // Writes every setting with the changes into `temp`; the number of
  // settings written, or -1 when QSettings failed.
  int WriteAll(const std::string& temp);
  // Writes the new file beside `target` and renames it into place.
  void Replace(const std::string& target);

  std::string file_;
  FileState state_;
  // Reads the file; it is never written through, so that what QSettings
  // holds of the file is what the file holds.
  QSettings settings_;
  std::map<QString, std::optional<StoredValue>> pending_;  // a value, or nothing to delete it
  std::set<KeyPath> created_;
};

bool QSettingsSession::KeyExists(const KeyPath& key) {
  if (key.empty() || created_.count(key)) return true;
  const QString prefix = SettingsKey(key) + QLatin1Char('/');
  for (const auto& [name, value] : pending_) {
    if (value && name.startsWith(prefix)) return true;
  }
  settings_.beginGroup(SettingsKey(KeyPath(key.begin(), key.end() - 1)));
  const bool found = settings_.childGroups().contains(Q(key.back()));
  settings_.endGroup();
  return found;
}

std::optional<StoredValue> QSettingsSession::Value(const KeyPath& key, const std::string& name) {
  if (!PlainName(name)) return std::nullopt;
  const QString full = SettingsKey(key, name);
  if (auto p = pending_.find(full); p != pending_.end()) return p->second;
  return FromVariant(settings_.value(full));
}

void QSettingsSession::SetValue(const KeyPath& key, const std::string& name,
                                const StoredValue& value) {
  if (!PlainName(name)) throw RegistryError(kErrorWriteValue, EINVAL, "\"" + name + "\"");
  pending_[SettingsKey(key, name)] = value;
}

void QSettingsSession::DeleteValue(const KeyPath& key, const std::string& name) {
  if (!PlainName(name)) return;
  const QString full = SettingsKey(key, name);
  // Deleting what is not there changes nothing (and saves nothing).
  if (!pending_.count(full) && !settings_.contains(full)) return;
  pending_[full] = std::nullopt;
}

std::vector<NamedValue> QSettingsSession::Values(const KeyPath& key) {
  std::map<std::string, StoredValue> values;
  settings_.beginGroup(SettingsKey(key));
  const QStringList names = settings_.childKeys();
  for (const QString& name : names) {
    if (auto v = FromVariant(settings_.value(name))) values[name.toStdString()] = *v;
  }
  settings_.endGroup();
  const QString prefix = key.empty() ? QString() : SettingsKey(key) + QLatin1Char('/');
  for (const auto& [full, value] : pending_) {
    if (!full.startsWith(prefix) || full.indexOf(QLatin1Char('/'), prefix.size()) >= 0) continue;
    const std::string name = full.mid(prefix.size()).toStdString();
    if (value) {
      values[name] = *value;
    } else {
      values.erase(name);
    }
  }
  std::vector<NamedValue> out;
  for (auto& [name, value] : values) out.push_back({name, std::move(value)});
  return out;
}

void QSettingsSession::KeepDamagedCopy(const std::string& target) {
  const std::string copy = target + kDamagedSuffix;
  TemporaryFile temp(copy);
  if (!temp.made() || !temp.Write(state_.bytes) || !temp.Finish(state_.mode) ||
      ::rename(temp.path().c_str(), copy.c_str()) != 0) {
    throw RegistryError(kErrorSave, errno, copy + ": " + std::strerror(errno));
  }
  temp.Keep();
}

int QSettingsSession::WriteAll(const std::string& temp) {
  QSettings out(Q(temp), QSettings::NativeFormat);
  for (const QString& key : settings_.allKeys()) out.setValue(key, settings_.value(key));
  for (const auto& [key, value] : pending_) {
    if (value) {
      out.setValue(key, ToVariant(*value));
    } else {
      out.remove(key);
    }
  }
  out.sync();
  return out.status() == QSettings::NoError ? static_cast<int>(out.allKeys().size()) : -1;
}

void QSettingsSession::Replace(const std::string& target) {
  auto fail = [&target](int code, const std::string& why) {
    throw RegistryError(kErrorSave, code, target + ": " + why);
  };
  const std::string folder = target.substr(0, target.rfind('/'));
  if (!QDir().mkpath(Q(folder))) fail(errno, "its folder cannot be made");
  TemporaryFile temp(target);
  if (!temp.made())
    fail(errno, std::string("no new file can be made beside it: ") + std::strerror(errno));
  const int settings = WriteAll(temp.path());
  // QSaveFile in Qt 6.4 can commit a file cut short when the disk fills up:
  // the new file must hold every setting before it replaces the old one.
  const std::string written = ReadWhole(temp.path());
  if (settings < 0 || !FindIniDamage(written).empty() || CountIniSettings(written) != settings) {
    fail(ENOSPC, "the new settings could not be written in full");
  }
  if (!temp.Finish(state_.exists ? state_.mode : kNewFileMode)) fail(errno, std::strerror(errno));
  if (::rename(temp.path().c_str(), target.c_str()) != 0) fail(errno, std::strerror(errno));
  temp.Keep();
}

void QSettingsSession::Commit() {
  if (pending_.empty()) return;
  const std::string target = state_.exists ? state_.target : file_;
  // A settings file made read-only is left as it is.
  if (state_.exists && ::access(target.c_str(), W_OK) != 0) {
    throw RegistryError(kErrorSave, errno, target + ": " + std::strerror(errno));
  }
  if (!state_.damage.empty() && state_.exists) KeepDamagedCopy(target);
  Replace(target);
  pending_.clear();
  state_.damage.clear();
}

QSettingsStore::QSettingsStore() : file_(DefaultFile()) {}

QSettingsStore::QSettingsStore(std::string file) : file_(std::move(file)) {}

std::string QSettingsStore::DefaultFile() {
  const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return (config + QStringLiteral("/%1/%2.conf")
                       .arg(QLatin1String(kOrganisation), QLatin1String(kApplication)))
      .toStdString();
}

std::shared_ptr<StoreSession> QSettingsStore::Open(bool /*write*/) {
  return std::make_shared<QSettingsSession>(file_, Inspect(file_));
}

}  // namespace kornmill

// The registry wrapper over the memory store: keys, typed values, enumeration, errors and saving.
#include <gtest/gtest.h>

#include <cerrno>

#include "settings/memory_store.h"
#include "settings/registry.h"

namespace kornmill {
namespace {

constexpr const char* kBase = "Software\\Klangforge\\Kornmill\\";
constexpr unsigned kReadWrite = Registry::kRead | Registry::kWrite;

// Runs `call` and returns the message of the RegistryError it throws.
template <typename Call>
std::string ErrorOf(Call&& call) {
  try {
    call();
  } catch (const RegistryError& e) {
    return e.what();
  }
  return "no error";
}

TEST(RegistryTest, KeysAreCreatedUnlessOpenedOnly) {
  MemoryStore store;
  Registry reg(store);
  EXPECT_EQ(ErrorOf([&] {
              reg.Open(std::string(kBase) + "Users\\bob\\", kReadWrite | Registry::kOpenOnly);
            }),
            "Could not open new key handle");
  EXPECT_EQ(reg.result(), ENOENT);
  reg.Open(kBase, kReadWrite);
  EXPECT_FALSE(reg.SubkeyExists("Users\\bob\\"));
  reg.EnterSubkey("Users\\bob\\", kReadWrite);
  reg.WriteNumber("x", 1);
  reg.Close();
  EXPECT_EQ(store.keys().count(KeyPath{}), 1u);
  EXPECT_EQ(store.keys().count(KeyPath{"Users"}), 1u);
  ASSERT_NE(store.Find({"Users", "bob"}, "x"), nullptr);

  Registry again(store);
  again.Open(std::string(kBase) + "Users\\bob", kReadWrite | Registry::kOpenOnly);
  EXPECT_EQ(again.ReadNumber("x", 0), 1u);
  // Only the program's own keys exist.
  Registry other(store);
  EXPECT_EQ(ErrorOf([&] { other.Open("Software\\Elsewhere\\", kReadWrite); }),
            "Could not open new key handle");
}

TEST(RegistryTest, NumbersAndTextsAsStored) {
  MemoryStore store;
  store.Put({}, "number", StoredValue::Number(0xFFFFFFFF));
  store.Put({}, "decimal", StoredValue::Text("4294967295"));
  store.Put({}, "negative", StoredValue::Text("-1"));
  store.Put({}, "word", StoredValue::Text("fast"));
  store.Put({}, "huge", StoredValue::Text("99999999999"));
  store.Put({}, "blob", StoredValue::Other("@ByteArray(xyz)"));
  Registry reg(store);
  reg.Open(kBase, Registry::kRead);
  EXPECT_EQ(reg.ReadNumber("number", 7), 0xFFFFFFFFu);
  EXPECT_EQ(reg.ReadNumber("decimal", 7), 0xFFFFFFFFu);
  EXPECT_EQ(reg.ReadNumber("negative", 7), 0xFFFFFFFFu);
  EXPECT_EQ(reg.ReadNumber("missing", 7), 7u);
  for (const char* name : {"word", "huge", "blob"}) {
    EXPECT_EQ(ErrorOf([&] { reg.ReadNumber(name, 0); }), "Not a DWORD value!") << name;
    EXPECT_EQ(reg.result(), EINVAL);
  }
  EXPECT_EQ(reg.ReadText("word"), "fast");
  EXPECT_EQ(reg.ReadText("number"), "4294967295");
  EXPECT_EQ(reg.ReadText("missing"), "");
  EXPECT_EQ(reg.ReadText("blob"), "");
  EXPECT_EQ(reg.result(), 0);
}

TEST(RegistryTest, StoredNumberTexts) {
  EXPECT_EQ(ParseStoredNumber("0"), 0u);
  EXPECT_EQ(ParseStoredNumber("+12"), 12u);
  EXPECT_EQ(ParseStoredNumber("-2147483648"), 0x80000000u);
  EXPECT_EQ(ParseStoredNumber("-2147483649"), std::nullopt);
  EXPECT_EQ(ParseStoredNumber("4294967296"), std::nullopt);
  EXPECT_EQ(ParseStoredNumber(""), std::nullopt);
  EXPECT_EQ(ParseStoredNumber("-"), std::nullopt);
  EXPECT_EQ(ParseStoredNumber("12 "), std::nullopt);
  EXPECT_EQ(ParseStoredNumber("0x10"), std::nullopt);
  EXPECT_EQ(ParseStoredNumber("22050\n"), std::nullopt);
}

TEST(RegistryTest, EnumerateAndDeleteValues) {
  MemoryStore store;
  Registry reg(store);
  reg.Open(kBase, kReadWrite);
  reg.EnterSubkey("RecentFiles", kReadWrite);
  reg.WriteText("1", "/b");
  reg.WriteText("0", "/a");
  reg.WriteNumber("2", 5);
  reg.DeleteValue("1");
  reg.DeleteValue("never there");
  const std::vector<NamedValue> values = reg.EnumerateValues();
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].name, "0");
  EXPECT_EQ(values[0].value, StoredValue::Text("/a"));
  EXPECT_EQ(values[1].value, StoredValue::Number(5));
  store.fail_enumerate = true;
  EXPECT_EQ(ErrorOf([&] { reg.EnumerateValues(); }), "Value enumeration failure");
}

TEST(RegistryTest, WritesReachTheStoreOnlyWhenClosed) {
  MemoryStore store;
  {
    Registry reg(store);
    reg.Open(kBase, kReadWrite);
    reg.WriteNumber("a", 1);
    EXPECT_EQ(reg.ReadNumber("a", 0), 1u);  // seen within the use
  }                                         // abandoned: nothing saved
  EXPECT_EQ(store.Find({}, "a"), nullptr);

  Registry reg(store);
  reg.Open(kBase, kReadWrite);
  reg.WriteNumber("a", 1);
  Registry copy = reg.Copy();
  reg.Close();
  EXPECT_EQ(store.Find({}, "a"), nullptr);  // the copy still uses it
  copy.WriteNumber("b", 2);
  copy.Close();
  EXPECT_EQ(store.Find({}, "a")->number, 1u);
  EXPECT_EQ(store.Find({}, "b")->number, 2u);
  EXPECT_EQ(store.commits, 1);

  store.fail_commit = true;
  Registry failing(store);
  failing.Open(kBase, kReadWrite);
  failing.WriteNumber("c", 3);
  EXPECT_EQ(ErrorOf([&] { failing.Close(); }), "Could not save settings");
  EXPECT_EQ(store.Find({}, "c"), nullptr);
}

TEST(RegistryTest, HandleMisuseAndAccess) {
  MemoryStore store;
  Registry reg(store);
  EXPECT_EQ(ErrorOf([&] { (void)reg.Copy(); }), "Could not copy key handle");
  reg.Open(kBase, Registry::kRead);
  EXPECT_EQ(ErrorOf([&] { reg.WriteNumber("a", 1); }), "Could not write value");
  EXPECT_EQ(reg.result(), EACCES);
  // A key opened for reading cannot lead to one opened for writing.
  EXPECT_EQ(ErrorOf([&] { reg.EnterSubkey("DirBrowser", kReadWrite); }),
            "Could not open new key handle");
  store.fail_open = true;
  Registry unusable(store);
  EXPECT_EQ(ErrorOf([&] { unusable.Open(kBase, kReadWrite); }), "Could not open new key handle");

  EXPECT_EQ(Registry::AccessRights(kReadWrite), 0xF003Fu);
  EXPECT_EQ(Registry::AccessRights(Registry::kRead), 0x20019u);
  EXPECT_EQ(Registry::AccessRights(Registry::kWrite | Registry::kOpenOnly), 0x20006u);
  EXPECT_EQ(Registry::AccessRights(0), 0xF003Fu);
}

}  // namespace
}  // namespace kornmill

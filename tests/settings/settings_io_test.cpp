// ReadSettings, WriteSettings and WriteSoundOptions on the memory store: defaults, packing, checks.
#include <gtest/gtest.h>

#include "settings/file_list.h"
#include "settings/memory_store.h"
#include "settings/settings_io.h"
#include "settings/settings_packing.h"

namespace kornmill {
namespace {

StoredValue N(uint32_t n) {
  return StoredValue::Number(n);
}

// A store that holds what an earlier run saved ("Version" present) plus `extra`.
MemoryStore SavedStore(std::initializer_list<std::pair<const char*, StoredValue>> extra = {}) {
  MemoryStore store;
  store.Put({}, "Version", StoredValue::Text("Nov  7 2010"));
  for (const auto& [name, value] : extra) store.Put({}, name, value);
  return store;
}

StoredSettings Read(MemoryStore& store, SettingsReadResult* result = nullptr) {
  StoredSettings s;
  SettingsReadResult r = ReadSettings(store, s);
  if (result) *result = r;
  return s;
}

TEST(SettingsReadTest, FirstStartGivesTheDefaultsAndCreatesTheBaseKey) {
  MemoryStore store;
  SettingsReadResult result;
  const StoredSettings s = Read(store, &result);
  EXPECT_EQ(s, StoredSettings{});
  EXPECT_EQ(s.output_device, 0x10000);
  EXPECT_EQ(s.sample_rate, 22050);
  EXPECT_EQ(s.frames_per_block, 256);
  EXPECT_EQ(s.max_count, 99);
  // Stereo, soft stop, reset loop, numbered 16-bit files; sliders move, the monitor shows input.
  EXPECT_EQ(PackSoundOptions(s), 39u);
  EXPECT_EQ(PackMidiMonitor(s), 3u);
  EXPECT_EQ(s.midi_response[0], 1837u);
  EXPECT_FALSE(result.version_present);
  EXPECT_FALSE(result.file_counter_read);
  EXPECT_EQ(result.error, "");
  EXPECT_EQ(store.keys().count(KeyPath{}), 1u);
}

TEST(SettingsReadTest, StoredWordsAreUnpackedWithTheirRules) {
  MemoryStore store = SavedStore({{"Selected devices", N(0x10000 | (4u << 17) | 2 | (5u << 8))},
                                  {"Sound buffers", N(1024u * 256 + 4)},
                                  {"Sound options", N(0x3C | (12u << 8) | 0x80)},
                                  {"MIDI monitor", N(4)},
                                  {"MIDI input channel", N(16)},
                                  {"Soundfile in folder", StoredValue::Text("/in")},
                                  {"Soundfile out folder", StoredValue::Text("/out")},
                                  {"soundin.framerate", N(48000)}});
  SettingsReadResult result;
  const StoredSettings s = Read(store, &result);
  EXPECT_TRUE(result.version_present && result.file_counter_read);
  // The host API bits (17-20) come back with the device.
  EXPECT_EQ(s.output_device, 0x10000 | (4 << 17) | 2);
  EXPECT_EQ(s.midi_device, 5);
  EXPECT_EQ(s.frames_per_block, 1024);
  // 0x3C: no stereo, no soft stop, reset loop, not numbered, 3 bytes; bit 7 per stream.
  EXPECT_FALSE(s.stereo);
  EXPECT_FALSE(s.soft_stop);
  EXPECT_TRUE(s.reset_loop);
  EXPECT_FALSE(s.numbered_files);
  EXPECT_EQ(s.sample_width, 3);
  EXPECT_TRUE(s.one_file_per_stream);
  EXPECT_EQ(s.file_counter, 12);
  EXPECT_FALSE(s.midi_move_sliders || s.midi_monitor_input);
  EXPECT_TRUE(s.midi_relative_fine);
  EXPECT_EQ(s.midi_channel, 16);
  EXPECT_EQ(s.soundfile_in_folder, "/in");
  EXPECT_EQ(s.soundfile_out_folder, "/out");
  EXPECT_EQ(s.sound_input.frame_rate, 48000);
}

TEST(SettingsReadTest, OutOfRangeValuesTakeTheirReplacements) {
  struct Case {
    const char* name;
    uint32_t stored;
    int32_t StoredSettings::*field;
    int32_t expected;
  };
  const Case cases[] = {
      {"Soundfile max count", 1, &StoredSettings::max_count, 99},
      {"Soundfile max count", 0, &StoredSettings::max_count, 99},
      {"Soundfile max count", 128, &StoredSettings::max_count, 99},
      {"Soundfile max count", 127, &StoredSettings::max_count, 127},
      {"Soundfile max count", 2, &StoredSettings::max_count, 2},
      {"Sound options", 5u << 4, &StoredSettings::sample_width, 2},
      {"Sound options", 4u << 4, &StoredSettings::sample_width, 4},
      {"Sound options", 1u << 4, &StoredSettings::sample_width, 2},
      {"Sound buffers", 4, &StoredSettings::frames_per_block, 256},
      {"Sound buffers", (3u << 8) + 4, &StoredSettings::frames_per_block, 256},
      {"Sound buffers", (4u << 8) + 4, &StoredSettings::frames_per_block, 4},
      {"Sound buffers", (16384u << 8) + 4, &StoredSettings::frames_per_block, 16384},
      {"Sound buffers", (32767u << 8) + 4, &StoredSettings::frames_per_block, 256},
      {"Sample rate", 0, &StoredSettings::sample_rate, 22050},
      {"Sample rate", 7999, &StoredSettings::sample_rate, 22050},
      {"Sample rate", 8000, &StoredSettings::sample_rate, 8000},
      {"Sample rate", 96000, &StoredSettings::sample_rate, 96000},
      {"Sample rate", 192000, &StoredSettings::sample_rate, 22050},
      {"Render threads", 0, &StoredSettings::render_threads, 1},
      {"Render threads", 64, &StoredSettings::render_threads, 64},
      {"Render threads", 65, &StoredSettings::render_threads, 1},
      {"Render threads", 0xFFFFFFFF, &StoredSettings::render_threads, 1},
      {"Selected devices", 0x100FF, &StoredSettings::output_device, -1},
      // The MIDI field: 127 is "None", and so is an index that does not fit 7 bits.
      {"Selected devices", 0x10000 | (127u << 8), &StoredSettings::midi_device, -1},
      {"Selected devices", 0x10000 | (128u << 8), &StoredSettings::midi_device, -1},
      {"Selected devices", 0x10000 | (255u << 8), &StoredSettings::midi_device, -1},
  };
  for (const Case& c : cases) {
    MemoryStore store = SavedStore({{c.name, N(c.stored)}});
    EXPECT_EQ(Read(store).*c.field, c.expected) << c.name << " " << c.stored;
  }
}

// Without "Version" the output device and the block size are the defaults whatever is stored.
TEST(SettingsReadTest, DeviceFieldsWithoutVersion) {
  MemoryStore unsaved;
  unsaved.Put({}, "Selected devices", N(0x3 | (2u << 8)));
  unsaved.Put({}, "Sound buffers", N(1024u * 256 + 4));
  const StoredSettings s = Read(unsaved);
  EXPECT_EQ(s.output_device, 0x10000);
  EXPECT_EQ(s.midi_device, 2);
  EXPECT_EQ(s.frames_per_block, 256);
}

TEST(SettingsReadTest, TextWhereANumberBelongsKeepsTheLaterValues) {
  MemoryStore store = SavedStore({{"Selected devices", N(0x10001)},
                                  {"Sample rate", StoredValue::Text("fast")},
                                  {"Sound options", N(0)},
                                  {"Soundfile max count", N(50)}});
  StoredSettings s;
  s.max_count = 77;
  s.stereo = false;
  const SettingsReadResult result = ReadSettings(store, s);
  EXPECT_EQ(result.error, "Not a DWORD value! (\"Sample rate\")");
  EXPECT_EQ(s.output_device, 0x10001);  // read before the failure
  EXPECT_EQ(s.sample_rate, 22050);
  EXPECT_FALSE(s.stereo);  // as it was before reading
  EXPECT_EQ(s.max_count, 77);
  EXPECT_FALSE(result.file_counter_read);
}

TEST(SettingsReadTest, ResponseRowsTheResponseCodeCannotUseAreDropped) {
  auto row = [](uint32_t source, uint32_t parameter, uint32_t from, uint32_t to) {
    return (source << 28) | (4u << 24) | (parameter << 16) | (from << 8) | to;
  };
  MemoryStore store = SavedStore({{"MIDI response (0)", N(0)},
                                  {"MIDI response (1)", N(row(1, 13, 0, 100))},
                                  {"MIDI response (2)", N(row(1, 4, 0, 100))},
                                  {"MIDI response (3)", N(row(7, 4, 0, 100))},
                                  {"MIDI response (4)", N(row(0, 4, 0, 100))},
                                  {"MIDI response (5)", N(row(3, 12, 101, 0))},
                                  {"MIDI response (6)", N(row(6, 1, 100, 0))}});
  const StoredSettings s = Read(store);
  const std::array<uint32_t, 7> expected = {0, row(1, 4, 0, 100), row(6, 1, 100, 0), 0, 0, 0, 0};
  EXPECT_EQ(s.midi_response, expected);
  // A row that fails to read still leaves valid rows only.
  MemoryStore broken = SavedStore(
      {{"MIDI response (1)", N(row(1, 0, 0, 100))}, {"MIDI response (2)", StoredValue::Text("x")}});
  StoredSettings t;
  EXPECT_FALSE(ReadSettings(broken, t).error.empty());
  EXPECT_EQ(t.midi_response[1], 0u);
}

TEST(SettingsWriteTest, WrittenSettingsReadBackTheSame) {
  StoredSettings s;
  s.output_device = 0x10000 | (4 << 17) | 1;
  s.midi_device = -1;
  s.sample_rate = 44100;
  s.frames_per_block = 512;
  s.stereo = false;
  s.numbered_files = false;
  s.sample_width = 3;
  s.one_file_per_stream = false;
  s.file_counter = 42;
  s.max_count = 120;
  s.render_threads = 2;
  s.midi_channel = 3;
  s.midi_relative_fine = true;
  s.midi_response = {0, 0x10040064, 0, 0, 0, 0, 0};
  s.soundfile_in_folder = "/home/u/Klänge";
  s.soundfile_out_folder = "/home/u/takes";
  s.sound_input.app_buffer = 512;
  MemoryStore store;
  ASSERT_TRUE(WriteSettings(store, s));
  EXPECT_EQ(store.Find({}, "Version")->text, BuildDateText());
  EXPECT_EQ(store.Find({}, "Selected devices")->number, 0x10000u | (4u << 17) | 1 | (127u << 8));
  EXPECT_EQ(PackSelectedDevices(-1, 4), 0xFFu | (4u << 8));
  EXPECT_EQ(store.Find({}, "Sound buffers")->number, 512u * 256 + 4);
  // 3 bytes per sample sets bit 5 without meaning one file per stream.
  EXPECT_EQ(store.Find({}, "Sound options")->number, 2u + 4u + 8u + (3u << 4) + (42u << 8));
  EXPECT_EQ(store.Find({}, "MIDI response (0)")->number, 0u);
  EXPECT_EQ(store.Find({}, "Do startup login"), nullptr);
  SettingsReadResult result;
  EXPECT_EQ(Read(store, &result), s);
  EXPECT_TRUE(result.version_present && result.file_counter_read);
  EXPECT_EQ(result.error, "");
}

TEST(SettingsWriteTest, EmptyResponseRowsAreRemovedAndFailuresChangeNothing) {
  MemoryStore store = SavedStore({{"MIDI response (3)", N(0x10040064)}});
  StoredSettings s;
  ASSERT_TRUE(WriteSettings(store, s));
  EXPECT_EQ(store.Find({}, "MIDI response (3)"), nullptr);  // a cleared row stays cleared
  EXPECT_EQ(store.Find({}, "MIDI response (0)")->number, 1837u);

  const MemoryStore::Keys before = store.keys();
  store.fail_commit = true;
  s.sample_rate = 48000;
  EXPECT_FALSE(WriteSettings(store, s));
  EXPECT_FALSE(WriteSoundOptions(store, s));
  EXPECT_EQ(store.keys(), before);
}

TEST(SettingsWriteTest, SoundOptionsAloneCarryTheCounter) {
  MemoryStore store;
  StoredSettings s;
  s.file_counter = 7;
  s.one_file_per_stream = true;
  ASSERT_TRUE(WriteSoundOptions(store, s));
  ASSERT_EQ(store.keys().at({}).size(), 1u);
  EXPECT_EQ(store.Find({}, "Sound options")->number, 39u + 0x80 + (7u << 8));
  SettingsReadResult result;
  const StoredSettings read = Read(store, &result);
  EXPECT_TRUE(result.file_counter_read);
  EXPECT_EQ(read.file_counter, 7);
  EXPECT_TRUE(read.one_file_per_stream);
}

TEST(SettingsUserTest, LoginKeysAndTheStartupFlag) {
  EXPECT_EQ(UserKeyPath(), "Software\\Klangforge\\Kornmill\\");
  EXPECT_EQ(UserKeyPath("bob"), "Software\\Klangforge\\Kornmill\\Users\\bob\\");
  MemoryStore store = SavedStore({{"Sample rate", N(44100)}});
  EXPECT_EQ(ReadDoStartupLogin(store), 1u);
  store.Put({}, "Do startup login", N(0));
  EXPECT_EQ(ReadDoStartupLogin(store), 0u);

  // A new login's key is made with the current values.
  StoredSettings s;
  s.sample_rate = 32000;
  ReadSettings(store, s, nullptr, "bob");
  EXPECT_EQ(s.sample_rate, 32000);
  EXPECT_EQ(store.Find({"Users", "bob"}, "Sample rate")->number, 32000u);
  store.Put({"Users", "bob"}, "Sample rate", N(16000));
  ReadSettings(store, s, nullptr, "bob");
  EXPECT_EQ(s.sample_rate, 16000);
  store.fail_open = true;
  EXPECT_EQ(ReadDoStartupLogin(store), 1u);
}

TEST(SettingsUserTest, DamagedStoreIsReadAndReported) {
  MemoryStore store = SavedStore({{"Sample rate", N(44100)}});
  store.damage = "line 3 is not a setting";
  StoredSettings s;
  const SettingsReadResult result = ReadSettings(store, s);
  EXPECT_EQ(result.error, "line 3 is not a setting");
  EXPECT_EQ(s.sample_rate, 44100);
}

TEST(SettingsUserTest, FolderHistory) {
  MemoryStore store;
  EXPECT_EQ(ReadFolderHistory(store, "/current"), "/current");
  ASSERT_TRUE(WriteFolderHistory(store, "/chosen"));
  EXPECT_EQ(store.Find({"DirBrowser"}, "SF Folder1")->text, "/chosen");
  EXPECT_EQ(ReadFolderHistory(store, "/current"), "/chosen");
}

}  // namespace
}  // namespace kornmill

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/config/ConfigStore.h"
#include "tests/support/TempFolder.h"
#include "toolkit/core/WideAtoi.h"

using Nuvex::CString;
using TestSupport::TempFolder;
using Zorvane::ConfigStore;
using Zorvane::KeyAssignment;
using Zorvane::MacroEventRecord;
using Zorvane::ProfileRecord;

namespace {

// Mismatches seen by the threads; reported once at the end rather than as
// thousands of failures.
class Problems {
 public:
  void Add(const std::string& what) {
    std::lock_guard<std::mutex> hold(lock_);
    if (++count_ <= 5) first_ += what + "\n";
  }
  int Count() const {
    std::lock_guard<std::mutex> hold(lock_);
    return count_;
  }
  std::string First() const {
    std::lock_guard<std::mutex> hold(lock_);
    return first_;
  }

 private:
  mutable std::mutex lock_;
  int count_ = 0;
  std::string first_;
};

CString Number(int value) {
  CString text;
  text.Format(u"%d", value);
  return text;
}

bool IsDecimal(const CString& text) {
  if (text.IsEmpty()) return false;
  for (char16_t ch : text.View())
    if (ch < u'0' || ch > u'9') return false;
  return true;
}

// Both threads start together, so their operations really overlap.
class StartLine {
 public:
  explicit StartLine(int threads) : waiting_(threads) {}
  void Arrive() {
    waiting_.fetch_sub(1);
    while (waiting_.load() > 0) std::this_thread::yield();
  }

 private:
  std::atomic<int> waiting_;
};

}  // namespace

class StoreConcurrency : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(mkdir((temp / "db").c_str(), 0700), 0);
    ASSERT_TRUE(store.OpenForDevice(temp.Path(), u"M1"));
    ASSERT_EQ(store.LoadProfiles([](const CString&) {}), 1);
  }

  TempFolder temp;
  ConfigStore store;
  Problems problems;
};

// The UI thread edits keys and buttons while the device worker records
// macros and reads keys: each sees its own writes, no read comes back torn
// and nothing is lost.
TEST_F(StoreConcurrency, UiAndWorkerThreadsKeepEachOthersDataIntact) {
  constexpr int kRounds = 800;
  constexpr int kEventsPerRound = 4;
  StartLine start(2);
  int macro = store.AddMacro(u"Recorded");
  ASSERT_GT(macro, 0);

  std::thread ui([&] {
    start.Arrive();
    for (int i = 0; i < kRounds; ++i) {
      CString value = Number(i);
      if (!store.SetConfigValue(1, u"dpi_group0_value", value)) problems.Add("ui: set failed");
      CString back;
      if (!store.GetConfigValue(1, u"dpi_group0_value", back) || !(back == value))
        problems.Add("ui: read back " + back.ToUtf8() + " after writing " + value.ToUtf8());

      KeyAssignment key;
      key.profile = 1;
      key.key_code = i % 9;
      key.macro_type = 1;
      key.macro_value = i + 1;
      key.macro_desc = value;
      if (store.SaveKeyAssignment(key) <= 0) problems.Add("ui: save key failed");
      std::vector<KeyAssignment> keys;
      int count = store.ListKeyAssignments(1, keys);
      if (count != std::min(i + 1, 9) || static_cast<int>(keys.size()) != count)
        problems.Add("ui: " + std::to_string(count) + " buttons listed in round " + std::to_string(i));
      for (const KeyAssignment& listed : keys)
        if (listed.key_code == i % 9 && (listed.macro_value != i + 1 || !(listed.macro_desc == value)))
          problems.Add("ui: button " + std::to_string(listed.key_code) + " lost its new assignment");
    }
  });

  std::thread worker([&] {
    start.Arrive();
    for (int i = 0; i < kRounds; ++i) {
      std::vector<MacroEventRecord> events;
      for (int j = 0; j < kEventsPerRound; ++j) {
        MacroEventRecord event;
        event.macro_id = macro;
        event.type = 1;
        event.record_index = i * kEventsPerRound + j;
        event.value = i;
        event.delay_time = j;
        event.desc = Number(i);
        events.push_back(event);
      }
      if (!store.SaveMacroEvents(events)) problems.Add("worker: save events failed");
      if (i % 20 == 0 || i == kRounds - 1) {
        std::vector<MacroEventRecord> stored;
        int count = store.ListMacroEvents(macro, stored);
        if (count != (i + 1) * kEventsPerRound) problems.Add("worker: " + std::to_string(count) + " events listed");
        for (std::size_t k = 0; k < stored.size(); ++k)
          if (stored[k].record_index != static_cast<int>(k) || stored[k].value != static_cast<int>(k) / kEventsPerRound)
            problems.Add("worker: event " + std::to_string(k) + " out of place");
      }
      CString rate;
      if (!store.GetConfigValue(1, u"report_rate", rate) || !(rate == u"2"))
        problems.Add("worker: report_rate read " + rate.ToUtf8());
      CString dpi;
      // Either the default 800 or one of the UI's values 0..kRounds-1.
      if (!store.GetConfigValue(1, u"dpi_group0_value", dpi) || !IsDecimal(dpi) ||
          (Nuvex::WideAtoi(dpi) >= kRounds && !(dpi == u"800")))
        problems.Add("worker: dpi_group0_value read " + dpi.ToUtf8());
    }
  });

  ui.join();
  worker.join();
  EXPECT_EQ(problems.Count(), 0) << problems.First();

  std::vector<KeyAssignment> keys;
  EXPECT_EQ(store.ListKeyAssignments(1, keys), 9);
  std::vector<MacroEventRecord> events;
  EXPECT_EQ(store.ListMacroEvents(macro, events), kRounds * kEventsPerRound);
  CString value;
  ASSERT_TRUE(store.GetConfigValue(1, u"dpi_group0_value", value));
  EXPECT_EQ(value.ToUtf8(), std::to_string(kRounds - 1));
}

// A profile must never be seen without its keys: CreateProfile writes the row
// and the defaults under one hold of the lock.
TEST_F(StoreConcurrency, AProfileIsNeverSeenWithoutItsKeys) {
  constexpr int kProfiles = 100;
  StartLine start(2);
  std::atomic<bool> done{false};

  std::thread ui([&] {
    start.Arrive();
    for (int i = 0; i < kProfiles; ++i) {
      ProfileRecord record;
      record.name = Number(i);
      if (store.CreateProfile(record) <= 0) problems.Add("ui: create failed");
    }
    done = true;
  });

  std::thread worker([&] {
    start.Arrive();
    int lastCount = 4;
    while (!done.load()) {
      std::vector<ProfileRecord> profiles;
      int count = store.ListProfiles(profiles);
      if (count < lastCount) problems.Add("worker: profile count went down");
      lastCount = count;
      // The newest profile is the one that could lack keys.
      CString value;
      if (!profiles.empty() &&
          (!store.GetConfigValue(profiles.back().profile, u"notify_fardistance", value) || !(value == u"1")))
        problems.Add("worker: profile " + std::to_string(profiles.back().profile) + " listed without its last key");
    }
  });

  ui.join();
  worker.join();
  EXPECT_EQ(problems.Count(), 0) << problems.First();
  std::vector<ProfileRecord> profiles;
  EXPECT_EQ(store.ListProfiles(profiles), 4 + kProfiles);
}

// The catalogue loader switches models (or selects the same one again) while
// the UI works: each operation runs wholly on one file or the other, never on
// a connection being closed under it.
TEST_F(StoreConcurrency, SwitchingModelsWhileAnotherThreadWorks) {
  constexpr int kRounds = 300;
  const std::string first = temp / "db/M1_data.db";
  const std::string second = temp / "db/M2_data.db";
  ASSERT_TRUE(store.SetConfigValue(1, u"dpi_index", u"1"));
  ASSERT_TRUE(store.OpenForDevice(temp.Path(), u"M2"));
  ASSERT_EQ(store.LoadProfiles([](const CString&) {}), 1);
  ASSERT_TRUE(store.SetConfigValue(1, u"dpi_index", u"2"));
  StartLine start(2);

  std::thread loader([&] {
    start.Arrive();
    for (int i = 0; i < kRounds; ++i) {
      const char16_t* model = i % 3 == 0 ? u"M2" : u"M1";  // M1 twice in a row: the same file again
      if (!store.OpenForDevice(temp.Path(), model)) problems.Add("loader: open failed");
      store.SetDeviceType(100 + i % 2);
    }
  });

  std::thread ui([&] {
    start.Arrive();
    for (int i = 0; i < kRounds; ++i) {
      if (!store.IsOpen()) problems.Add("ui: store closed");
      for (int look = 0; look < 20; ++look) {  // the title bar asks often
        std::string path = store.OpenPath();
        if (path != first && path != second) problems.Add("ui: store open at " + path);
      }
      CString value;
      if (!store.GetConfigValue(1, u"dpi_index", value) || !(value == u"1" || value == u"2"))
        problems.Add("ui: dpi_index read " + value.ToUtf8());
      if (!store.SetConfigValue(1, u"dpi_group0_value", Number(i))) problems.Add("ui: set failed");
      std::vector<ProfileRecord> profiles;
      if (store.ListProfiles(profiles) != 4) problems.Add("ui: profiles missing");
      int type = store.GetDeviceType();
      if (type != 0 && type != 100 && type != 101) problems.Add("ui: device type " + std::to_string(type));
    }
  });

  loader.join();
  ui.join();
  EXPECT_EQ(problems.Count(), 0) << problems.First();
  EXPECT_TRUE(store.IsOpen());
}

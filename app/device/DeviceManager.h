#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "app/device/DeviceRecord.h"
#include "app/device/HidBackend.h"
#include "app/device/SupportedDevice.h"

namespace Zorvane {

using Report = std::array<std::uint8_t, kReportLength>;

// The device layer: which USB identities belong to supported models, the open
// vendor interfaces (one record each), and sending and receiving reports.
//
// Records are rebuilt by every enumeration. The active handle - the record
// reports go to - is the first wired record of the current type, else its
// first dongle record if that one's mouse is linked; it is cached until the
// current type or the records change.
//
// Threads: device I/O (enumeration, send, poll) is serialised by one lock, so
// the worker and the pairing dialog's thread can never use a device at the
// same time; the record list has a lock of its own that is held only briefly,
// so the UI thread's look-ups never wait for a device.
class DeviceManager {
 public:
  // The waits of the protocol; tests shorten them.
  struct Timing {
    int statusAttempts = 10;  // first status query: writes
    int replyReads = 10;      // reads per reply wait
    int replyReadTimeoutMs = 100;
    int emptyReadSleepMs = 10;  // after a read that found nothing
    int failedAttemptSleepMs = 20;
    int pollTimeoutMs = 10;  // event reads of the idle worker
  };

  // The manager of the program, on the backend chosen at start-up. Install
  // must run once before the first Instance().
  static void Install(std::unique_ptr<HidBackend> backend);
  static DeviceManager& Instance();

  explicit DeviceManager(std::unique_ptr<HidBackend> backend);
  DeviceManager(std::unique_ptr<HidBackend> backend, Timing timing);
  ~DeviceManager();
  DeviceManager(const DeviceManager&) = delete;
  DeviceManager& operator=(const DeviceManager&) = delete;

  void RegisterSupported(const SupportedDevice& device);
  void ClearSupported();
  std::vector<SupportedDevice> Supported() const;

  // Closes every record; nothing while not opened.
  void CloseAll();
  // Opens every supported vendor interface present and asks each for its
  // status once; a device that never answers holds the caller ~11 s.
  void EnumerateDevice();
  void SetOpened(bool opened);
  bool IsOpened() const;
  // The whole re-enumeration: active handle cleared, CloseAll, EnumerateDevice,
  // opened set.
  void Reenumerate();

  // Copies of the records (all when the current type is 0, else those of the
  // current type); false when there are none.
  bool GetDevices(std::vector<DeviceRecord>& records) const;
  void SetCurrentType(int devType);
  int GetCurrentType() const;
  void ClearActiveHandle();
  // 0: a wired record of the current type answers; 1: a dongle record does;
  // -1: neither.
  int GetCurrentDevMode() const;
  // Index of the record reports go to (cached), -1 when there is none.
  int ActiveRecord();
  // Index of the record with these identifiers and mode, -1 when none.
  int FindDevice(int vendorId, int productId, int devMode) const;
  void SetLinkState(int vendorId, int productId, int linkState);
  // The arrival test: whether the interface at `path` is a vendor interface.
  // Opens it on its own and never waits for device I/O in progress.
  bool IsVendorInterface(const std::string& path);

  // Writes `report` on the active record and, when a reply is expected,
  // waits up to ~1.1 s for one; the reply (or, without one, the request)
  // ends up in `report`. Event and dongle link reports that arrive while
  // waiting are kept for the next poll, never taken for the reply. False
  // when not opened, without an active record, or when the last write or
  // read gave nothing.
  bool SendReport(Report& report, bool replyExpected);

  using ReportSink = std::function<void(const Report& report, int devType)>;
  // One sweep over the open records, 10 ms each: every report read is
  // handed to `sink` as it is read (reports kept back by SendReport first),
  // with the sender's device type. Dongle link reports also update the link
  // state of the dongle's records. False when not opened.
  bool PollReports(const ReportSink& sink);
  // Link reports of the current type's dongles only.
  void PollDongleLinks();

 private:
  struct OpenRecord {
    DeviceRecord record;
    std::unique_ptr<HidHandle> handle;
  };
  struct KeptReport {
    Report report;
    int devType;
  };

  void FirstStatusQuery(OpenRecord& open);
  // Reads one report into `report`; event and link reports are kept aside.
  // Returns the bytes of a reply, 0 when none came.
  int ReadReply(OpenRecord& open, Report& report);
  void ApplyLinkReport(const Report& report, const DeviceRecord& sender);

  const std::unique_ptr<HidBackend> backend_;
  const Timing timing_;
  bool backendReady_ = false;  // guarded by io_

  mutable std::recursive_mutex io_;  // device I/O, one caller at a time
  mutable std::mutex state_;         // everything below; held briefly
  std::vector<std::unique_ptr<OpenRecord>> records_;
  std::vector<SupportedDevice> supported_;
  std::deque<KeptReport> kept_;
  bool opened_ = false;
  int currentType_ = 0;
  int activeRecord_ = -1;  // cached; -1 not yet chosen
  bool activeChosen_ = false;
};

}  // namespace Zorvane

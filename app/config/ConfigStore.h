#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/config/SQLiteDB.h"
#include "app/config/StoreRecords.h"
#include "toolkit/core/CString.h"

namespace Zorvane {

// Everything the user sets up for one mouse model, per profile: the
// configuration keys, button assignments, lighting modes, macros with their
// events, text snippets and the parameters of run-program and open-address
// assignments. One SQLite file per model, "<data folder>/db/<model>_data.db";
// at most one is open at a time.
//
// One store per process (Instance()). The UI thread and the device worker
// both use it: every operation holds the store's recursive lock for its whole
// run, so statements of two operations never interleave.
//
// Failures are quiet: writes give false, inserts 0, reads false or 0 with
// empty texts, lists 0 records. Nothing is shown and nothing retried. A
// closed store (no model yet, or a file that could not be opened) fails
// every operation this way.
class ConfigStore {
 public:
  static ConfigStore& Instance();

  ConfigStore() = default;
  ~ConfigStore();
  ConfigStore(const ConfigStore&) = delete;
  ConfigStore& operator=(const ConfigStore&) = delete;

  // --- the file ---------------------------------------------------------------
  static std::string DatabasePath(const std::string& dataFolder, const Nuvex::CString& modelName);
  // Opens the model's file, creating it with the full schema when missing
  // (the folder must exist). Another model's open file is closed first;
  // the same file already open counts as success.
  bool OpenForDevice(const std::string& dataFolder, const Nuvex::CString& modelName);
  bool Close();
  bool IsOpen() const;
  std::string OpenPath() const;
  void SetDeviceType(int type);
  int GetDeviceType() const;

  // Runs `work` as one transaction under the store's lock: when it returns
  // false everything it wrote through the store is undone. Store operations
  // inside it nest. False as well when the store is closed.
  bool Atomically(const std::function<bool()>& work);

  // --- configuration keys -------------------------------------------------------
  bool GetConfigValue(int profile, const Nuvex::CString& key, Nuvex::CString& value);
  // Updates the row; when the profile exists but lacks the key, adds it.
  bool SetConfigValue(int profile, const Nuvex::CString& key, const Nuvex::CString& value);
  // One row per default key, in the keys' order; a failing row does not stop
  // the others.
  void WriteDefaultConfig(int profile);
  // Every key but "version" back to its reset value.
  void ResetConfig(int profile);
  // The store's part of restoring all defaults: the profile's button
  // assignments removed, its keys reset.
  void RestoreDefaults(int profile);

  // --- profiles ---------------------------------------------------------------------
  // The new profile's id (with its default keys), or 0.
  int CreateProfile(const ProfileRecord& record);
  bool RenameProfile(int profile, const Nuvex::CString& name);
  // Names come back in the display form of the language in force.
  bool GetProfileName(int profile, Nuvex::CString& name);
  int ListProfiles(std::vector<ProfileRecord>& records);
  bool SetActiveProfile(int profile);
  // The active profile's id, 0 if none.
  int GetActiveProfile();
  // Makes sure the model has its four profiles and one is active; returns the
  // active profile (0 when the store is closed) and hands its display name to
  // `showName` (the main window's profile button).
  int LoadProfiles(const std::function<void(const Nuvex::CString&)>& showName);

  // --- text snippets ----------------------------------------------------------------
  int AddText(const TextRecord& record);
  bool DeleteText(int textId);
  bool RenameText(int textId, const Nuvex::CString& name);
  bool GetTextName(int textId, Nuvex::CString& name);
  bool SetTextContent(int textId, const Nuvex::CString& content);
  bool GetTextContent(int textId, Nuvex::CString& content);
  int ListTexts(std::vector<TextRecord>& records);

  // --- button assignments -------------------------------------------------------------
  // Replaces the button's row; an assignment whose macro_value and
  // macro_value2 are both 0 only removes it (the button's default). Returns
  // the new key_id, or 0.
  int SaveKeyAssignment(const KeyAssignment& record);
  bool GetKeyAssignment(int profile, int keyCode, KeyAssignment& record);
  bool SetKeyLabel(int profile, int keyCode, const Nuvex::CString& label);
  int ListKeyAssignments(int profile, std::vector<KeyAssignment>& records);
  bool DeleteProfileKeys(int profile);
  int AddKeyOther(const Nuvex::CString& macroDesc, const Nuvex::CString& param, int type);
  // The oldest row holding exactly these values, 0 when there is none.
  int FindKeyOther(const Nuvex::CString& macroDesc, const Nuvex::CString& param, int type);
  // Always true; the outputs stay as they were when there is no such row.
  bool GetKeyOther(int macroValue, Nuvex::CString& macroDesc, Nuvex::CString& param, int& type);

  // --- lighting ---------------------------------------------------------------------------
  int CountLightModes(int profile);
  int AddLightMode(const LightModeRecord& record);
  // Name and status keep their stored values.
  bool UpdateLightMode(int profile, int mode, const LightModeRecord& record);
  bool SetActiveLightMode(int profile, int mode);
  // The active mode, 0 when none (or when mode 0 is active).
  int GetActiveLightMode(int profile);
  bool GetLightMode(int profile, int mode, LightModeRecord& record);
  int ListLightModes(int profile, std::vector<LightModeRecord>& records);

  // --- macros -------------------------------------------------------------------------------
  int AddMacro(const Nuvex::CString& name);
  int AddMacroWithValues(const MacroRecord& record);
  bool RenameMacro(int macroId, const Nuvex::CString& name);
  // The macro and its events; true also when there was no such macro.
  bool DeleteMacro(int macroId);
  bool GetMacro(int macroId, MacroRecord& record);
  bool UpdateMacro(int macroId, const MacroRecord& record);
  int ListMacros(std::vector<MacroRecord>& records);
  int AddMacroEvent(const MacroEventRecord& record);
  // All records in one transaction: either every one is stored or, when one
  // fails, none.
  bool SaveMacroEvents(const std::vector<MacroEventRecord>& records);
  // A macro's events replaced by `records` in one transaction; on failure the
  // old events stay.
  bool ReplaceMacroEvents(int macroId, const std::vector<MacroEventRecord>& records);
  // In record_index order.
  int ListMacroEvents(int macroId, std::vector<MacroEventRecord>& records);
  bool DeleteMacroEvents(int macroId);

 private:
  bool CreateSchema(const std::string& path);
  bool InsertMacroEvents(const std::vector<MacroEventRecord>& records);

  mutable std::recursive_mutex lock_;
  SQLiteDB db_;
  std::string path_;  // UTF-8 path of the open file
  int deviceType_ = 0;
  bool open_ = false;
};

}  // namespace Zorvane

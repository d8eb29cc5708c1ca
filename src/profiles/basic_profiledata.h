// CBasicProfiledata: one device's open profile. Holds the profile file's device entry (element
// 0 of "Device") as a JSON document in memory, converts between its sections and the packed
// records the device object works with, and writes it back to the profile file.
//
// File layout: { "profilename": text, "profileUUID": id, "Device": [ document ] }. The base
// class covers the sections every kind has ("LightInfo", "AudioLightInfo", "LightList",
// "KeyList") and serves the mousepad directly; CKeyboardProfiledata, CMouseProfiledata and
// CHs6533Profiledata add their kinds' sections.
//
// Getters read the current document and keep the result in the object; setters store the
// value and write it into the document in memory; nothing reaches the disk before
// SaveProfile. Values read from a file are never trusted: a wrong type reads as absent, numbers
// are reduced modulo the field's width, levels are clamped to their tables, and lists are
// bounded, so a hand-edited or imported profile cannot crash or overrun anything.
//
// A profile file that is unparsable or of the wrong shape is kept as a backup (".bak") before
// it is rebuilt. Save operations return kStoreOk (0) or a negative kStore* code.
//
// Threading: owned by value by one device object and used on the interface thread only.
// Nothing here throws.
#pragma once

#include <json/json.h>

#include <string>
#include <vector>

#include "profiles/json_file_store.h"
#include "profiles/profile_records.h"

namespace qv {

// Bounds on lists read from a file; longer arrays are read up to the bound.
inline constexpr size_t kMaxKeySlots = 256;  // the keyboard has 170 key slots
inline constexpr size_t kMaxLightListSize = 256;
inline constexpr int kMaxDeviceEntryIndex = 3;

// "profilename" of a profile file's root; empty when absent or not a string.
std::string ProfileNameOf(const Json::Value& root);
// "profileUUID" of a profile file's root, only when it has the form MakeTimestampId produces
// (it names a file in the data folder); empty otherwise.
std::string ProfileUuidOf(const Json::Value& root);

class CBasicProfiledata {
 public:
  CBasicProfiledata() = default;
  virtual ~CBasicProfiledata() = default;
  CBasicProfiledata(const CBasicProfiledata&) = default;
  CBasicProfiledata& operator=(const CBasicProfiledata&) = default;

  // Empty paths are ignored.
  void SetProfilePath(const std::string& path);
  const std::string& ProfilePath() const { return profilePath_; }
  void SetDefaultProfilePath(const std::string& path);
  const std::string& DefaultProfilePath() const { return defaultProfilePath_; }
  // The lighting configuration file (the device's user effect list); only held here.
  void SetLightConfigPath(const std::string& path);
  const std::string& LightConfigPath() const { return lightConfigPath_; }

  // Reads the device entry of the profile file at `path` into the current (second) document.
  // When the file or its entry is missing or damaged the entry is taken from the default
  // profile and written back into the file.
  Json::Value LoadDeviceEntry(const std::string& path);
  Json::Value LoadSecondEntry(const std::string& path);
  // 0..kMaxDeviceEntryIndex; anything else selects 0.
  void SetDeviceEntryIndex(int index);
  int DeviceEntryIndex() const { return entryIndex_; }

  const Json::Value& Document() const { return document_; }
  // Replaces the current document (the factory default's entry, say); nothing is written.
  void SetDocument(const Json::Value& document) { document_ = document; }
  const Json::Value& SecondDocument() const { return secondDocument_; }

  virtual int SaveProfile();
  virtual int SaveDeviceEntry(const Json::Value& document, const std::string& path);
  virtual int SaveSecondEntry(const std::string& path);
  virtual int WriteProfileFile(const Json::Value& document, const std::string& path);

  // "LightInfo": absent gives the fallback record (all zero). Brightness and speed are clamped
  // to 0..kMaxLightLevel.
  LightSettings LightInfo();
  void SetLightInfo(uint32_t w0, uint32_t w1, uint32_t w2, uint16_t h);
  void SetLightInfo(const LightSettings& settings);

  AudioLightSettings AudioLightInfo();
  void SetAudioLightInfo(uint32_t w0, uint32_t w1, uint32_t w2);

  std::vector<LightListEntry> LightList();

  std::vector<KeyAssignment> KeyList();
  void SetKeyList(const std::vector<KeyAssignment>& list);
  std::vector<KeyAssignment> SecondKeyList();
  void SetSecondKeyList(const std::vector<KeyAssignment>& list);

 protected:
  // The current document's section `key` when it is an object, else nullptr.
  const Json::Value* Section(const char* key) const;
  // The current document's section `key`, made an object (the document too) when needed.
  Json::Value& MutableSection(const char* key);
  // The current document, made an object when it is not one.
  Json::Value& MutableDocument();

  JsonFileStore store_;

 private:
  Json::Value LoadEntry(const std::string& path);
  static std::vector<KeyAssignment> ReadKeyList(const Json::Value& document);
  static void WriteKeyList(Json::Value& document, const std::vector<KeyAssignment>& list);

  std::string profilePath_;
  std::string defaultProfilePath_;
  std::string lightConfigPath_;
  LightSettings lightSettings_;
  LightSettings fallbackLightSettings_;
  AudioLightSettings audioLightSettings_;
  std::vector<LightListEntry> lightList_;
  Json::Value document_;
  Json::Value secondDocument_;
  std::vector<KeyAssignment> keyList_;
  std::vector<KeyAssignment> secondKeyList_;
  int entryIndex_ = 0;
};

}  // namespace qv

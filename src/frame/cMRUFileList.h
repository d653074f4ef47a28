#pragma once
// cMRUFileList: the most recently opened or saved files, newest first, as the File menu offers
// them. Entries are numbered from 1; the list never holds more than its capacity and, loaded
// from the settings, never more than the four menu slots.

#include <cstdint>
#include <string>
#include <vector>

namespace brennic {

class cRegistry;

class cMRUFileList {
 public:
  // The File menu has four places for recent files.
  static constexpr int32_t kMenuSlots = 4;

  int32_t MaxFileCount() const { return m_lMaxCount; }
  // Changes the capacity (a negative one counts as 0), keeping the entries that still fit.
  void MaxFileCount(int32_t lMax);
  int32_t FileCount() const { return m_lCount; }
  // Entry iIndex, 1 being the newest; empty text outside 1 to MaxFileCount.
  const std::string& File(int32_t iIndex) const;
  // True when entry iIndex holds a path; the disk is not consulted.
  bool FileExists(int32_t iIndex) const;
  // "&<n>)  <path>", a path longer than 32 characters shortened to "..." and its tail from a
  // folder separator ("\" or "/"); an "&" of the path is doubled, so that the menu shows it.
  std::string MenuCaption(int32_t iIndex) const;
  // Puts sFileName at the top. A path already listed (compared ignoring case) moves there and
  // takes the new spelling; otherwise a full list loses its oldest entry. A list without
  // capacity stores nothing.
  void AddFile(const std::string& sFileName);
  // Writes "MaxCount", "Count" and "File1".."File<Count>" through cR, whose ClassKey and
  // SectionKey name the key, as one change: all of them or none. Another running copy may have
  // stored its files meanwhile: the files added to this list since it was loaded come first, then
  // the stored ones, then the rest of this list, as far as the capacity allows. Paths are stored
  // as plain text, whatever they contain. False when the list could not be stored.
  bool Save(cRegistry& cR) const;
  // Reads the list written by Save. True when the key does not exist (nothing read). A stored
  // "MaxCount" of 0 or less, missing, or not a number keeps the capacity and gives false; a
  // larger one is capped at kMenuSlots, and only the first "Count" entries that fit are read.
  bool Load(cRegistry& cR);

 private:
  int32_t m_lMaxCount = 0;
  int32_t m_lCount = 0;
  int32_t m_lAdded = 0;  // entries 1 to m_lAdded came through AddFile since the last Load
  std::vector<std::string> m_sFiles;  // entry i at m_sFiles[i - 1]
};

}  // namespace brennic

#pragma once
// Test helpers for code that reads or writes settings: a settings store in a temporary folder,
// installed for the process while the helper lives, and a message-box service that records what
// would have been shown. Tests never reach the user's own settings file.

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/RegistryStore.h"
#include "platform/cSqliteRegistryStore.h"

namespace brennic::test {

// A fresh folder under the system's temporary directory, removed with everything in it.
class cTempDir {
 public:
  cTempDir() {
    std::string sTemplate = (std::filesystem::temp_directory_path() / "brennic-test-XXXXXX");
    if (mkdtemp(sTemplate.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_path = sTemplate;
  }
  ~cTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  cTempDir(const cTempDir&) = delete;
  cTempDir& operator=(const cTempDir&) = delete;

  const std::filesystem::path& Path() const { return m_path; }
  std::string File(const std::string& sName) const { return (m_path / sName).string(); }

 private:
  std::filesystem::path m_path;
};

// A store in its own temporary file, installed as the process's store until destroyed.
class cScopedRegistry {
 public:
  cScopedRegistry()
      : m_store(std::make_unique<cSqliteRegistryStore>(m_dir.File("registry.sqlite"))),
        m_pPrevious(SetRegistryStore(m_store.get())) {}
  ~cScopedRegistry() { SetRegistryStore(m_pPrevious); }
  cScopedRegistry(const cScopedRegistry&) = delete;
  cScopedRegistry& operator=(const cScopedRegistry&) = delete;

  cSqliteRegistryStore& Store() { return *m_store; }
  const cTempDir& Dir() const { return m_dir; }

 private:
  cTempDir m_dir;
  std::unique_ptr<cSqliteRegistryStore> m_store;
  IRegistryStore* m_pPrevious;
};

// What a store holds under a value: its type and bytes, or the type 0xFFFF when the key or the
// value is missing.
inline std::pair<uint32_t, std::vector<uint8_t>> RawValue(IRegistryStore& store, HKey hRoot,
                                                          const std::string& sKey,
                                                          const std::string& sName) {
  cRegKeyGuard key(store);
  if (store.OpenKey(hRoot, sKey, kKeyRead, key.Handle()) != 0) return {0xFFFF, {}};
  uint32_t lType = 0;
  uint32_t lSize = 0;
  if (store.QueryValue(key.Handle(), sName, &lType, nullptr, &lSize) != 0) return {0xFFFF, {}};
  std::vector<uint8_t> data(lSize);
  store.QueryValue(key.Handle(), sName, nullptr, data.data(), &lSize);
  return {lType, data};
}

// Stores a value of any type and bytes directly, as another program might have written it.
inline bool PutRawValue(IRegistryStore& store, HKey hRoot, const std::string& sKey,
                        const std::string& sName, uint32_t lType,
                        const std::vector<uint8_t>& data) {
  cRegKeyGuard key(store);
  return store.CreateKey(hRoot, sKey, kKeyAllAccessOwn, key.Handle()) == 0 &&
         store.SetValue(key.Handle(), sName, lType, data.data(),
                        static_cast<uint32_t>(data.size())) == 0;
}

struct ShownMessage {
  std::string sText;
  eMsgButtons eButtons;
  eMsgIcon eIcon;
  std::string sTitle;
};

// Answers every message box with eAnswer and keeps what was shown; installed while it lives.
class cMessageBoxRecorder final : public IMessageBoxService {
 public:
  explicit cMessageBoxRecorder(eMsgResult eAnswer = eMsgResult::OK) : m_eAnswer(eAnswer) {
    SetMessageBoxService(this);
  }
  ~cMessageBoxRecorder() override { SetMessageBoxService(nullptr); }
  cMessageBoxRecorder(const cMessageBoxRecorder&) = delete;
  cMessageBoxRecorder& operator=(const cMessageBoxRecorder&) = delete;

  eMsgResult Show(const std::string& sText, eMsgButtons eButtons, eMsgIcon eIcon,
                  const std::string& sTitle) override {
    m_shown.push_back({sText, eButtons, eIcon, sTitle});
    return m_eAnswer;
  }
  const std::vector<ShownMessage>& Shown() const { return m_shown; }

 private:
  eMsgResult m_eAnswer;
  std::vector<ShownMessage> m_shown;
};

}  // namespace brennic::test

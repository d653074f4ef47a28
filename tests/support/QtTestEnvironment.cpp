// One offscreen QApplication per test executable; Qt's test locations and no recovery data, so
// that no test touches the user's own.

#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>
#include <memory>

namespace {

class cQtEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    qputenv("BRENNIC_RECOVERY_DIR", "off");
    m_pApp = std::make_unique<QApplication>(m_argc, m_argv);
    QApplication::setApplicationName("Brennic");
  }
  void TearDown() override { m_pApp.reset(); }

 private:
  char m_arg0[16] = "brennic-tests";
  char* m_argv[2] = {m_arg0, nullptr};
  int m_argc = 1;
  std::unique_ptr<QApplication> m_pApp;
};

[[maybe_unused]] ::testing::Environment* const g_pQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new cQtEnvironment);

}  // namespace

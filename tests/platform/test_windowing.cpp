// The windowing layer: twips and ending the process at once. (The collection of loaded windows
// is driven by the document and frame tests.)

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/mWindowing.h"
#include "support/GuiTestUtil.h"

namespace brennic {
namespace {

using test::cScopedScreenMetrics;

// 120 dpi across, 72 dpi down: 12 and 20 twips per pixel; halves go to the even neighbour.
TEST(Twips, ConvertWithTheScreensFactorsPerDirection) {
  cScopedScreenMetrics uneven({12.0, 20.0, 800, 600, 24});
  EXPECT_EQ(TwipsToPixelsX(5250), 438);  // 437.5
  EXPECT_EQ(TwipsToPixelsY(2870), 144);  // 143.5
  cScopedScreenMetrics metrics;          // 15 twips per pixel
  QWidget window;
  SetWindowTwips(window, {1500, 750, 5250, 2865});
  EXPECT_EQ(window.geometry(), QRect(100, 50, 350, 191));
  const sTwipsRect t = WindowTwips(window);
  EXPECT_EQ((std::vector<double>{t.dLeft, t.dTop, t.dWidth, t.dHeight}),
            (std::vector<double>{1500, 750, 5250, 2865}));
}

// The process ends with the code, writes what stdio still buffers, and runs no exit handler.
TEST(EndProcessNow, EndsAtOnceWithoutExitHandlers) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(fds[0]);
    static int s_fd = fds[1];
    std::atexit([] { [[maybe_unused]] const ssize_t n = write(s_fd, "exit-handler", 12); });
    FILE* pOut = fdopen(fds[1], "w");
    std::setvbuf(pOut, nullptr, _IOFBF, 4096);
    std::fputs("buffered;", pOut);
    EndProcessNow(7);
  }
  close(fds[1]);
  std::string sOutput;
  char buffer[64];
  ssize_t n = 0;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
    sOutput.append(buffer, static_cast<size_t>(n));
  close(fds[0]);
  int iStatus = 0;
  ASSERT_EQ(waitpid(pid, &iStatus, 0), pid);
  ASSERT_TRUE(WIFEXITED(iStatus));
  EXPECT_EQ(WEXITSTATUS(iStatus), 7);
  EXPECT_EQ(sOutput, "buffered;");
}

}  // namespace
}  // namespace brennic

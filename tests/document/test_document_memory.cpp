// Memory a document holds goes back to the system when it closes.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <vector>

#include "document/cImageHistory.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

int64_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  int64_t lPages = 0;
  int64_t lResident = 0;
  statm >> lPages >> lResident;
  return lResident * sysconf(_SC_PAGESIZE);
}

// Two 4000 x 4000 documents (48 MB a buffer), each with commands run as the program runs them
// (through the history, whose operations may reuse freed buffers). Closing both brings resident
// memory back within 50 MB of the level before they were opened.
TEST(DocumentMemory, ClosingEveryDocumentGivesItsMemoryBack) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "AddressSanitizer keeps freed memory in quarantine: resident memory says nothing";
#endif
  struct sDocument {
    explicit sDocument(cHistoryBudget& budget) : history(budget) {}
    cImageDocumentCore core;
    cImageHistory history;
  };
  const int64_t lBefore = ResidentBytes();
  int64_t lOpen = 0;
  {
    cHistoryBudget budget(int64_t{1} << 40);
    std::vector<std::unique_ptr<sDocument>> documents;
    for (int i = 0; i < 2; ++i) {
      auto d = std::make_unique<sDocument>(budget);
      d->core.LoadImage(*test::MakeImage(4000, 4000, {10, 20, 30}));
      d->history.Record(d->core, "Negative", [&] { d->core.NegativeImage(); });
      documents.push_back(std::move(d));
    }
    lOpen = ResidentBytes();
  }
  const int64_t lAfter = ResidentBytes();
  std::printf("resident memory: %lld MB before, %lld MB with both open, %lld MB after closing\n",
              static_cast<long long>(lBefore >> 20), static_cast<long long>(lOpen >> 20),
              static_cast<long long>(lAfter >> 20));
  // At least both pictures; a work buffer no command has written to may hold no pages yet.
  EXPECT_GT(lOpen - lBefore, 96 << 20) << "the documents did not take their memory";
  EXPECT_LT(lAfter - lBefore, 50 << 20);
}

}  // namespace
}  // namespace brennic

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "platform/HidrawDescriptor.h"
#include "tests/support/TempFolder.h"

TEST(HidrawDescriptor, NoDescriptorFromWhatIsNoHidrawNode) {
  TestSupport::TempFolder temp;
  const std::string file = temp / "hidraw0";
  { std::ofstream(file) << "\x05\x01\x09\x02"; }
  const std::string fifo = temp / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // The FIFO would block an open without O_NONBLOCK: this must return.
  for (const std::string& path : {std::string("/dev/null"), file, fifo, temp / "missing", temp.Path()}) {
    SCOPED_TRACE(path);
    std::vector<std::uint8_t> bytes = {1, 2, 3};
    EXPECT_FALSE(Platform::ReadHidrawDescriptor(path, bytes));
    EXPECT_TRUE(bytes.empty());
  }
}

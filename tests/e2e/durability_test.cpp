#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>

#include "e2e/pty_process.h"
#include "records/coupon_record.h"
#include "support/scoped_mount.h"
#include "support/temp_dir.h"

namespace sortwell::testing {
namespace {

// ext4's "going down" ioctl; flag 2 drops what the journal has not committed,
// as a power cut would.
constexpr unsigned long ext4_ioc_shutdown = _IOR('X', 125, std::uint32_t);
constexpr std::uint32_t going_down_no_log_flush = 2;

TEST(PowerCut, NoAnnouncedCountIsLost) {
  TempDir root;
  const std::string data_home = root.file("data");
  std::filesystem::create_directory(data_home);
  ScopedMount disk = ScopedMount::ext4_image(data_home, root.file("disk.img"), 16 << 20);
  if (!disk.mounted()) GTEST_SKIP() << disk.why_not();
  const std::string records = data_home + "/sortwell";
  std::filesystem::create_directory(records);
  CouponRecord known;
  known.code = "4711";
  known.manufacturer = "Acme";
  known.quantity = "00000001";
  write_file(records + "/4711.cou", pack_record(known));
  sync();

  {
    PtyProcess run(SORTWELL_BINARY, sortwell_environment(root.path(), {"XDG_DATA_HOME=" + data_home}));
    ASSERT_TRUE(run.wait_for("Sortwell: "));
    // Four counts of a known code and a new record, each announced: the
    // prompt after an announcement comes only once it is stored.
    for (int i = 0; i < 4; ++i) {
      run.type("4711\r");
      ASSERT_TRUE(run.wait_for("5) Q = 0000000" + std::to_string(i + 2)));
      ASSERT_TRUE(run.wait_for("Sortwell: "));
    }
    run.type("808\r1Bolt\r\r");
    ASSERT_TRUE(run.wait_for("5) Q = 00000001"));
    ASSERT_TRUE(run.wait_for("Sortwell: "));
    const int mount_point = open(data_home.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::uint32_t flags = going_down_no_log_flush;
    ASSERT_EQ(ioctl(mount_point, ext4_ioc_shutdown, &flags), 0);
    close(mount_point);
    run.signal(SIGKILL);
    run.wait_exit();
  }
  ASSERT_TRUE(disk.unmount());
  disk = ScopedMount::ext4_image_again(data_home, root.file("disk.img"));
  ASSERT_TRUE(disk.mounted()) << disk.why_not();
  EXPECT_EQ(unpack_record(read_file(records + "/4711.cou")).quantity, "00000005");
  const CouponRecord created = unpack_record(read_file(records + "/808.cou"));
  EXPECT_EQ(created.manufacturer, "Bolt");
  EXPECT_EQ(created.quantity, "00000001");
}

}  // namespace
}  // namespace sortwell::testing

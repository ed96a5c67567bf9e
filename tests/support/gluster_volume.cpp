#include "support/gluster_volume.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

namespace sortwell::testing {
namespace {

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// Locks alone do not keep counts exact across mounts: neither the client
// nor the kernel may cache file data or delay writes.
const char* const caches[] = {"performance.write-behind", "performance.open-behind", "performance.quick-read",
                              "performance.io-cache",     "performance.read-ahead",  "performance.stat-prefetch",
                              "performance.readdir-ahead", "performance.nl-cache"};

std::string host_name() {
  char name[256] = {};
  gethostname(name, sizeof name - 1);
  return name;
}

}  // namespace

bool GlusterVolume::gluster(const std::string& arguments) const { return run("gluster --mode=script " + arguments); }

GlusterVolume::GlusterVolume(int mounts) {
  if (geteuid() != 0) {
    why_not_ = "GlusterFS volumes need root";
    return;
  }
  if (!std::filesystem::exists("/usr/sbin/glusterd") || !std::filesystem::exists("/usr/sbin/mount.glusterfs")) {
    why_not_ = "glusterfs-server or glusterfs-client is not installed";
    return;
  }
  if (!std::filesystem::exists("/dev/fuse")) {
    why_not_ = "there is no /dev/fuse";
    return;
  }
  if (!run("pgrep -x glusterd")) {
    started_glusterd_ = run("/usr/sbin/glusterd");
    for (int i = 0; i < 50 && !gluster("volume list"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  name_ = "sortwell" + std::to_string(std::random_device{}() % 1000000);
  const std::string host = host_name();
  std::string bricks;
  for (int i = 0; i < 2; ++i) {
    bricks_.push_back(dir_.file("brick" + std::to_string(i)));
    std::filesystem::create_directories(bricks_.back());
    bricks += " " + host + ":" + bricks_.back();
  }
  created_ = gluster("volume create " + name_ + " replica 2" + bricks + " force");
  bool ok = created_;
  for (const char* option : caches) ok = ok && gluster("volume set " + name_ + " " + option + " off");
  ok = ok && gluster("volume start " + name_);
  for (int i = 0; ok && i < mounts; ++i) {
    mounts_.push_back(dir_.file("station" + std::to_string(i)));
    std::filesystem::create_directories(mounts_.back());
    ok = run("mount -t glusterfs -o direct-io-mode=enable " + host + ":/" + name_ + " " + mounts_.back());
    if (!ok) mounts_.pop_back();
  }
  if (!ok) {
    why_not_ = "the GlusterFS volume could not be made or mounted";
    return;
  }
  std::filesystem::create_directories(folder(0));
}

GlusterVolume::~GlusterVolume() {
  for (const std::string& mount : mounts_) run("umount -l " + mount);
  if (created_) {
    gluster("volume stop " + name_ + " force");
    gluster("volume delete " + name_);
  }
  if (started_glusterd_) run("pkill -x glusterd; pkill -x glusterfsd");
}

bool GlusterVolume::kill_brick(int brick) {
  // The brick's server is the glusterfsd whose command line names its folder.
  const std::string& folder = bricks_.at(static_cast<std::size_t>(brick));
  bool killed = false;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string pid = entry.path().filename();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string command = read_file(entry.path().string() + "/cmdline");
    std::replace(command.begin(), command.end(), '\0', ' ');
    if (command.starts_with("/usr/sbin/glusterfsd ") && command.find(folder + " ") != std::string::npos) {
      killed = kill(std::stoi(pid), SIGKILL) == 0 || killed;
    }
  }
  return killed;
}

bool GlusterVolume::stop() { return gluster("volume stop " + name_ + " force"); }

bool GlusterVolume::start() { return gluster("volume start " + name_ + " force"); }

}  // namespace sortwell::testing

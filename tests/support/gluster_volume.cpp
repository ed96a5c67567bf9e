#include "support/gluster_volume.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

namespace sortwell::testing {
namespace {

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string output_of(const std::string& command) {
  std::string out;
  if (std::FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

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
  for (int i = 0; i < 3; ++i) {
    bricks_.push_back(dir_.file("brick" + std::to_string(i)));
    std::filesystem::create_directories(bricks_.back());
    bricks += " " + host + ":" + bricks_.back();
  }
  created_ = gluster("volume create " + name_ + " replica 3 arbiter 1" + bricks + " force");
  bool ok = created_;
  for (const char* option : caches) ok = ok && gluster("volume set " + name_ + " " + option + " off");
  // A handle whose locks a restarted brick forgot fails, instead of going on unlocked.
  ok = ok && gluster("volume set " + name_ + " client.strict-locks on");
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
  // The volume's self-heal daemon, which outlives a glusterd ended first.
  run("pkill -f 'volfile-id shd/" + name_ + " '");
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

int GlusterVolume::clients(int brick) const {
  const std::string status = output_of("gluster volume status " + name_ + " " + host_name() + ":" +
                                       bricks_.at(static_cast<std::size_t>(brick)) + " clients");
  const std::size_t at = status.find("Clients connected : ");
  return at == std::string::npos ? -1 : std::atoi(status.c_str() + at + 20);
}

bool GlusterVolume::restart_brick(int brick) {
  using namespace std::chrono_literals;
  const int connected = clients(brick);
  if (connected < 1 || !kill_brick(brick)) return false;
  // Started once glusterd has seen it go, until it runs; then waited for
  // until each client has come back to it (they retry every few seconds).
  for (int i = 0; i < 50 && clients(brick) >= 0; ++i) std::this_thread::sleep_for(100ms);
  if (!start()) return false;
  for (int i = 0; i < 100; ++i, std::this_thread::sleep_for(200ms)) {
    if (clients(brick) >= connected) return true;
  }
  return false;
}

bool GlusterVolume::stop() { return gluster("volume stop " + name_ + " force"); }

bool GlusterVolume::start() {
  // Until every brick runs: glusterd starts only those it has seen go.
  for (int attempt = 0; attempt < 40; ++attempt) {
    if (!gluster("volume start " + name_ + " force")) return false;
    bool all = true;
    for (int brick = 0; brick < 3; ++brick) all = all && clients(brick) >= 0;
    if (all) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  }
  return false;
}

}  // namespace sortwell::testing

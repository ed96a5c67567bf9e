#include "support/gluster_volume.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>

namespace sortwell::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

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

std::string server_address(int server) { return "10.73.0." + std::to_string(1 + server); }
std::string station_address(int station) { return "10.73.0." + std::to_string(11 + station); }

// The processes whose command line holds `part`, as pids.
std::vector<pid_t> processes_with(const std::string& part) {
  std::vector<pid_t> found;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string pid = entry.path().filename();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string command = read_file(entry.path().string() + "/cmdline");
    std::replace(command.begin(), command.end(), '\0', ' ');
    if (command.find(part) != std::string::npos) found.push_back(std::stoi(pid));
  }
  return found;
}

// Every process in the network namespace `name` is killed, by its pid, until
// none is left; then the namespace goes.
void end_namespace(const std::string& name) {
  struct stat space {};
  if (stat(("/run/netns/" + name).c_str(), &space) == 0) {
    for (int round = 0; round < 50; ++round) {
      bool any = false;
      for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename();
        struct stat theirs {};
        if (pid.find_first_not_of("0123456789") != std::string::npos ||
            stat((entry.path() / "ns/net").c_str(), &theirs) != 0 || theirs.st_ino != space.st_ino ||
            theirs.st_dev != space.st_dev) {
          continue;
        }
        any = kill(std::stoi(pid), SIGKILL) == 0 || any;
      }
      if (!any) break;
      std::this_thread::sleep_for(100ms);
    }
  }
  run("ip netns del " + name);
}

// What a run that ended without ending it left: its mounts of "swg<pid>"
// and its namespaces, "swg<pid>-...".
void end_leftovers() {
  const auto gone = [](const std::string& name) {
    static const std::regex ours("swg(\\d+)(-\\w+)?");
    std::smatch match;
    return std::regex_match(name, match, ours) && kill(std::stoi(match[1]), 0) != 0;
  };
  std::istringstream mounts(read_file("/proc/self/mounts"));
  for (std::string source, point, rest; mounts >> source >> point && std::getline(mounts, rest);) {
    if (source.starts_with("10.73.0.1:/") && gone(source.substr(11))) run("umount -l " + point);
  }
  if (!fs::exists("/run/netns")) return;
  for (const auto& entry : fs::directory_iterator("/run/netns")) {
    if (gone(entry.path().filename())) end_namespace(entry.path().filename());
  }
}

}  // namespace

bool GlusterVolume::gluster(const std::string& arguments) const {
  return run("nsenter -t " + std::to_string(glusterd_) + " -m -n gluster --mode=script " + arguments);
}

std::string GlusterVolume::gluster_output(const std::string& arguments) const {
  return output_of("nsenter -t " + std::to_string(glusterd_) + " -m -n gluster --mode=script " + arguments);
}

GlusterVolume::GlusterVolume(int stations) {
  if (geteuid() != 0) {
    why_not_ = "GlusterFS volumes on a network of their own need root";
    return;
  }
  for (const char* tool : {"/usr/sbin/glusterd", "/usr/sbin/mount.glusterfs", "/usr/bin/nsenter", "/usr/bin/unshare"}) {
    if (!fs::exists(tool)) {
      why_not_ = std::string(tool) + " is missing (glusterfs-server, glusterfs-client, util-linux)";
      return;
    }
  }
  if (!fs::exists("/dev/fuse") || !run("ip netns list")) {
    why_not_ = "there is no /dev/fuse, or no network namespaces";
    return;
  }
  end_leftovers();
  name_ = "swg" + std::to_string(getpid());
  prefix_ = name_ + "-";
  // The switch: two bridges, joined by one link.
  const std::string sw = prefix_ + "sw";
  namespaces_.push_back(sw);
  bool ok = run("ip netns add " + sw) && run("ip -n " + sw + " link add brA type bridge") &&
            run("ip -n " + sw + " link add brB type bridge") &&
            run("ip -n " + sw + " link add sides type veth peer name sidesB") &&
            run("ip -n " + sw + " link set sides master brA up") && run("ip -n " + sw + " link set sidesB master brB up") &&
            run("ip -n " + sw + " link set brA up") && run("ip -n " + sw + " link set brB up");
  const auto node = [&](const std::string& id, const std::string& address, const char* bridge) {
    const std::string space = prefix_ + id;
    namespaces_.push_back(space);
    return run("ip netns add " + space) && run("ip -n " + space + " link set lo up") &&
           run("ip -n " + sw + " link add p-" + id + " type veth peer name eth0 netns " + space) &&
           run("ip -n " + sw + " link set p-" + id + " master " + bridge + " up") &&
           run("ip -n " + space + " addr add " + address + "/24 dev eth0") &&
           run("ip -n " + space + " link set eth0 up");
  };
  for (int s = 0; ok && s < 3; ++s) ok = node("s" + std::to_string(s), server_address(s), s == 0 ? "brA" : "brB");
  for (int c = 0; ok && c < stations; ++c) ok = node("c" + std::to_string(c), station_address(c), c == 0 ? "brA" : "brB");
  // Each server's glusterd, with a /run, /var/lib/glusterd and logs of its own.
  for (int s = 0; ok && s < 3; ++s) {
    const std::string home = dir_.file("server" + std::to_string(s));
    for (const char* sub : {"/lib", "/run", "/log", "/brick"}) fs::create_directories(home + sub);
    bricks_.push_back(home + "/brick");
    ok = run("nsenter --net=/run/netns/" + prefix_ + "s" + std::to_string(s) +
             " unshare -m --propagation private sh -c 'mount --bind " + home + "/lib /var/lib/glusterd && mount --bind " +
             home + "/run /run && mount --bind " + home + "/log /var/log/glusterfs && echo $$ >" + home +
             "/pid && exec /usr/sbin/glusterd -N' </dev/null &");
  }
  for (int i = 0; ok && i < 100 && glusterd_ < 0; ++i, std::this_thread::sleep_for(100ms)) {
    const std::string pid = read_file(dir_.file("server0/pid"));
    if (!pid.empty()) glusterd_ = std::stoi(pid);
  }
  for (int i = 0; ok && i < 100 && !gluster("volume list"); ++i) std::this_thread::sleep_for(100ms);
  // The other servers answer once their glusterd does: probed until then.
  for (int s = 1; ok && s < 3; ++s) {
    bool probed = false;
    for (int i = 0; i < 100 && !probed; ++i, std::this_thread::sleep_for(probed ? 0ms : 100ms)) {
      probed = gluster("peer probe " + server_address(s));
    }
    ok = probed;
  }
  std::string bricks;
  for (int s = 0; s < 3 && ok; ++s) bricks += " " + server_address(s) + ":" + bricks_[static_cast<std::size_t>(s)];
  bool created = false;
  for (int i = 0; ok && i < 50 && !created; ++i, std::this_thread::sleep_for(created ? 0ms : 200ms)) {
    created = gluster("volume create " + name_ + " replica 3 arbiter 1" + bricks + " force");
  }
  // A handle whose locks a restarted brick forgot fails, instead of going on
  // unlocked. All in one command: each is a transaction of every server.
  std::string options = " client.strict-locks on network.ping-timeout " + std::to_string(recipe_ping_timeout);
  for (const char* option : caches) options += std::string(" ") + option + " off";
  ok = created && gluster("volume set " + name_ + options) && gluster("volume start " + name_);
  for (int c = 0; ok && c < stations; ++c) {
    mounts_.push_back(dir_.file("station" + std::to_string(c)));
    fs::create_directories(mounts_.back());
    ok = run("nsenter --net=/run/netns/" + prefix_ + "c" + std::to_string(c) +
             " mount -t glusterfs -o direct-io-mode=enable,log-file=" + mounts_.back() + ".log " + server_address(0) +
             ":/" + name_ + " " + mounts_.back());
    if (!ok) mounts_.pop_back();
  }
  if (!ok) {
    why_not_ = "the GlusterFS servers could not be started, or their volume made or mounted";
    return;
  }
  fs::create_directories(folder(0));
}

GlusterVolume::~GlusterVolume() {
  for (const std::string& mount : mounts_) run("umount -l " + mount);
  end_namespaces();
}

void GlusterVolume::end_namespaces() {
  for (auto space = namespaces_.rbegin(); space != namespaces_.rend(); ++space) end_namespace(*space);
  namespaces_.clear();
}

bool GlusterVolume::set_link(const std::string& node, bool cut) {
  const std::string link = node == "sides" ? "sides" : "p-" + node;
  return run("ip -n " + prefix_ + "sw link set " + link + (cut ? " down" : " up"));
}

bool GlusterVolume::kill_brick(int brick) {
  // The brick's server is the glusterfsd whose command line names its folder.
  bool killed = false;
  for (const pid_t pid : processes_with(bricks_.at(static_cast<std::size_t>(brick)) + " ")) {
    if (read_file("/proc/" + std::to_string(pid) + "/cmdline").starts_with("/usr/sbin/glusterfsd")) {
      killed = kill(pid, SIGKILL) == 0 || killed;
    }
  }
  return killed;
}

int GlusterVolume::clients(int brick) const {
  const std::string status = gluster_output("volume status " + name_ + " " + server_address(brick) + ":" +
                                            bricks_.at(static_cast<std::size_t>(brick)) + " clients");
  const std::size_t at = status.find("Clients connected : ");
  return at == std::string::npos ? -1 : std::atoi(status.c_str() + at + 20);
}

bool GlusterVolume::restart_brick(int brick) {
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
    std::this_thread::sleep_for(250ms);
  }
  return false;
}

int GlusterVolume::split_brain_after_heal(std::chrono::seconds within) {
  static const std::regex pending("Number of entries: (\\d+)");
  const auto give_up = std::chrono::steady_clock::now() + within;
  for (bool healed = false; !healed && std::chrono::steady_clock::now() < give_up;) {
    gluster("volume heal " + name_);
    const std::string info = gluster_output("volume heal " + name_ + " info");
    int bricks = 0, left = 0;
    for (std::sregex_iterator it(info.begin(), info.end(), pending), end; it != end; ++it, ++bricks) {
      left += std::stoi((*it)[1]);
    }
    healed = bricks == 3 && left == 0;
    if (!healed) std::this_thread::sleep_for(1s);
  }
  static const std::regex split("Number of entries in split-brain: (\\d+)");
  const std::string info = gluster_output("volume heal " + name_ + " info split-brain");
  int bricks = 0, entries = 0;
  for (std::sregex_iterator it(info.begin(), info.end(), split), end; it != end; ++it, ++bricks) {
    entries += std::stoi((*it)[1]);
  }
  return bricks == 3 ? entries : -1;
}

}  // namespace sortwell::testing

#include "support/gluster_volume.h"

#include <signal.h>
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

// Whether `done` comes true, asked up to `tries` times, `pause` apart.
template <typename Done>
bool eventually(Done done, int tries = 100, std::chrono::milliseconds pause = 100ms) {
  for (int i = 0; i < tries; ++i, std::this_thread::sleep_for(pause)) {
    if (done()) return true;
  }
  return false;
}

// The sum of the numbers `pattern` finds in `text`, where it finds one per brick; -1 otherwise.
int per_brick(const std::string& text, const std::regex& pattern) {
  int bricks = 0, sum = 0;
  for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it, ++bricks) {
    sum += std::stoi((*it)[1]);
  }
  return bricks == 3 ? sum : -1;
}

// Locks alone do not keep counts exact across mounts: neither the client
// nor the kernel may cache file data or delay writes.
const char* const caches[] = {"performance.write-behind", "performance.open-behind", "performance.quick-read",
                              "performance.io-cache",     "performance.read-ahead",  "performance.stat-prefetch",
                              "performance.readdir-ahead", "performance.nl-cache"};

std::string server_address(int server) { return "10.73.0." + std::to_string(1 + server); }

// What run "swg<pid>" made outside its folder: its mounts, then every process
// of its namespaces, "swg<pid>-...", killed by pid until none is left, then the namespaces.
void end_run(const std::string& name) {
  std::istringstream mounts(read_file("/proc/self/mounts")), spaces(output_of("ip netns list"));
  for (std::string source, point, rest; mounts >> source >> point && std::getline(mounts, rest);) {
    if (source == server_address(0) + ":/" + name) run("umount -l " + point);
  }
  for (std::string space, rest; spaces >> space && std::getline(spaces, rest);) {
    if (!space.starts_with(name + "-")) continue;
    const std::string pids = "ip netns pids " + space;
    eventually([&] { return output_of(pids).empty() || (run(pids + " | xargs -r kill -9"), false); }, 50);
    run("ip netns del " + space);
  }
}

// What the runs that ended without ending it left.
void end_leftovers() {
  static const std::regex ours("(swg(\\d+))-\\w+");
  std::istringstream spaces(output_of("ip netns list"));
  std::smatch match;
  for (std::string space, rest; spaces >> space && std::getline(spaces, rest);) {
    if (std::regex_match(space, match, ours) && kill(std::stoi(match[2]), 0) != 0) end_run(match[1]);
  }
}

}  // namespace

bool GlusterVolume::gluster(const std::string& arguments) const { return run(gluster_ + arguments); }
std::string GlusterVolume::gluster_output(const std::string& arguments) const { return output_of(gluster_ + arguments); }

GlusterVolume::GlusterVolume(int stations) {
  if (geteuid() != 0 || !fs::exists("/dev/fuse") || !fs::exists("/usr/sbin/glusterd") ||
      !fs::exists("/usr/sbin/mount.glusterfs") || !run("ip netns list && nsenter --version && unshare --version")) {
    why_not_ = "GlusterFS servers on a network of their own need root, FUSE, glusterfs-server, glusterfs-client, "
               "iproute2 and util-linux";
    return;
  }
  end_leftovers();
  name_ = "swg" + std::to_string(getpid());
  // The switch: two bridges, joined by one link; then each node's cable into its side's.
  std::string net = "(set -e; p=" + name_ + R"(; sw="ip -n $p-sw"
    ip netns add $p-sw; $sw link add sides type veth peer name sidesB
    for side in A B; do $sw link add br$side type bridge; $sw link set br$side up; done
    $sw link set sides master brA up; $sw link set sidesB master brB up
    node() { ip netns add $p-$1; ip -n $p-$1 link set lo up; $sw link add p-$1 type veth peer name eth0 netns $p-$1
      $sw link set p-$1 master br$3 up; ip -n $p-$1 addr add 10.73.0.$2/24 dev eth0; ip -n $p-$1 link set eth0 up; }
    node s0 1 A; node s1 2 B; node s2 3 B)";
  for (int c = 0; c < stations; ++c) {
    net += "; node c" + std::to_string(c) + " " + std::to_string(11 + c) + (c == 0 ? " A" : " B");
  }
  bool ok = run(net + ")");
  // Each server's glusterd, with a /run, /var/lib/glusterd and logs of its own.
  for (int s = 0; ok && s < 3; ++s) {
    const std::string home = dir_.file("server" + std::to_string(s));
    for (const char* sub : {"/lib", "/run", "/log", "/brick"}) fs::create_directories(home + sub);
    bricks_.push_back(home + "/brick");
    ok = run("nsenter --net=/run/netns/" + name_ + "-s" + std::to_string(s) +
             " unshare -m --propagation private sh -c 'mount --bind " + home + "/lib /var/lib/glusterd && mount --bind " +
             home + "/run /run && mount --bind " + home + "/log /var/log/glusterfs && echo $$ >" + home +
             "/pid && exec /usr/sbin/glusterd -N' </dev/null &");
  }
  ok = ok && eventually([&] {
    const std::string pid = read_file(dir_.file("server0/pid"));
    gluster_ = "nsenter -t " + pid.substr(0, pid.find('\n')) + " -m -n gluster --mode=script ";
    return !pid.empty() && gluster("volume list");
  });
  // The other servers answer once their glusterd does.
  for (int s = 1; ok && s < 3; ++s) ok = eventually([&] { return gluster("peer probe " + server_address(s)); });
  std::string bricks, options = " client.strict-locks on network.ping-timeout " + std::to_string(recipe_ping_timeout);
  for (int s = 0; s < 3 && ok; ++s) bricks += " " + server_address(s) + ":" + bricks_[static_cast<std::size_t>(s)];
  // A handle whose locks a restarted brick forgot fails, instead of going on
  // unlocked. All in one command: each is a transaction of every server.
  for (const char* option : caches) options += std::string(" ") + option + " off";
  ok = ok && eventually([&] { return gluster("volume create " + name_ + " replica 3 arbiter 1" + bricks + " force"); }) &&
       gluster("volume set " + name_ + options) && gluster("volume start " + name_);
  for (int c = 0; ok && c < stations; ++c) {
    mounts_.push_back(dir_.file("station" + std::to_string(c)));
    fs::create_directories(mounts_.back());
    ok = run("nsenter --net=/run/netns/" + name_ + "-c" + std::to_string(c) +
             " mount -t glusterfs -o direct-io-mode=enable,log-file=" + mounts_.back() + ".log " + server_address(0) +
             ":/" + name_ + " " + mounts_.back());
  }
  if (ok) fs::create_directories(folder(0));
  else why_not_ = "the GlusterFS servers could not be started, or their volume made or mounted";
}

GlusterVolume::~GlusterVolume() {
  if (!name_.empty()) end_run(name_);
}

bool GlusterVolume::cut(const std::string& cable, bool cut) {
  return run("ip -n " + name_ + "-sw link set " + (cable == "sides" ? cable : "p-" + cable) + (cut ? " down" : " up"));
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
  eventually([&] { return clients(brick) < 0; }, 50);
  return start() && eventually([&] { return clients(brick) >= connected; }, 100, 200ms);
}

bool GlusterVolume::stop() { return gluster("volume stop " + name_ + " force"); }

bool GlusterVolume::start() {
  // Until every brick runs: glusterd starts only those it has seen go.
  return eventually([&] {
    gluster("volume start " + name_ + " force");
    return clients(0) >= 0 && clients(1) >= 0 && clients(2) >= 0;
  }, 40, 250ms);
}

int GlusterVolume::split_brain_after_heal(std::chrono::seconds within) {
  eventually([&] {
    gluster("volume heal " + name_);
    return per_brick(gluster_output("volume heal " + name_ + " info"), std::regex("Number of entries: (\\d+)")) == 0;
  }, static_cast<int>(within.count()), 1s);
  return per_brick(gluster_output("volume heal " + name_ + " info split-brain"),
                   std::regex("Number of entries in split-brain: (\\d+)"));
}

}  // namespace sortwell::testing

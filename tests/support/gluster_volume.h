#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace sortwell::testing {

// The README's ping-timeout, in seconds, and the longest a scan then waits
// for its outcome, as the README says: one to three ping-timeouts.
inline constexpr int recipe_ping_timeout = 10;
inline constexpr std::chrono::seconds recipe_longest_wait{30};

// A real GlusterFS volume as the README builds it (replica 3 with an arbiter,
// strict locks on, the client-side caches off, the recipe's ping-timeout,
// FUSE mounts with direct-io-mode=enable), on a network of its own: each
// server a glusterd in network and mount namespaces of its own, each station
// a mount from a namespace of its own. Two bridges joined by one link: server
// 0 and station 0 on side A, the rest on side B; a cut answers nothing, as a
// pulled cable. Its namespaces' processes, then the namespaces, are ended
// with it, or by the next run after a crash. Needs root, FUSE, iproute2 and
// GlusterFS; `why_not()` says what is missing, for a test to skip with.
class GlusterVolume {
 public:
  explicit GlusterVolume(int stations);
  ~GlusterVolume();
  GlusterVolume(const GlusterVolume&) = delete;
  GlusterVolume& operator=(const GlusterVolume&) = delete;

  bool ready() const { return why_not_.empty(); }
  const std::string& why_not() const { return why_not_; }
  // The folder a station sorts into, on its own mount.
  std::string folder(int station) const { return mounts_.at(static_cast<std::size_t>(station)) + "/coupons"; }

  // Kills one brick's server process, as a crashed replica (2 is the arbiter).
  bool kill_brick(int brick);
  // Kills the brick's server and starts it again, as an upgrade or a reboot
  // of its server does, and waits until every client is back on it.
  bool restart_brick(int brick);
  bool stop();
  bool start();

  // Pulls (or plugs back) a cable: server n's is "sn", station n's "cn", the link between the sides "sides".
  bool cut(const std::string& cable, bool cut = true);
  // The entries in split brain once self-heal has mended all else (waited up to `within`); -1: untold.
  int split_brain_after_heal(std::chrono::seconds within);

 private:
  bool gluster(const std::string& arguments) const;
  std::string gluster_output(const std::string& arguments) const;
  // The clients connected to the brick, as its server counts them; -1 while it is offline.
  int clients(int brick) const;
  TempDir dir_;
  std::string name_;  // "swg<pid>", the volume's, and its namespaces' "swg<pid>-..."
  std::vector<std::string> bricks_;
  std::vector<std::string> mounts_;
  std::string gluster_;  // the command line, in server 0's namespaces
  std::string why_not_;
};

}  // namespace sortwell::testing

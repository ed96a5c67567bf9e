#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace sortwell::testing {

// The README's ping-timeout, in seconds: how long a client waits for a
// server that stopped answering before it gives up on it.
inline constexpr int recipe_ping_timeout = 10;
// The longest a scan then waits for its outcome, as the README says: one
// call waits between one and three times the ping-timeout.
inline constexpr std::chrono::seconds recipe_longest_wait{30};

// A real GlusterFS volume as the README builds it, on a network of its own:
// three servers, each a glusterd in a network namespace of its own (with its
// own /run, /var/lib/glusterd and logs, through unshare -m), replica 3 with
// the third as arbiter, strict locks on, the client-side caches off and the
// recipe's ping-timeout; each station mounts it through FUSE with
// direct-io-mode=enable from a namespace of its own. Two bridges joined by
// one link: server 0 and station 0 on side A; servers 1 and 2 and every
// other station on side B. A test cuts a node's cable or the link between
// the sides; nothing answers across a cut, as a pulled cable.
//
// Every process of its namespaces is ended, then the namespaces, when the
// object goes; those a crashed run left are ended when the next one starts.
// Needs root, FUSE, iproute2 and the glusterfs-server and glusterfs-client
// packages; `why_not()` says what is missing, for a test to skip with.
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

  // Pulls (or plugs back) the cable of a server, or of a station, or the
  // link between the two sides.
  bool cut_server(int server, bool cut = true) { return set_link("s" + std::to_string(server), cut); }
  bool cut_station(int station, bool cut = true) { return set_link("c" + std::to_string(station), cut); }
  bool cut_between_sides(bool cut = true) { return set_link("sides", cut); }
  // Waits until self-heal has nothing left to mend, up to `within`; the
  // entries in split brain then, -1 when that cannot be told.
  int split_brain_after_heal(std::chrono::seconds within);

 private:
  bool gluster(const std::string& arguments) const;
  std::string gluster_output(const std::string& arguments) const;
  bool set_link(const std::string& node, bool cut);
  // The clients connected to the brick, as its server counts them; -1 while it is offline.
  int clients(int brick) const;

  TempDir dir_;
  std::string prefix_;  // of every namespace's name
  std::string name_;
  std::vector<std::string> namespaces_;
  std::vector<std::string> bricks_;
  std::vector<std::string> mounts_;
  int glusterd_ = -1;  // server 0's, whose namespaces the command line enters
  std::string why_not_;
};

}  // namespace sortwell::testing

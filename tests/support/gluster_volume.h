#pragma once

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace sortwell::testing {

// A real GlusterFS volume as the README builds it, replica 3 with an
// arbiter, its three bricks on this machine, strict locks on and the
// client-side caches off, mounted `mounts` times through FUSE with
// direct-io-mode=enable: one mount per station. glusterd is started when it
// is not running and stopped again if this started it. Needs root, FUSE and
// the glusterfs-server and glusterfs-client packages; `why_not()` says what
// is missing, for a test to skip with.
class GlusterVolume {
 public:
  explicit GlusterVolume(int mounts);
  ~GlusterVolume();
  GlusterVolume(const GlusterVolume&) = delete;
  GlusterVolume& operator=(const GlusterVolume&) = delete;

  bool ready() const { return why_not_.empty(); }
  const std::string& why_not() const { return why_not_; }
  // The folder a station sorts into, on mount `station`.
  std::string folder(int station) const { return mounts_.at(static_cast<std::size_t>(station)) + "/coupons"; }

  // Kills one brick's server process, as a crashed replica (2 is the arbiter).
  bool kill_brick(int brick);
  // Kills the brick's server and starts it again, as an upgrade or a reboot
  // of its server does, and waits until every client is back on it.
  bool restart_brick(int brick);
  bool stop();
  bool start();

 private:
  bool gluster(const std::string& arguments) const;
  // The clients connected to the brick, as its server counts them; -1 while it is offline.
  int clients(int brick) const;
  TempDir dir_;
  std::string name_;
  std::vector<std::string> bricks_;
  std::vector<std::string> mounts_;
  bool started_glusterd_ = false;
  bool created_ = false;
  std::string why_not_;
};

}  // namespace sortwell::testing

// The record protocol over an in-memory file system that stands in for the
// platform's primitives (this file defines them, so the platform's are not
// linked). Before every primitive call another copy of the program may act,
// as it may between any two system calls: but only as the real one could,
// on a file nobody holds.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "platform/record_files.h"
#include "records/record_file.h"
#include "session/coupon_lookup.h"
#include "support/test_program.h"

namespace sortwell {
namespace {

struct Node {
  std::string data;
  bool held = false;          // locked by this copy
  bool held_elsewhere = false;  // locked by the other copy
};

struct FakeFolder {
  std::map<std::string, int> names;  // path -> node
  std::map<int, Node> nodes;
  int next = 1;
  int calls = 0;
  std::function<void()> before_call_number;  // the other copy's move
  int move_at = -1;
  std::map<std::string, FileResult> faults;  // primitive -> how it fails

  void call() {
    if (calls++ == move_at && before_call_number) before_call_number();
  }
  int make(const std::string& path, std::string data) {
    nodes[next] = Node{std::move(data)};
    names[path] = next;
    return next++;
  }
  const FileResult* fault(const std::string& primitive) const {
    const auto it = faults.find(primitive);
    return it == faults.end() ? nullptr : &it->second;
  }
  bool unheld(const std::string& path) const {
    const auto it = names.find(path);
    return it != names.end() && !nodes.at(it->second).held && !nodes.at(it->second).held_elsewhere;
  }
};
FakeFolder folder;

Node& node_of(const OpenFile& file) { return folder.nodes.at(static_cast<int>(file.handle)); }

}  // namespace

const FileNaming& file_naming() {
  static constexpr FileNaming naming{"/", false, 255, false};
  return naming;
}
bool code_fits_file_name(std::string_view code) { return code.find('/') == std::string_view::npos; }

FileResult failure_of(int) { return {FileStatus::failed, FileCause::other}; }
FileResult open_file(const std::string& path, OpenMode mode, OpenFile& file) {
  folder.call();
  // A file that may only be read is opened all the same.
  const FileResult* fault = folder.fault(mode == OpenMode::create ? "create" : "open");
  if (fault && fault->status != FileStatus::read_only) return *fault;
  auto it = folder.names.find(path);
  if (it == folder.names.end()) {
    if (mode == OpenMode::existing) return {FileStatus::missing};
    folder.make(path, "");
    it = folder.names.find(path);
  }
  file = {it->second, fault == nullptr, {1, static_cast<std::uint64_t>(it->second)}};
  return fault ? *fault : FileResult{};
}
FileResult lock_file(const OpenFile& file) {
  folder.call();
  if (const FileResult* fault = folder.fault("lock")) return *fault;
  if (node_of(file).held_elsewhere) return {FileStatus::in_use};
  node_of(file).held = true;
  return {};
}
bool still_named(const OpenFile& file, const std::string& path) {
  folder.call();
  const auto it = folder.names.find(path);
  return it != folder.names.end() && it->second == file.handle;
}
FileResult read_at(const OpenFile& file, std::size_t, char* buffer, std::size_t size, std::size_t& got) {
  folder.call();
  const std::string& data = node_of(file).data;
  got = std::min(size, data.size());
  data.copy(buffer, got);
  return {};
}
FileResult write_at(const OpenFile& file, std::size_t offset, std::string_view bytes) {
  folder.call();
  if (const FileResult* fault = folder.fault("write")) return *fault;
  std::string& data = node_of(file).data;
  if (data.size() < offset + bytes.size()) data.resize(offset + bytes.size());
  data.replace(offset, bytes.size(), bytes);
  return {};
}
FileResult truncate_file(const OpenFile& file) {
  folder.call();
  node_of(file).data.clear();
  return {};
}
FileResult flush_data(const OpenFile&) {
  folder.call();
  return {};
}
FileResult move_without_replacing(const OpenFile&, const std::string& from, const std::string& to) {
  folder.call();
  if (folder.names.contains(to)) return {FileStatus::exists};
  folder.names[to] = folder.names.at(from);
  folder.names.erase(from);
  return {};
}
FileResult delete_while_held(const OpenFile& file, const std::string& path) {
  folder.call();
  const auto it = folder.names.find(path);
  if (it == folder.names.end() || it->second != file.handle) return {FileStatus::failed, FileCause::other};
  folder.names.erase(it);
  return {};
}
FileResult flush_folder_entry(const OpenFile&, const std::string&) {
  folder.call();
  return {};
}
void close_file(OpenFile& file) {
  folder.call();
  if (file.is_open()) node_of(file).held = false;
  file = {};
}

namespace {

const std::string path = "/data/4711.cou";
const std::string twin = "/data/.4711.co";

// What another copy can do to the folder, each only on a file nobody holds.
struct OtherCopy {
  const char* name;
  std::function<void()> act;
  std::function<void()> setup = [] {};
};
const OtherCopy other_copies[] = {
    {"removes the record", [] { if (folder.unheld(path)) folder.names.erase(path); }},
    {"publishes its own record", [] {
       if (!folder.names.contains(path)) folder.make(path, "theirs");
     }},
    {"replaces the record with a new file", [] {
       if (folder.unheld(path)) folder.make(path, "theirs");
     }},
    {"locks the record", [] { if (folder.unheld(path)) folder.nodes.at(folder.names.at(path)).held_elsewhere = true; }},
    {"locks its twin", [] {
       if (!folder.names.contains(twin)) folder.make(twin, "");
       if (folder.unheld(twin)) folder.nodes.at(folder.names.at(twin)).held_elsewhere = true;
     }},
    {"leaves a twin behind", [] { if (!folder.names.contains(twin)) folder.make(twin, "leftover"); }},
    {"renames the twin it holds into place and lets go",
     [] {
       Node& theirs = folder.nodes.at(1);
       if (theirs.held_elsewhere && folder.names.contains(twin) && !folder.names.contains(path)) {
         folder.names[path] = folder.names.at(twin);
         folder.names.erase(twin);
         theirs.held_elsewhere = false;
       }
     },
     [] { folder.nodes.at(folder.make(twin, "theirs")).held_elsewhere = true; }},
};

// Runs `operation` with the other copy acting before call number `at`.
template <typename Operation>
void run_with(const OtherCopy& other, int at, Operation operation) {
  folder = FakeFolder{};
  folder.move_at = at;
  folder.before_call_number = other.act;
  other.setup();
  operation();
}

std::string at_path() {
  const auto it = folder.names.find(path);
  return it == folder.names.end() ? "<none>" : folder.nodes.at(it->second).data;
}

TEST(RecordProtocol, ALockedRecordIsTheOneAtItsPathWhateverAnotherCopyDoes) {
  for (const OtherCopy& other : other_copies) {
    for (int at = 0; at < 12; ++at) {
      SCOPED_TRACE(std::string(other.name) + " before call " + std::to_string(at));
      // Counting a known coupon: open, then a write into what was opened.
      run_with(other, at, [&] {
        folder.make(path, "ours");
        RecordFile file;
        const FileStatus status = file.open(path).status;
        if (status == FileStatus::ok) {
          ASSERT_TRUE(file.write_at(0, "OURS"));
          // Whatever the other copy did before the lock, the write went to the record.
          EXPECT_EQ(folder.names.at(path), static_cast<int>(file.identity().file));
          EXPECT_EQ(at_path().substr(0, 4), "OURS");
        } else {
          EXPECT_TRUE(status == FileStatus::missing || status == FileStatus::in_use) << static_cast<int>(status);
          if (status == FileStatus::in_use) {
            EXPECT_NE(at_path().substr(0, 4), "OURS");
          }
        }
      });
      // Creating a new coupon: a twin, then publishing it.
      run_with(other, at, [&] {
        RecordFile file;
        const FileStatus created = file.create(path, "placeholder").status;
        if (created == FileStatus::in_use) return;  // the other copy is creating it
        if (created == FileStatus::exists) {
          // Published while this copy waited for the twin: theirs, untouched.
          EXPECT_EQ(at_path(), "theirs");
          return;
        }
        ASSERT_EQ(created, FileStatus::ok);
        ASSERT_TRUE(file.write_at(0, "mine"));
        const bool published = file.publish().ok();
        file.close();
        if (published) {
          EXPECT_EQ(at_path().substr(0, 4), "mine");
        } else {
          // Another copy's record is never replaced.
          EXPECT_EQ(at_path(), "theirs");
        }
        EXPECT_FALSE(folder.names.contains(twin) && folder.nodes.at(folder.names.at(twin)).data.starts_with("mine"))
            << "a twin of ours was left behind";
      });
      // Removing: only the file held, and only while held.
      run_with(other, at, [&] {
        folder.make(path, "ours");
        RecordFile file;
        if (!file.open(path)) return;
        const bool removed = file.remove().ok();
        EXPECT_TRUE(removed);
        EXPECT_NE(at_path(), "ours");
      });
    }
  }
}

// Each way a file can fail, made at the primitives, is heard with its reason.
TEST(Failures, AreToldWithTheirReason) {
  const char* const unreachable = "I cannot reach the coupon folder, so I cannot save this coupon.";
  const struct {
    const char* primitive;
    FileResult fault;
    const char* code;  // 4711 is known, 9999 new
    const char* sentence;
  } cases[] = {
      {"write", {FileStatus::failed, FileCause::disk_full, 28}, "4711", "The disk is full, so I cannot save this coupon."},
      {"open", {FileStatus::read_only, FileCause::not_allowed, 13}, "4711",
       "I am not allowed to change this coupon's file, so I cannot save it."},
      {"create", {FileStatus::failed, FileCause::read_only_folder, 30}, "9999",
       "The coupon folder is read-only, so I cannot save this coupon."},
      {"open", {FileStatus::not_a_record, FileCause::bad_name, 36}, "9999",
       "This code cannot name a file, so I cannot save this coupon."},
      {"write", {FileStatus::failed, FileCause::unreachable, 77}, "4711", unreachable},
      {"lock", {FileStatus::in_use}, "4711", "This coupon is open in another Sortwell."},
      {"lock", {FileStatus::cannot_lock, FileCause::other, 37}, "9999",
       "I cannot lock coupons in their folder, so I cannot save them."},
      {"write", {FileStatus::failed, FileCause::other, 5}, "9999", "I cannot save this coupon."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.primitive) + " " + c.sentence);
    folder = FakeFolder{};
    testing::TestProgram t("\r");
    folder.make(record_path(t.data_dir, "4711"), std::string(275, 'x'));
    folder.faults[c.primitive] = c.fault;
    const CategoryTable categories = build_category_table();
    std::uint8_t position = 0;
    LastEntry last;
    const LookupContext context{t.console, t.voice, categories, position, t.data_dir, false, false, {}, {}};
    EXPECT_EQ(look_up_coupon(context, c.code, last).sentence, c.sentence);
    EXPECT_NE(t.screen.text().find(c.sentence), std::string::npos);
  }
}

}  // namespace
}  // namespace sortwell

// The record protocol over an in-memory file system that stands in for the
// platform's primitives (this file defines them, so the platform's are not
// linked). Before every primitive call another copy of the program may act,
// as it may between any two system calls: but only as the real one could,
// on a file nobody holds. A call may also be held, as by a network folder
// that stopped answering.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <algorithm>
#include <map>
#include <optional>
#include <tuple>

#include "platform/ending.h"
#include "platform/record_directory.h"
#include "platform/record_files.h"
#include "records/coupon_file.h"
#include "records/record_file.h"
#include "session/commands.h"
#include "session/coupon_lookup.h"
#include "session/failures.h"
#include "support/held_call.h"
#include "support/test_program.h"

namespace sortwell {
namespace {

testing::HeldCall* held = nullptr;  // a call the folder does not answer yet

struct Node {
  std::string data;
  std::string durable;  // what a crash leaves: the data as last flushed
  bool dirty = false;   // written since
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
  // Call number `fail_at` fails, EIO-like, as a server that restarted: the
  // handles open (`epoch` tells them) are dead and their locks lost; the
  // other copy acts before the next call. So do the next write or flush,
  // or every later one (the disk stopped writing), or every later call.
  // Where the handles live, and their locks: a full disk fails once, or
  // twice (the call and the next write or flush); a disk's EIO fails once,
  // a write failing so having written all but its last byte where torn;
  // a disk that fills fails every later flush, and every later write
  // stops a byte short; then the other copy tries before every later call.
  enum class Lasting { once, twice, writes, all, full, full_twice, eio, eio_torn, filled } lasting = Lasting::once;
  int fail_at = -1;
  int epoch = 0;
  bool torn = false;  // the write failing now writes all but its last byte

  std::optional<FileResult> call(std::string_view primitive = {}, const OpenFile* file = nullptr) {
    const int number = calls++;
    if (auto failed = held ? held->pass(primitive) : std::nullopt) return failed;
    if ((number == move_at || (lasting >= Lasting::full && move_at >= 0 && number > move_at)) && before_call_number) {
      before_call_number();
    }
    const bool writes = primitive == "write" || primitive == "flush";
    if (fail_at >= 0 && lasting >= Lasting::full) return live_handles_fail(number, primitive, writes);
    bool fails = number == fail_at || (file != nullptr && file->handle / 1000 != epoch);
    if (number == fail_at) {
      for (auto& [id, node] : nodes) node.held = false;
      ++epoch;
      move_at = calls;
    } else if (fail_at >= 0 && number > fail_at) {
      fails = fails || lasting == Lasting::all || (writes && (lasting == Lasting::twice || lasting == Lasting::writes));
      if (writes && lasting == Lasting::twice) lasting = Lasting::once;
    }
    return fails ? std::optional(FileResult{FileStatus::failed, FileCause::unreachable, 5}) : std::nullopt;
  }
  std::optional<FileResult> live_handles_fail(int number, std::string_view primitive, bool writes) {
    const FileResult full{FileStatus::failed, FileCause::disk_full, 28};
    if (number == fail_at) move_at = calls;
    torn = primitive == "write" && (lasting == Lasting::filled || lasting == Lasting::eio_torn) &&
           (number == fail_at || (number > fail_at && lasting == Lasting::filled));
    if (lasting == Lasting::filled) return writes && number >= fail_at ? std::optional(full) : std::nullopt;
    const FileResult eio{FileStatus::failed, FileCause::unreachable, 5};
    if (number == fail_at) return lasting >= Lasting::eio ? eio : full;
    if (number < fail_at || !writes || lasting != Lasting::full_twice) return std::nullopt;
    lasting = Lasting::full;
    return full;
  }
  int make(const std::string& path, std::string data) {
    nodes[next] = Node{data, data};
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

int node_id(const OpenFile& file) { return static_cast<int>(file.handle % 1000); }
Node& node_of(const OpenFile& file) { return folder.nodes.at(node_id(file)); }

}  // namespace

const FileNaming& file_naming() {
  static constexpr FileNaming naming{"/", false, 255, false};
  return naming;
}
bool code_fits_file_name(std::string_view code) { return code.find('/') == std::string_view::npos; }

FileResult failure_of(int) { return {FileStatus::failed, FileCause::other}; }
FileResult open_file(const std::string& path, OpenMode mode, OpenFile& file) {
  if (const auto failed = folder.call("open")) return *failed;
  // A file that may only be read is opened all the same.
  const FileResult* fault = folder.fault(mode == OpenMode::create ? "create" : "open");
  if (fault && fault->status != FileStatus::read_only) return *fault;
  auto it = folder.names.find(path);
  if (it == folder.names.end()) {
    if (mode == OpenMode::existing) return {FileStatus::missing};
    folder.make(path, "");
    it = folder.names.find(path);
  }
  file = {it->second + 1000 * folder.epoch, fault == nullptr, {1, static_cast<std::uint64_t>(it->second)}};
  return fault ? *fault : FileResult{};
}
FileResult lock_file(const OpenFile& file) {
  if (const auto failed = folder.call("lock", &file)) return *failed;
  if (const FileResult* fault = folder.fault("lock")) return *fault;
  if (node_of(file).held_elsewhere) return {FileStatus::in_use};
  node_of(file).held = true;
  return {};
}
bool still_named(const OpenFile& file, const std::string& path) {
  if (folder.call("named")) return false;
  const auto it = folder.names.find(path);
  return it != folder.names.end() && it->second == node_id(file);
}
FileResult read_at(const OpenFile& file, std::size_t, char* buffer, std::size_t size, std::size_t& got) {
  if (const auto failed = folder.call("read", &file)) return *failed;
  const std::string& data = node_of(file).data;
  got = std::min(size, data.size());
  data.copy(buffer, got);
  return {};
}
FileResult write_at(const OpenFile& file, std::size_t offset, std::string_view bytes) {
  const auto failed = folder.call("write", &file);
  if (failed && !folder.torn) return *failed;
  if (const FileResult* fault = folder.fault("write")) return *fault;
  if (failed) bytes.remove_suffix(1);
  node_of(file).dirty = true;
  std::string& data = node_of(file).data;
  if (data.size() < offset + bytes.size()) data.resize(offset + bytes.size());
  data.replace(offset, bytes.size(), bytes);
  return failed.value_or(FileResult{});
}
FileResult truncate_file(const OpenFile& file) {
  if (const auto failed = folder.call("truncate", &file)) return *failed;
  node_of(file).data.clear();
  node_of(file).dirty = true;
  return {};
}
FileResult flush_data(const OpenFile& file) {
  Node& node = node_of(file);
  // As Linux may do: a failed flush leaves the pages marked clean, so a
  // second flush alone does not write them.
  const auto failed = folder.call("flush", &file);
  if (!failed && node.dirty) node.durable = node.data;
  node.dirty = false;
  return failed.value_or(FileResult{});
}
FileResult move_without_replacing(const OpenFile&, const std::string& from, const std::string& to) {
  if (const auto failed = folder.call("move")) return *failed;
  if (folder.names.contains(to)) return {FileStatus::exists};
  folder.names[to] = folder.names.at(from);
  folder.names.erase(from);
  return {};
}
FileResult delete_while_held(const OpenFile& file, const std::string& path) {
  if (const auto failed = folder.call("delete")) return *failed;
  const auto it = folder.names.find(path);
  if (it == folder.names.end() || it->second != node_id(file)) return {FileStatus::failed, FileCause::other};
  folder.names.erase(it);
  return {};
}
FileResult flush_folder_entry(const OpenFile&, const std::string&) {
  return folder.call("flush folder").value_or(FileResult{});
}
void close_file(OpenFile& file) {
  folder.call();
  if (file.is_open()) node_of(file).held = false;
  file = {};
}

// The folder's listing: one call, then each record as it is.
bool read_folder(const std::string& dir, std::size_t head, const std::function<bool(std::string_view name)>& wanted,
                 const std::function<void(const StoredFile&)>& each, std::string& error) {
  if (const auto failed = folder.call("list")) {
    error = "unreachable";
    return false;
  }
  for (const auto& [path, node] : folder.names) {
    const std::string name = path.substr(path.rfind('/') + 1);
    if (path != dir + "/" + name || !wanted(name)) continue;
    const std::string& data = folder.nodes.at(node).data;
    each({name, true, data.size(), data.substr(0, head), {}});
  }
  return true;
}
std::optional<std::chrono::seconds> time_since_written(const std::string&, const std::string&) { return std::nullopt; }

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

// 4711 made by Acme, counted `quantity` times.
void make_known(const std::string& at, const std::string& quantity) {
  CouponRecord known = new_record("4711");
  known.manufacturer = "Acme", known.quantity = quantity;
  folder.make(at, pack_record(known));
}

// Every primitive call in turn fails as FakeFolder::fail_at tells, over a
// count of 4711 (49 before), the creation of 9999 (in ghost mode, and
// counted), an edit of 4711 (counted, then its maker changed) and `x` of
// 4711, with the other copy acting or not. What is heard is true of what
// the folder holds: a count heard is there and durable, a record told
// removed is gone, one told not saved holds what it held or what the other
// copy made of it, one told unknown is gone; a new record in place is the
// last entry. Only "I do not know" and "I cannot read" may go either way.
TEST(Failures, WhatIsHeardIsWhatTheFolderHolds) {
  // The other copy's moves, on files nobody holds, as a station makes
  // them: on what the file holds; what it writes is durable.
  const auto unheld = [](const std::string& name) { return folder.unheld("/d/" + name) ? folder.names.at("/d/" + name) : 0; };
  const auto write = [](int node, const std::function<std::string(double)>& quantity) {
    CouponRecord theirs = load_record(folder.nodes.at(node).data);
    theirs.quantity = quantity(quantity_count(theirs));
    folder.nodes.at(node).data = folder.nodes.at(node).durable = pack_record(theirs);
  };
  const auto plus_one = [](double count) { return quantity_digits(count + 1); };
  bool counted = false;  // once
  const std::function<void()> counts = [&] {
    if (const int n = unheld("4711.cou"); n && !std::exchange(counted, true)) write(n, plus_one);
  };
  const std::function<void()> removes = [&] { if (unheld("4711.cou")) folder.names.erase("/d/4711.cou"); };
  const std::function<void()> publishes_twin = [&] {
    const int n = unheld(".9999.co");
    if (n == 0 || folder.names.contains("/d/9999.cou")) return;
    write(n, [](double) { return "00000007"; });
    folder.names.erase("/d/.9999.co");
    folder.names["/d/9999.cou"] = n;
  };
  const struct {
    std::string act;
    std::function<void()> other;
    std::vector<std::string> before;  // what the record may hold unless told done
    std::vector<std::string> heard;   // each at one call at least
  } cases[] = {
      {"4711", nullptr, {"00000049"}, {"Acme offers  quantity  50", not_put_back}},
      {"4711", counts, {"00000049", "00000050"}, {changed_elsewhere, changed_unknown}},
      {"4711", removes, {"00000049", "<none>"}, {changed_elsewhere}},
      {"9999", nullptr, {"<none>"}, {" offers  quantity  0"}},
      {"9999", publishes_twin, {"<none>", "00000007"}, {saved_elsewhere}},
      {"9999+", nullptr, {"<none>"}, {" offers  quantity  1", "The new coupon is saved"}},
      {"edit", nullptr, {"00000049", "00000050"}, {"ok", "The disk is full, so I cannot save this coupon."}},
      {"edit", counts, {"00000049", "00000050", "00000051"}, {"ok", changed_elsewhere}},
      {"x", nullptr, {"00000049"}, {"I am removing your last entry", "I cannot remove your last entry: "}},
  };
  using Lasting = FakeFolder::Lasting;
  for (const auto& c : cases) {
    std::string heard;
    for (const Lasting lasting : {Lasting::once, Lasting::twice, Lasting::writes, Lasting::all, Lasting::full,
                                  Lasting::full_twice, Lasting::eio, Lasting::eio_torn, Lasting::filled}) {
      for (int n = 0;; ++n) {
        SCOPED_TRACE(c.act + " failing at call " + std::to_string(n) + " in mode " + std::to_string(int(lasting)));
        folder = FakeFolder{};
        counted = false;
        testing::TestProgram t(c.act == "edit" ? "5a1Bcme\r\r" : "\r");
        t.data_dir = "/d";
        make_known("/d/4711.cou", "00000049");
        std::tie(folder.fail_at, folder.lasting, folder.before_call_number) = std::tuple(n, lasting, c.other);
        LastEntry last{"/d/4711.cou", {1, 1}};
        const CategoryTable categories = build_category_table();
        std::uint8_t position = 0;
        const LookupContext context{
            t.console, t.voice, categories, position, t.data_dir, c.act == "9999", c.act == "edit", {}, {}};
        const std::string code = c.act == "edit" ? "4711" : c.act.substr(0, 4);
        const std::string told = c.act == "x" ? remove_last_entry(t.console, t.voice, last)
                                              : look_up_coupon(context, code, last).sentence;
        if (folder.calls <= n) break;  // no call failed: every one has
        heard += told + "\n";
        const std::string at = c.act[0] == '9' ? "/d/9999.cou" : "/d/4711.cou";
        const Node* node = folder.names.contains(at) ? &folder.nodes.at(folder.names.at(at)) : nullptr;
        const CouponRecord in_file = node ? load_record(node->data) : CouponRecord{};
        const std::string held = node ? quantity_digits(quantity_count(in_file)) : "<none>";
        // All heard in the run (a count in the editor is told at once): what
        // may leave the file undurable, and the counts it was told to hold.
        std::string all = "\n" + told + "\n";
        for (const std::string& s : t.voice.sentences) all += s + "\n";
        const auto says = [&](const char* what) { return all.find(what) != std::string::npos; };
        const bool unknown = says(saved_unknown) || says(cannot_read);
        std::vector<std::string> may_hold = c.before;
        for (std::size_t at = all.find("It now holds"); at != std::string::npos; at = all.find("It now", at + 1)) {
          may_hold.push_back(quantity_digits(std::stod(all.substr(at + 22))));
        }
        const bool undurable = unknown || says(kept_unconfirmed) || says(not_put_back);
        EXPECT_TRUE(!node || undurable || node->durable == node->data) << told;
        // A new record in place, ours, is the last entry, whatever is heard.
        if (c.act == "9999+" && node && held != "00000007") {
          EXPECT_EQ(last.path, at) << told;
        }
        if (const std::size_t count = told.find(" quantity "); count != std::string::npos) {
          EXPECT_EQ(held, quantity_digits(std::stod(told.substr(count + 10)))) << told;
        } else if (told == "ok") {
          // The file is the menu last shown, its maker saved; a count told
          // unsaved stays unsaved, so that a second try counts once.
          const std::string text = t.screen.text();
          EXPECT_EQ(held, text.substr(text.rfind("5) Q = ") + 7, 8));
          EXPECT_EQ(in_file.manufacturer, "Bcme");
          const bool told_unsaved = says(("\n" + std::string(disk_full) + "\n").c_str()) ||
                                    says(("\n" + std::string(unreachable) + "\n").c_str());
          EXPECT_TRUE(!told_unsaved || held == "00000049") << held;
        } else if (told.starts_with("I am removing") || told.starts_with("No prior entry known")) {
          EXPECT_EQ(held, "<none>");
        } else if (told.starts_with("I cannot remove")) {
          EXPECT_EQ(last.path, at) << "the entry is still known";
          EXPECT_NE(told, std::string(cannot_remove)) << "told with its reason, as the open's or the removal's";
        } else if (told.starts_with("The new coupon is saved")) {
          EXPECT_NE(held, "<none>");
          EXPECT_TRUE(told.find("Scan it again") == std::string::npos || held == "00000000") << told << held;
        } else if (told == kept_unconfirmed) {
          // What was written is there: the maker saved, or a count not held before.
          EXPECT_TRUE(c.act == "edit" ? in_file.manufacturer == "Bcme" : !std::ranges::count(c.before, held)) << held;
        } else if (!unknown) {
          EXPECT_TRUE(std::ranges::count(may_hold, held)) << told << ": " << held;
          EXPECT_TRUE(c.act != "edit" || !node || in_file.manufacturer == "Acme") << told;
        }
      }
    }
    for (const std::string& sentence : c.heard) EXPECT_NE(heard.find(sentence), std::string::npos) << c.act << sentence;
  }
}

using Sentences = std::vector<std::string>;

// 4711 known, counted 41 times, in a session whose folder holds one call.
void run_holding(testing::TestProgram& t, testing::HeldCall& call) {
  folder = FakeFolder{};
  make_known(record_path(t.data_dir, "4711"), "00000041");
  t.settings_path.clear();  // the settings file's calls are the stand-in's too
  call.clock = &t.clock;
  held = &call;
  t.run();
  held = nullptr;
}

// A scan, an edit, x and t whose call the folder holds: within the patience
// the user hears that it does not answer yet, once, and nothing else until
// the outcome, which is told as ever. Keys typed meanwhile are taken after.
TEST(UnansweredFolder, IsToldAtOnceAndThenTheOutcomeAsEver) {
  const std::string removing = "I am removing your last entry as requested.";
  const struct {
    const char* script;
    const char* primitive;
    int occurrence;  // the lock check at start-up opens and deletes once
    std::optional<FileResult> released_as;
    Sentences after;  // what is heard right after it
    const char* then = "";  // held too, after it
  } cases[] = {
      {"4711\r4711\r\r", "write", 1, {}, {"Acme offers  quantity  42", "Acme offers  quantity  43"}, "flush"},
      {"4711\r\r", "open", 2, FileResult{FileStatus::failed, FileCause::unreachable, 107}, {unreachable}},
      {"9999\r\r\r", "move", 1, {}, {" offers  quantity  1"}},
      {"4711\rx\r\r", "delete", 2, {}, {removing, removing}},
      {"t\r\r", "list", 1, {}, {"41 coupons of 1 code in 0 bins, worth 0 cents."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    testing::TestProgram t(c.script);
    testing::HeldCall call{c.primitive, c.occurrence, c.released_as, c.then};
    t.voice.on_say = [&](const std::string& sentence) {
      if (sentence == folder_slow) call.release();
    };
    run_holding(t, call);
    const Sentences& heard = t.voice.sentences;
    EXPECT_EQ(std::count(heard.begin(), heard.end(), folder_slow), 1);
    const auto slow = std::find(heard.begin(), heard.end(), folder_slow);
    ASSERT_LE(slow + 1 + c.after.size(), heard.end());
    EXPECT_EQ(Sentences(slow + 1, slow + 1 + c.after.size()), c.after);
    const std::string shown = t.screen.text();
    EXPECT_EQ(shown.find(folder_slow), shown.rfind(folder_slow));
    EXPECT_NE(shown.find(folder_slow), std::string::npos);
  }
}

// Told to end while the folder holds a call (a count, the totals), the
// program ends at once: nothing more is said or counted, the terminal is
// given back, and the call is left to its task.
TEST(UnansweredFolderDeathTest, EndsTheProgramAtOnceWithoutAnotherWord) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const char* primitive : {"write", "list"}) {
    SCOPED_TRACE(primitive);
    EXPECT_EXIT(
        {
          static testing::TestProgram t(std::string(primitive) == "list" ? "t\r" : "4711\r");
          testing::HeldCall call{primitive};
          // Its temporary folder goes with the program, which ends without destructors.
          at_end_now([] {
            std::filesystem::remove_all(t.data.path());
            std::fputs("terminal given back\n", stderr);
          });
          t.voice.on_say = [](const std::string& sentence) {
            std::fprintf(stderr, "%s\n", sentence.c_str());
            if (sentence == folder_slow) tell_to_end();
          };
          run_holding(t, call);
          std::exit(1);
        },
        ::testing::ExitedWithCode(0), "does not answer yet\\. I keep trying\\.\nterminal given back\n$");
  }
}

}  // namespace
}  // namespace sortwell

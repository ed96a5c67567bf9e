#include "records/record_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "common/codepage.h"

namespace sortwell {
namespace {

constexpr std::string_view record_suffix = ".cou";

int open_locked(const std::string& path, int flags) {
  const int fd = open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return -1;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int lock_error = errno;
    close(fd);
    errno = lock_error;
    return -1;
  }
  return fd;
}

void write_at(int fd, std::string_view bytes, std::size_t offset) {
  if (fd < 0) return;
  ssize_t n;
  do {
    n = pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
  } while (n < 0 && errno == EINTR);
}

}  // namespace

std::string record_path(const std::string& data_dir, std::string_view code) {
  const Codepage& codepage = Codepage::windows_1252();
  if (data_dir.empty()) return {};
  for (char c : code) {
    if (c == '/' || c == '\0' || !codepage.defines(static_cast<unsigned char>(c))) return {};
  }
  std::string name = codepage.to_utf8(code);
  name += record_suffix;
  if (name.size() > NAME_MAX) return {};
  return data_dir + "/" + name;
}

bool record_file_exists(const std::string& path) {
  struct stat status {};
  return !path.empty() && lstat(path.c_str(), &status) == 0;
}

void delete_record_file(const std::string& path) {
  if (!path.empty()) unlink(path.c_str());
}

void RecordStore::open_record_file(const std::string& path) {
  close_record_file();
  if (path.empty()) return;
  fd_ = open_locked(path, O_RDWR | O_CREAT);
  // A file we may not write is still read; one locked by another copy is not.
  if (fd_ < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) fd_ = open_locked(path, O_RDONLY);
}

std::string RecordStore::read_record_image() const {
  std::string image(record_image_size + 1, '\0');
  std::size_t got = 0;
  while (fd_ >= 0 && got < image.size()) {
    const ssize_t n = pread(fd_, image.data() + got, image.size() - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  image.resize(got);
  return image;
}

void RecordStore::new_record(std::string_view code) {
  current_ = CouponRecord{};
  current_.code = code;
}

void RecordStore::load_record(std::string_view image) { current_ = unpack_record(image); }

void RecordStore::save_record() {
  const std::string image = pack_record(current_);
  current_ = CouponRecord{};
  write_at(fd_, image, 0);
}

void RecordStore::write_quantity(double count) {
  current_.quantity = quantity_digits(count);
  // Writing past the end leaves zero bytes in any gap before position 264.
  write_at(fd_, current_.quantity, quantity_offset);
}

void RecordStore::add_one_to_quantity() { write_quantity(quantity_count(current_) + 1); }

void RecordStore::remove_one_from_quantity() {
  const double count = quantity_count(current_) - 1;
  write_quantity(count < 0 ? 0 : count);
}

void RecordStore::reset_quantity() { write_quantity(0); }

void RecordStore::close_record_file() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

}  // namespace sortwell

#include "kxu/file_buffer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace kxu {

namespace {
constexpr size_t kHugePage = size_t(2) << 20;
} // namespace

std::optional<FileBuffer> FileBuffer::read(const std::string &path, size_t cap) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return std::nullopt;
  auto fail = [fd](int err) -> std::optional<FileBuffer> {
    close(fd);
    errno = err;
    return std::nullopt;
  };
  struct stat st{};
  if (fstat(fd, &st) != 0)
    return fail(errno);
  if (!S_ISREG(st.st_mode))
    return fail(EINVAL);
  if (size_t(st.st_size) > cap)
    return fail(EFBIG);
  size_t length = size_t(st.st_size);
  if (length == 0) {
    close(fd);
    return FileBuffer(nullptr, 0, 0);
  }
  // A block of a megabyte or more is made of whole huge pages where the
  // system allows: a few zeroed blocks instead of hundreds of small pages.
  bool huge = length >= kHugePage / 2;
  size_t mapped = huge ? (length + kHugePage - 1) / kHugePage * kHugePage : length;
  void *block = mmap(nullptr, mapped, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | (huge ? 0 : MAP_POPULATE), -1, 0);
  if (block == MAP_FAILED)
    return fail(errno);
  if (huge) {
    madvise(block, mapped, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    // Older kernels refuse the advice: the pages then come as they are read.
    madvise(block, mapped, MADV_POPULATE_WRITE);
#endif
  }
  FileBuffer out(block, mapped, 0);
  // Up to the size the file had when opened: a file that grows meanwhile is
  // taken as it was, one that shrinks as it is now.
  while (out.size_ < length) {
    ssize_t n = ::read(fd, static_cast<char *>(block) + out.size_, length - out.size_);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return fail(errno);
    if (n == 0)
      break;
    out.size_ += size_t(n);
  }
  close(fd);
  return out;
}

FileBuffer::FileBuffer(FileBuffer &&other) noexcept
    : block_(std::exchange(other.block_, nullptr)), mapped_(std::exchange(other.mapped_, 0)),
      size_(std::exchange(other.size_, 0)) {}

FileBuffer &FileBuffer::operator=(FileBuffer &&other) noexcept {
  if (this != &other) {
    release();
    block_ = std::exchange(other.block_, nullptr);
    mapped_ = std::exchange(other.mapped_, 0);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

FileBuffer::~FileBuffer() { release(); }

void FileBuffer::release() {
  if (block_)
    munmap(block_, mapped_);
  block_ = nullptr;
}

} // namespace kxu

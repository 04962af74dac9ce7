// A whole file read into one block of memory whose pages are made in one
// go, not one fault at a time as a growing buffer takes them: for large
// files read through once (a filter script of some megabytes). The file is
// copied, not mapped, so that one cut short meanwhile by another program
// only makes the text shorter.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kxu {

class FileBuffer {
public:
  // The regular file at `path`, if it has at most `cap` bytes; else nullopt
  // with errno saying why (EFBIG past the cap).
  static std::optional<FileBuffer> read(const std::string &path, size_t cap);

  FileBuffer(FileBuffer &&other) noexcept;
  FileBuffer &operator=(FileBuffer &&other) noexcept;
  FileBuffer(const FileBuffer &) = delete;
  FileBuffer &operator=(const FileBuffer &) = delete;
  ~FileBuffer();

  std::string_view text() const { return {static_cast<const char *>(block_), size_}; }

private:
  FileBuffer(void *block, size_t mapped, size_t size) : block_(block), mapped_(mapped), size_(size) {}
  void release();
  void *block_ = nullptr; // null for an empty file
  size_t mapped_ = 0;     // the block's length
  size_t size_ = 0;       // the bytes read
};

} // namespace kxu

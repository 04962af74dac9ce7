// Wire primitives: 32-bit ints in network order, length-prefixed buffers,
// strings and int arrays, over a non-blocking socket with bounded waits.
//
// Two families: the throwing one (ReadInt, ...) throws kx_unwind on any
// failure; the returning one (readint, ...) returns 1 on success, 0 on failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kxsys {

using Bytes = std::vector<uint8_t>;

// Caps on what a length read from the wire may make us hold.
inline constexpr int32_t kMaxBuffer = 64 * 1024 * 1024; // one buffer, one file set
inline constexpr int32_t kMaxString = 1024 * 1024;
inline constexpr int32_t kMaxListEntries = 65536;       // strings lists, kxlists

// Longest wait for a stalled read or write, in milliseconds, of each family.
// Tests shorten them.
extern int kx_io_wait_ms;      // throwing family, 25000
extern int kx_io_wait_ret_ms;  // returning family, 12000

// mode 1: wait until readable, mode 2: until writable, at most `milliseconds`.
// Returns > 0 when ready (for mode 1 the bytes waiting, at least 1, so that a
// closed peer shows in the next read), 0 on time-out, < 0 on a failed wait.
int WaitOnFd(int fd, int mode, int milliseconds);
// FIONREAD; throws on failure.
int BytesToRead(int fd);

// One connection's exchange in few system calls. While an object of this
// class lives on a thread, the primitives of both families that this thread
// uses on its descriptor collect what they write and send it in one piece
// just before the thread next reads from it (or on flush(), or when the
// object goes), and a read takes what the socket already holds in one go.
// Waits stay bounded as without it. The object must end before the
// descriptor is closed; bytes read ahead and not consumed are dropped then.
class kx_buffered_io {
public:
  explicit kx_buffered_io(int fd);
  ~kx_buffered_io(); // sends what is pending; a failure there is ignored
  kx_buffered_io(const kx_buffered_io &) = delete;
  kx_buffered_io &operator=(const kx_buffered_io &) = delete;
  // Sends what is pending; throws kx_unwind on failure.
  void flush();

  struct State;

private:
  std::unique_ptr<State> state_;
  State *outer_;
};

// Throwing family.
void _ReadBuf(int fd, void *dst, size_t len);
void _WriteBuf(int fd, const void *src, size_t len);
int32_t ReadInt(int fd);
void WriteInt(int fd, int32_t v);
// A zero length reads as nullopt ("got a zero len buffer"); a length above
// `cap` or below 0 throws.
std::optional<Bytes> ReadBuf(int fd, int32_t cap = kMaxBuffer);
void WriteBuf(int fd, const void *ptr, size_t len);
std::optional<std::string> ReadString(int fd);
void WriteString(int fd, const std::optional<std::string> &s);
std::vector<int32_t> ReadIntArray(int fd);
void WriteIntArray(int fd, const std::vector<int32_t> &ints);

// Returning family: 1 success, 0 failure.
int _readbuf(int fd, void *dst, size_t len);
int _writebuf(int fd, const void *src, size_t len);
int readint(int fd, int32_t &v);
int writeint(int fd, int32_t v);
int readbuf(int fd, Bytes &out, int32_t cap = kMaxBuffer);
int writebuf(int fd, const void *ptr, size_t len);
int readstring(int fd, std::string &out);
int writestring(int fd, const std::string &s);

void array_ntohl(int32_t *dst, const int32_t *src, size_t n);
void array_htonl(int32_t *dst, const int32_t *src, size_t n);

// Big-endian helpers for record layouts.
inline void put_be32(uint8_t *p, uint32_t v) {
  p[0] = uint8_t(v >> 24); p[1] = uint8_t(v >> 16); p[2] = uint8_t(v >> 8); p[3] = uint8_t(v);
}
inline uint32_t get_be32(const uint8_t *p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

} // namespace kxsys

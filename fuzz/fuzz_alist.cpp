// Arbitrary bytes to the argument-list receiver, as the daemon reads a
// request and as the client reads a reply. The first byte picks the command
// word and the direction; the rest arrives on a socket that then closes.
// Every outcome must be a value or kx_unwind: no crash, no stall, no
// allocation beyond what the bytes account for.
#include "kxsys/alist.h"
#include "kxsys/commands.h"
#include "kxsys/comm.h"
#include "kxsys/errors.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  using namespace kxsys;
  if (size < 1 || size > 150000)
    return 0;
  static const uint32_t words[] = {KXW_STAT, KXW_ESCAPE, KXW_TAB_STAT, KXW_GET_TAB_NAME, KXW_GET_LOGDOM,
                                   KXW_DB_DOWNLOAD, KXW_LOAD, KXW_FETCH, KXW_UNLOAD,
                                   al_word(1, {AL_KXLOAD, AL_SCOPELIST, AL_TABLIST, AL_IFLIST}),
                                   al_word(1, {AL_DOMLIST, AL_KXID, AL_FIXED, AL_INTARRAY}),
                                   al_word(1, {AL_BUFFER, AL_STRINGS, AL_LOADDB, AL_INFOARRAY})};
  constexpr size_t nwords = sizeof words / sizeof words[0];
  size_t pick = (data[0] >> 1) % nwords;
  uint32_t word = words[pick];
  bool reply = data[0] & 1;
  if (reply && pick >= 9) // the record words carry four in-fields: read them as replies
    word |= 0x82082000u;
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
    return 0;
  int big = 1 << 20;
  setsockopt(fds[0], SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
  fcntl(fds[1], F_SETFL, O_NONBLOCK);
  size_t done = 0;
  while (done < size - 1) {
    ssize_t n = write(fds[0], data + 1 + done, size - 1 - done);
    if (n <= 0)
      break;
    done += size_t(n);
  }
  close(fds[0]);
  kx_io_wait_ms = 100;
  kx_peer_version = data[0] & 0x80 ? 0x10000000 : KX_VERSION;
  try {
    AlValues v = reply ? al_getout(fds[1], word) : al_getin(fds[1], word);
    (void)v;
  } catch (const kx_unwind &) {
  }
  close(fds[1]);
  return 0;
}

#include "kxui/users/ndb.h"

#include "kxskey/atomic_write.h"
#include "kxu/report.h"
#include "kxui/users/ndb_blocks.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ndbi;

namespace ndbi {

bool check_handle(NDB *db) {
  if (!db) {
    error(0, 0, "ndb: database not opened");
    return false;
  }
  if (db->magic != NDB_MAGIC) {
    error(0, 0, "ndb : bad magic number !!");
    return false;
  }
  return true;
}

} // namespace ndbi

uint32_t ndb_hash(const std::string &key) {
  uint32_t h = 0;
  for (char c : key)
    h = ((h >> 3) ^ (h << 5)) + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c)));
  return h & 0xFFF;
}

namespace {

bool write_byte(int fd, off_t offset) {
  char zero = 0;
  return pwrite(fd, &zero, 1, offset) == 1;
}

// A header that the rest of the layer can trust: the capacity lies inside
// the file and the mapping, the used blocks inside the capacity.
bool header_sound(NDB *db, off_t file_size) {
  uint32_t cap = capacity(db), next = hdr(db, H_NEXT);
  return hdr(db, H_MAGIC) == NDB_MAGIC && cap >= 1 && cap <= NDB_MAX_BLOCKS &&
         NDB_TABLE_SIZE + size_t(cap) * NDB_BLOCK <= size_t(file_size) && next >= 1 &&
         next <= cap && link_of(header(db) + H_FREE) < next;
}

void free_handle(NDB *db) {
  if (db->map)
    munmap(db->map, NDB_MAP_SIZE);
  if (db->fd >= 0)
    close(db->fd);
  db->magic = 0;
  delete db;
}

// Payload bytes [offset, offset + out.size()) of the record at `head`.
bool read_payload(NDB *db, uint32_t head, size_t offset, char *out, size_t len) {
  uint32_t n = head, steps = 0, cap = capacity(db);
  size_t pos = 0; // payload offset where block n starts
  size_t room = NDB_HEAD_PAYLOAD, skip = R_PAYLOAD;
  while (len > 0) {
    if (!valid_block(db, n) || ++steps > cap)
      return false;
    const unsigned char *b = block(db, n);
    if (offset < pos + room) {
      size_t from = offset - pos, take = std::min(room - from, len);
      std::memcpy(out, b + skip + from, take);
      out += take;
      offset += take;
      len -= take;
    }
    pos += room;
    room = NDB_NEXT_PAYLOAD;
    skip = 3;
    if (len > 0)
      n = link_of(b);
  }
  return true;
}

uint32_t allocate(NDB *db) {
  uint32_t n = link_of(header(db) + H_FREE);
  if (n != 0) {
    if (!valid_block(db, n)) {
      error(0, 0, "ndb : free list of %s is damaged", db->name.c_str());
      return 0;
    }
    uint32_t next = link_of(block(db, n));
    set_link(header(db) + H_FREE, valid_block(db, next) ? next : 0, false);
    if (uint32_t count = hdr(db, H_FREECOUNT))
      set_hdr(db, H_FREECOUNT, count - 1);
  } else {
    uint32_t next = hdr(db, H_NEXT), cap = capacity(db);
    if (next == cap) {
      if (cap + NDB_GROW > NDB_MAX_BLOCKS ||
          !write_byte(db->fd, off_t(NDB_TABLE_SIZE + NDB_BLOCK * size_t(cap + NDB_GROW)))) {
        error(0, 0, "ndb : cannot extend file");
        return 0;
      }
      set_hdr(db, H_CAPACITY, cap + NDB_GROW);
    }
    n = next;
    set_hdr(db, H_NEXT, next + 1);
  }
  std::memset(block(db, n), 0, NDB_BLOCK);
  return n;
}

void free_chain(NDB *db, uint32_t first) {
  if (!valid_block(db, first))
    return;
  uint32_t last = first, steps = 0, cap = capacity(db);
  for (uint32_t n = link_of(block(db, last)); n != 0 && valid_block(db, n) && ++steps <= cap;
       n = link_of(block(db, last)))
    last = n;
  uint32_t free_head = link_of(header(db) + H_FREE);
  if (last != first) // the first block loses its head flag, keeps its link
    set_link(block(db, first), link_of(block(db, first)), false);
  set_link(block(db, last), free_head, false);
  set_link(header(db) + H_FREE, first, false);
}

int write_backup(NDB *db) {
  std::string bkp = db->name + "BKP";
  size_t size = NDB_TABLE_SIZE + NDB_BLOCK * size_t(capacity(db));
  msync(db->map, size, MS_SYNC);
  if (kxskey::atomic_write(bkp, db->map, size, 0660) != 0) {
    error(0, -1, "ndb: database backup write failed for %s", bkp.c_str());
    return -1;
  }
  return 0;
}

} // namespace

NDB *ndb_open(const std::string &name) {
  std::string path = name + ".NDB";
  struct stat st {};
  // A short file may be someone's only copy of damaged data: never remove it.
  if (stat(path.c_str(), &st) == 0 && st.st_size < 1024) {
    error(0, 0, "ndb_open: %s is shorter than 1024 bytes and is not a database; left in place",
          path.c_str());
    return nullptr;
  }
  auto db = new NDB;
  db->name = path;
  bool created = true;
  db->fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0660);
  if (db->fd < 0 && errno == EEXIST) {
    created = false;
    db->fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  }
  auto fail = [&](const char *format) {
    if (format)
      error(0, 0, format, path.c_str());
    free_handle(db);
    if (created)
      unlink(path.c_str());
    return nullptr;
  };
  if (db->fd < 0)
    return fail("ndb_open : failed for %s");
  if (created && (!write_byte(db->fd, NDB_TABLE_SIZE + 252) ||
                  !write_byte(db->fd, NDB_TABLE_SIZE + NDB_BLOCK * NDB_GROW)))
    return fail("ndb_open: seek failed for %s");
  if (fstat(db->fd, &st) != 0)
    return fail("ndb_open : failed for %s");
  void *map = mmap(nullptr, NDB_MAP_SIZE, PROT_READ | PROT_WRITE, MAP_SHARED, db->fd, 0);
  if (map == MAP_FAILED)
    return fail("ndb_open : mmap failed for %s");
  db->map = static_cast<unsigned char *>(map);
  if (created) {
    set_hdr(db, H_NEXT, 1);
    set_hdr(db, H_CAPACITY, NDB_GROW);
    set_hdr(db, H_MAGIC, NDB_MAGIC);
    msync(db->map, NDB_TABLE_SIZE + NDB_BLOCK, MS_SYNC);
  } else if (size_t(st.st_size) < NDB_TABLE_SIZE + NDB_BLOCK || !header_sound(db, st.st_size)) {
    // Refused, never reinitialised: the file stays as it is.
    error(0, 0, "ndb_open: database corrupted (%s)", path.c_str());
    return fail(nullptr);
  }
  db->magic = NDB_MAGIC;
  // A database always has a whole backup to fall back on, from its first
  // opening on (later ones are written every fifth update).
  struct stat bst {};
  if (stat((path + "BKP").c_str(), &bst) != 0)
    write_backup(db);
  return db;
}

int ndb_close(NDB *db) {
  if (!check_handle(db))
    return -1;
  msync(db->map, NDB_TABLE_SIZE + NDB_BLOCK * size_t(capacity(db)), MS_SYNC);
  fsync(db->fd);
  free_handle(db);
  return 0;
}

ndb_datum ndb_fetch(NDB *db, int type, const std::string &key) {
  if (!check_handle(db))
    return {};
  uint32_t head = find(db, type, key, false).head;
  if (!head)
    return {};
  const unsigned char *b = block(db, head);
  size_t len = get24(b + R_DATALEN);
  if (len > size_t(capacity(db)) * NDB_NEXT_PAYLOAD)
    return {};
  db->fetch_buf.assign(len, '\0');
  if (!read_payload(db, head, key.size(), db->fetch_buf.data(), len))
    return {};
  return {db->fetch_buf.c_str(), len};
}

int ndb_store(NDB *db, int type, const std::string &key, const std::string &data) {
  if (!check_handle(db))
    return 0;
  size_t total = key.size() + data.size();
  if (type < 0 || type > 255 || key.size() > 0x7FFFFF || data.size() > 0x7FFFFF ||
      total > size_t(NDB_MAX_BLOCKS) * NDB_NEXT_PAYLOAD) {
    error(0, 0, "ndb : record too large for %s", db->name.c_str());
    return 0;
  }
  Lookup found = find(db, type, key, false);
  uint32_t head = found.head;
  if (!head) {
    head = allocate(db);
    if (!head)
      return 0;
    set_link(block(db, head), 0, true);
    // Append at the end of the bucket's chain (walked by the lookup).
    put24(found.tail, head);
    index_added(db, key, head, type);
  }
  unsigned char *h = block(db, head);
  put24(h + R_KEYLEN, uint32_t(key.size()));
  put24(h + R_DATALEN, uint32_t(data.size()));
  h[R_TYPE] = static_cast<unsigned char>(type);

  uint32_t n = head;
  size_t room = NDB_HEAD_PAYLOAD, skip = R_PAYLOAD, done = 0;
  auto byte_at = [&](size_t i) { return i < key.size() ? key[i] : data[i - key.size()]; };
  for (;;) {
    unsigned char *b = block(db, n);
    size_t take = std::min(room, total - done);
    for (size_t i = 0; i < take; ++i)
      b[skip + i] = static_cast<unsigned char>(byte_at(done + i));
    done += take;
    if (done == total)
      break;
    uint32_t next = link_of(b);
    if (!valid_block(db, next) || head_flag(block(db, next))) {
      next = allocate(db);
      if (!next)
        return 0;
      b = block(db, n); // (the mapping does not move; kept for clarity)
      set_link(b, next, n == head);
    }
    n = next;
    room = NDB_NEXT_PAYLOAD;
    skip = 3;
  }
  // Cut the chain after the last block written and free the rest.
  unsigned char *last = block(db, n);
  uint32_t rest = link_of(last);
  set_link(last, 0, n == head);
  if (rest && valid_block(db, rest) && !head_flag(block(db, rest)))
    free_chain(db, rest);
  return 1;
}

int ndb_delete(NDB *db, int type, const std::string &key) {
  if (!check_handle(db))
    return 0;
  Lookup found = find(db, type, key, true);
  uint32_t head = found.head;
  if (!head)
    return 0;
  index_removed(db, key, head);
  put24(found.prev, get24(block(db, head) + R_BUCKET));
  put24(block(db, head) + R_BUCKET, 0);
  free_chain(db, head);
  return 1;
}

int ndb_updated(NDB *db) {
  if (!check_handle(db))
    return -1;
  uint32_t count = hdr(db, H_UPDATES) + 1;
  if (count < 5) {
    set_hdr(db, H_UPDATES, count);
    return 0;
  }
  set_hdr(db, H_UPDATES, 0);
  return write_backup(db);
}

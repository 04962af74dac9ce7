// Damaged user database files: a small sound database is patched with the
// input's bytes, then opened, walked, checked, fetched, stored and deleted in.
// Input: one byte n, then n patches of (offset high, offset low, value) with
// the offset scaled into the file, then operation bytes (key, type,
// operation and which of two handles).
#include "kxu/report.h"
#include "kxui/users/ndb.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Silent : kxu::ReportFrontEnd {
  bool notice(const std::string &) override { return true; }
  void status(const std::string &) override {}
  int ask(const std::string &) override { return 1; }
};

std::string dir() {
  static std::string d = [] {
    char t[] = "/tmp/fuzz_ndbXXXXXX";
    return std::string(mkdtemp(t) ? t : "/tmp");
  }();
  return d;
}

std::vector<unsigned char> read_all(const std::string &path) {
  std::vector<unsigned char> out;
  if (FILE *f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF)
      out.push_back(static_cast<unsigned char>(c));
    std::fclose(f);
  }
  return out;
}

// A database with a few records of several sizes, some freed blocks.
const std::vector<unsigned char> &base_image() {
  static std::vector<unsigned char> image = [] {
    std::string name = dir() + "/base";
    NDB *db = ndb_open(name);
    for (int i = 0; i < 12; ++i)
      ndb_store(db, 4 + i % 2, "user" + std::to_string(i), std::string(50 + 90 * i, 'a' + i));
    ndb_delete(db, 4, "user2");
    ndb_store(db, 5, "user3", "short");
    ndb_close(db);
    return read_all(name + ".NDB");
  }();
  return image;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static Silent silent;
  static kxu::ScopedFrontEnd quiet(&silent);
  std::vector<unsigned char> image = base_image();
  size_t pos = 0;
  size_t patches = size > 0 ? data[pos++] : 0;
  for (size_t i = 0; i < patches && pos + 3 <= size; ++i, pos += 3) {
    size_t off = (size_t(data[pos]) << 8 | data[pos + 1]) * image.size() / 65536;
    image[off] = data[pos + 2];
  }
  // A short tail byte trims the file now and then.
  if (pos < size && data[pos] == 0xFF)
    image.resize(image.size() / 2);

  std::string name = dir() + "/db";
  std::string file = name + ".NDB";
  int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0 || write(fd, image.data(), image.size()) != ssize_t(image.size()))
    std::abort();
  close(fd);
  unlink((file + "BKP").c_str());

  if (NDB *db = ndb_open(name)) {
    ndb_check(db);
    ndb_iter *it = ndb_iter_create(db, -1);
    ndb_datum d;
    for (int i = 0; i < 100000 && ndb_iter_next(it, &d); ++i) {
    }
    ndb_iter_free(it);
    // A second handle on the same file: each remembers the chains it walked,
    // and must still follow what the other changed.
    NDB *other = ndb_open(name);
    for (; pos < size; ++pos) {
      std::string key = "user" + std::to_string(data[pos] % 16);
      int type = 4 + (data[pos] >> 4) % 2;
      NDB *h = (data[pos] & 0x80) && other ? other : db;
      switch ((data[pos] >> 5) % 4) {
      case 0: ndb_fetch(h, type, key); break;
      case 1: ndb_store(h, type, key, std::string(size_t(data[pos]) * 7, 'x')); break;
      case 2: ndb_delete(h, type, key); break;
      default: ndb_updated(h); break;
      }
    }
    ndb_check(db);
    if (other)
      ndb_close(other);
    ndb_close(db);
  }
  return 0;
}

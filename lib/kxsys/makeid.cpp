#include "kxsys/makeid.h"

#include "kxsys/hostid.h"
#include "kxsys/kxstate.h"
#include "kxsys/md4.h"

#include <ctime>
#include <unistd.h>

namespace kxsys {

kxid_t kx_makeid_text(const std::string &name, const std::optional<std::string> &lg, int mode) {
  kxid_t id;
  id.set_name(name.substr(0, 31));
  id.time = int32_t(time(nullptr));
  id.hostid = kx_hostid();
  if (mode == 0) {
    id.filterid = id.time;
  } else if (mode == -1) {
    id.filterid = id.time;
    if (lg) {
      size_t nl = lg->find('\n');
      if (nl != std::string::npos) {
        auto h = md4_state(reinterpret_cast<const uint8_t *>(lg->data()) + nl + 1, lg->size() - nl - 1);
        id.filterid = int32_t(h[0] ^ h[1] ^ h[2] ^ h[3]);
      }
    }
  } else {
    id.filterid = mode;
  }
  uint8_t packed[kKxidSize];
  kxid_pack(id, packed);
  uint8_t check = lg ? uint8_t(lg->size() & 0xff) : 0;
  for (int i = 40; i < 48; ++i)
    check ^= packed[i];
  id.check = check ? check : 1;
  return id;
}

kxid_t kx_makeid(const std::string &directory, const std::string &name, int mode) {
  std::optional<std::string> lg;
  if (auto b = kx_read_file(directory + "/" + name + ".lg"))
    lg = std::string(b->begin(), b->end());
  return kx_makeid_text(name, lg, mode);
}

} // namespace kxsys

#include "kxui/editor/layout.h"

#include "kxset/kxset.h"
#include "kxset/sio.h"
#include "kxu/kxdir.h"
#include "kxu/replace_file.h"
#include "kxu/report.h"

#include <cerrno>
#include <cstdio>
#include <memory>

std::string layout_file() { return kx_filename("conf", "kxui.layout", nullptr, nullptr, nullptr); }

bool layout_save(const std::string &path, const WindowLayout &layout) {
  KxSetRef set(kxset::make(KxAtom("layout")));
  for (const auto &[key, value] : layout) {
    if (key.empty()) continue;
    set->set(KxAtom(key), kxset::make(KxAtom(value)));
  }
  std::string text;
  sio_swrite(text, set.get());
  text += "\n";
  kxu::ReplaceResult r = kxu::replace_file(path, text);
  if (!r) {
    error(0, 0, "Layout not saved: %s", r.message.c_str());
    return false;
  }
  return true;
}

std::optional<WindowLayout> layout_load(const std::string &path) {
  std::unique_ptr<FILE, int (*)(FILE *)> f(std::fopen(path.c_str(), "r"), std::fclose);
  if (!f) {
    if (errno != ENOENT) error(0, errno, "Layout %s not read", path.c_str());
    return std::nullopt;
  }
  sio_setfile(path.c_str());
  KxSetRef set(sio_read(f.get()));
  if (!set) {
    error(0, 0, "Layout %s not read:\n%s", path.c_str(), sio_messages().c_str());
    return std::nullopt;
  }
  WindowLayout out;
  for (int i = 0, n = set->getnattr(); i < n; ++i) {
    const KxAtom key = set->getattrnamea(i);
    const kxset *v = set->get(i);
    if (key.is_named() && v) out[key.c_str()] = v->getname();
  }
  return out;
}

// The demo installation, copied to a scratch directory and loaded as the
// objects database, for the editor's models.
#pragma once

#include "kxu/kxdir.h"
#include "kxset/sio.h"
#include "kxui/objfile/objects.h"
#include "kxui/obj/kxobj.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace kxtest {

class DemoTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::copy(std::string(KX_SOURCE_DIR) + "/demo", dir_.path(),
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    saved_ = kxdir;
    kxdir = dir_.path();
    ASSERT_EQ(load_objects(nullptr), 0);
    obj_modified = 0;
  }
  void TearDown() override {
    destruct_objects();
    kxdir = saved_;
  }
  static std::string text(const kxset *set) {
    std::string out;
    sio_swrite(out, set);
    return out;
  }
  static kxset *net(const char *name) { return kxobj_member(kx_netobj, name); }
  static kxset *service(const char *name) { return kxobj_member(kx_services, name); }

  TempDir dir_;
  std::string saved_;
};

} // namespace kxtest

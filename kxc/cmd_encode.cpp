// kxc encode [--dict FILE] IN OUT: reads the set file IN (with the set file
// FILE as dictionary, so that its members travel as references) and writes
// its compressed encoding to OUT, replacing OUT through a temporary file.
// kxc decode [--dict FILE] IN: decodes the compressed file IN (with the same
// dictionary) and writes the set as text on standard output.
// A refused input is reported on standard error with exit status 1.
#include "kxc/command.h"

#include "kxset/kxencode.h"
#include "kxset/sio.h"
#include "kxu/replace_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Options {
  std::string dict;
  std::vector<std::string> files;
};

// Splits "--dict FILE" (or "--dict=FILE") from the file operands; false on
// an unknown option or a missing dictionary name.
bool parse_options(const kxc::Args &args, Options &opt) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &a = args[i];
    if (a == "--dict") {
      if (i + 1 >= args.size()) return false;
      opt.dict = args[++i];
    } else if (a.starts_with("--dict=")) {
      opt.dict = a.substr(7);
    } else if (a.starts_with("-") && a != "-") {
      return false;
    } else {
      opt.files.push_back(a);
    }
  }
  return true;
}

// Reads one set from a text file; prints why on failure. An empty file is
// refused too: there is nothing to encode or to resolve against.
bool read_set(const char *cmd, const std::string &path, kxset *dict, KxSetRef &out) {
  FILE *f = std::fopen(path.c_str(), "r");
  if (!f) {
    std::fprintf(stderr, "kxc %s: cannot open %s: %s\n", cmd, path.c_str(), std::strerror(errno));
    return false;
  }
  sio_setfile(path.c_str());
  out = sio_readx(f, dict);
  std::fclose(f);
  if (sio_errno() != 0) {
    std::fputs(sio_messages().c_str(), stderr);
    return false;
  }
  if (!out) {
    std::fprintf(stderr, "kxc %s: %s holds no set\n", cmd, path.c_str());
    return false;
  }
  return true;
}

bool read_dict(const char *cmd, const Options &opt, KxSetRef &dict) {
  return opt.dict.empty() || read_set(cmd, opt.dict, nullptr, dict);
}

// A compressed file larger than this is refused before it is read in: its
// sets would pass the decoder's limit anyway.
constexpr size_t kMaxEncoded = size_t{64} << 20;

// Reads the whole file; on failure `why` says why.
bool read_bytes(const std::string &path, std::vector<uint8_t> &out, std::string &why) {
  FILE *f = std::fopen(path.c_str(), "rb");
  if (!f) {
    why = std::strerror(errno);
    return false;
  }
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    if (out.size() + n > kMaxEncoded) {
      why = "larger than " + std::to_string(kMaxEncoded) + " bytes";
      std::fclose(f);
      return false;
    }
    out.insert(out.end(), chunk, chunk + n);
  }
  bool ok = !std::ferror(f);
  if (!ok) why = std::strerror(errno);
  std::fclose(f);
  return ok;
}

} // namespace

KXC_COMMAND(encode, "encode [--dict FILE] IN OUT", "write the compressed encoding of a set file") {
  static const char *const usage = "encode [--dict FILE] IN OUT";
  Options opt;
  if (!parse_options(args, opt) || opt.files.size() != 2) return kxc::usage_error(usage);
  KxSetRef dict, set;
  if (!read_dict("encode", opt, dict) || !read_set("encode", opt.files[0], dict.get(), set))
    return 1;
  size_t len = 0;
  auto buf = EncodeKxset(set.get(), len, false, dict.get());
  if (!buf) return 1; // reported by the encoder
  kxu::ReplaceResult r = kxu::replace_file(
      opt.files[1], std::string_view(reinterpret_cast<const char *>(buf.get()), len));
  if (!r) {
    std::fprintf(stderr, "kxc encode: cannot write %s: %s\n", opt.files[1].c_str(), r.message.c_str());
    if (!r.replaced) return 1;
  }
  return 0;
}

KXC_COMMAND(decode, "decode [--dict FILE] IN", "write a compressed set file as text") {
  static const char *const usage = "decode [--dict FILE] IN";
  Options opt;
  if (!parse_options(args, opt) || opt.files.size() != 1) return kxc::usage_error(usage);
  KxSetRef dict;
  if (!read_dict("decode", opt, dict)) return 1;
  std::vector<uint8_t> bytes;
  std::string why;
  if (!read_bytes(opt.files[0], bytes, why)) {
    std::fprintf(stderr, "kxc decode: cannot read %s: %s\n", opt.files[0].c_str(), why.c_str());
    return 1;
  }
  KxSetRef set(DecodeKxset(bytes.data(), bytes.size(), dict.get()));
  if (!set) return 1; // reported by the decoder
  if (sio_writex(stdout, set.get(), dict.get()) != 0 || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "kxc decode: cannot write the set: %s\n", std::strerror(errno));
    return 1;
  }
  return 0;
}

// The module state store: per module a family of files in the "state"
// directory holding the compiled policy last put on it, the links file that
// maps module addresses to family names, and the "local" family that a
// module keeps of its own policy.
#pragma once

#include "kxsys/records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kxsys {

// Suffixes of a file set, in the order they travel; fc, lg, ft and ifs are
// required.
const std::vector<std::string> &kx_file_suffixes();
bool kx_suffix_required(const std::string &suffix);

// Writes a file through a temporary in the same directory, fsync and rename,
// then syncs the directory; a writer of several files in one directory
// passes sync_dir false and calls kx_sync_dir(any path in it) after the last.
bool kx_write_file(const std::string &path, const void *data, size_t len, bool sync_dir = true);
bool kx_sync_dir(const std::string &path_in_dir);
// A file for kx_write_files.
struct kx_file_data {
  std::string path;
  const void *data = nullptr;
  size_t len = 0;
};
// kx_write_file without the directory sync for several files at once: the
// files are written side by side, each in a thread of its own, so that the
// waits for their syncs overlap. One result per file, in order.
std::vector<bool> kx_write_files(const std::vector<kx_file_data> &files);
// Syncs existing files side by side; true when every one was synced.
bool kx_sync_files(const std::vector<std::string> &paths);
// Writes a scratch file through a temporary and a rename, like kx_write_file,
// but syncs nothing: only for a file that lives until the program ends or
// that whoever keeps it syncs first (kxstate_savefilters does so for the
// compiled files it links into the families).
bool kx_write_scratch(const std::string &path, const void *data, size_t len);
std::optional<Bytes> kx_read_file(const std::string &path, size_t cap = size_t(kMaxBuffer));

// ".ifs": the rule base name, then one target per line.
struct kx_ifs {
  std::string name;
  std::vector<std::string> targets;
};
std::optional<kx_ifs> kx_parse_ifs(const std::string &text);
std::string kx_ifs_text(const kx_ifs &ifs);

// Links file "links.C": family name -> addresses (host order).
using kx_links = std::vector<std::pair<std::string, std::vector<uint32_t>>>;
// A family is named by a host name or "local": letters, digits, ".", "-" and
// "_", beginning with a letter or a digit, at most 255 bytes. Only such names are read back
// exactly, and they are safe as file names in the state directory.
bool kx_family_name_ok(const std::string &name);
// The message for a refused module or family name.
std::string kx_family_name_error(const std::string &name);
// Parses the links file; members whose names are not family names are
// skipped (the reader keeps the rest), so parsing what kx_links_text wrote
// gives the same links.
std::optional<kx_links> kx_parse_links(const std::string &text);
// Writes the links; members whose names are not family names are left out.
std::string kx_links_text(const kx_links &links);
// Records the addresses under the family (removing them from every other
// family); false with "Unable to write links file" on failure, or with the
// name error for a family that is not a family name.
bool kxstate_createlinks(const std::string &statedir, const std::string &family,
                         const std::vector<uint32_t> &addresses, bool sync_dir = true);
// The same for several families in one write of the links file, as if
// recorded one after the other in their order.
bool kxstate_createlinks(const std::string &statedir, const kx_links &families, bool sync_dir = true);
// The family holding the first of the addresses that any family holds.
std::optional<std::string> kxstate_findlink(const std::string &statedir, const std::vector<uint32_t> &addresses);

// The file set of base in directory: "fc", "lg", "ft", "ifs", then the
// optional "set", "objects" and "db". A missing required file fails with
// "Unable to read BASE.SUFFIX" in `error`.
std::optional<kxloadx_t> kx_readfiles(const std::string &base, const std::string &directory,
                                      std::string *error = nullptr);

// Writes the family of one module under statedir: "ifs", then copies of the
// compiled "fc", "ft", "lg" and, when readable, "set" of `compiled` (path
// without suffix; a copy is a hard link to the compiled file where the two
// share a file system, the compiled files being written once and never
// changed in place). When `linkbase` names an earlier family written in the
// same go, the files are hard links to it instead; `linkbase` is then set to
// this family. With `remove` the compiled files are deleted afterwards. The
// state directory is synced once at the end.
bool kx_savestate(const std::string &compiled, const std::string &family_path, const kx_ifs &ifs,
                  std::string &linkbase, bool remove, std::string *error);
// The same, with the family named "local" for this machine, else by the
// module's official name after recording its addresses.
bool kxstate_savefilter(const std::string &statedir, const std::string &compiled, const std::string &module,
                        const std::vector<std::string> &targets, std::string &linkbase, bool remove,
                        const kxloaddb_t *database, std::string *error);

// One module of a load that saves several at once.
struct kx_module_state {
  std::string module;
  std::vector<std::string> targets;
  std::optional<kxloadx_t> files; // its family as saved, to be sent
  std::string error;              // why it was not saved (files empty)
};
// kxstate_savefilter (without database, keeping the compiled files) for
// modules that all get the compiled files of `compiled`: the links file is
// written once for all of them, each family is read back as soon as it is
// written (a module named twice gets its own targets each time), the later
// families are hard links to the first, and the state directory is synced
// once at the end. The compiled files may be scratch (kx_write_scratch):
// they are synced before any family links them, side by side with the links
// file and the families' new "ifs" (written beside them, put in place only
// when the links file and the compiled files are). False when a module was
// not saved (its `error` says why; the others are).
bool kxstate_savefilters(const std::string &statedir, const std::string &compiled,
                         std::vector<kx_module_state> &modules);

// Writes one received entry as base.NAME through a temporary beside it (the
// caller syncs the directory); an entry identical to the stored file leaves
// that file untouched.
bool kx_state_file(const std::string &base, const kxloadx_entry &entry);
// Writes the non-empty entries of a received file set as the family "local"
// (the directory synced once at the end).
bool kxstate_savefiles(const std::string &directory, const kxloadx_t &files);
// The family of the first known address, as a file set; none: nullopt and
// kxd_errno = -4 ("Can not get state files").
std::optional<kxloadx_t> kxstate_getfiles(const std::string &statedir, const std::vector<uint32_t> &addresses);
// A compiled filter read back from a family: its identity (named by the rule
// base) and its compiled files ("fc", "lg", "ft" and, when saved, "set").
struct kx_filter {
  kxid_t id;
  kxloadx_t files;
};

// Reads the family of `module` under statedir ("local" for this machine,
// else the family its addresses are linked to, else its official name):
// the targets of its "ifs", the compiled files as the filter and its "db"
// and "objects" as the database (empty when not saved). Returns the number
// of targets, or -1 with the reason in `error`: "cannot access <F.ifs>" and
// kxd_errno -4 when no state is saved, "cannot kx_read <F.SUFFIX>" when the
// compiled files can't be read.
int kx_getstate(const std::string &statedir, const std::string &module, kx_filter &filter,
                kxloaddb_t &database, std::vector<std::string> &targets, std::string *error = nullptr);
// The same for the "local" family of directory: -1 with "Can not get filter
// from local: No State Saved" (kxd_errno -4) or "Can not get filter from
// local" (kxd_errno -6).
int kxstate_getfilter(const std::string &directory, kx_filter &filter, kxloaddb_t &database,
                      std::vector<std::string> &targets, std::string *error = nullptr);
// Writes "db" and "objects" of a downloaded database into the module's
// family ("local" for this machine, else the family its addresses are linked
// to). A module without a family gets nothing: 0. -1 when a file could not
// be written.
int kxstate_savedb(const std::string &statedir, const kxloaddb_t &database, const std::string &module);

// Moves the "local" family of tmpdir over that of statedir (commit) or
// deletes it (roll back).
bool kxstate_move(const std::string &tmpdir, const std::string &statedir, bool commit);

} // namespace kxsys

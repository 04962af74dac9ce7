// Replacing a file so that a failure at any point leaves the previous file
// as it was: the new bytes go to a fresh temporary in the same directory
// (created with O_EXCL, so two writers never share one), which is synced,
// given the old file's mode and renamed over the file; the directory is
// synced last. The previous file is never renamed away: its backup, when
// asked for, is a second hard link (or a synced copy where links fail).
// Every saver of the project goes through here.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace kxu {

// The steps of a replace, in order.
enum class ReplaceStep {
  create_temp, write, sync_temp, set_mode, compare, backup_link, backup_copy, rename,
  sync_dir
};

struct ReplaceOptions {
  // Keep the previous file as "<path>.bak".
  bool backup = false;
  // Leave the file alone (and make no backup) when the new bytes equal it.
  bool keep_if_same = false;
  // Mode of a file that does not exist yet; an existing file keeps its own.
  mode_t new_mode = 0644;
  // Sync the new bytes before the rename. Only a scratch file may do
  // without: one that lives until its program ends, or that whoever keeps it
  // syncs before anything lasting refers to it.
  bool sync_file = true;
  // Sync the directory after the rename. A caller that replaces several
  // files of one directory in a row may turn it off and call sync_directory
  // once after the last.
  bool sync_dir = true;
  // Called when the backup cannot be made, with its errno; returning true
  // replaces the file without a backup, false ends the replace (the default).
  std::function<bool(int err)> backup_failed;
};

// What a replace did: `ok`, or the step that failed with its errno, in a
// text that names the file ("cannot write 'x.W.Ab12Cd': No space left").
struct ReplaceResult {
  bool ok = false;
  bool unchanged = false; // keep_if_same found the same bytes
  bool replaced = false;  // the new file is in place (only the directory sync failed)
  ReplaceStep step = ReplaceStep::create_temp; // the step that failed
  int err = 0;
  std::string message;
  explicit operator bool() const { return ok; }
};

// Replaces `path` with what `write` puts into the stream it is given;
// `write` returns false (errno set, or 0 for a failure of its own) to give up.
ReplaceResult replace_file(const std::string &path, const std::function<bool(FILE *)> &write,
                           const ReplaceOptions &options = {});

// Replaces `path` with `data`.
ReplaceResult replace_file(const std::string &path, std::string_view data,
                           const ReplaceOptions &options = {});


// Syncs the directory that holds `path` (making renames in it last); 0 or
// the errno.
int sync_directory(const std::string &path);

// Test hook for fault injection: when set, called before each step; a non-zero return makes that
// step fail with this errno.
extern int (*replace_file_fault)(ReplaceStep step);

} // namespace kxu

// The S/Key chain file of a checking gateway: one line per user,
//
//   "%s %04d %-16s %-16s %-21s"  user, passwords left, seed, key, date
//
// where the key is the current top of the chain in hexadecimal and the date
// is "%b %d,%Y %T" of the last update ("Dummy" when never dated). Lines
// starting with "#" are comments. Fields are split at blanks and tabs.
//
// Usage: Open() reads the whole file into memory; Get/Update/Touch/Delete/
// Verify work on that copy; SaveAndClose() writes it back (through a
// temporary file, fsynced and renamed over the old one, mode 0600) and
// clean() drops it without writing. Errors are reported through error()
// with the messages below and return -1; success returns 0.
//
// The functions SkeyFile_Open ... SkeyFile_clean work on one process-wide
// instance, for callers that keep a single key file open at a time.
#pragma once

#include <list>
#include <string>
#include <unordered_map>

class SkeyFile {
public:
  SkeyFile() = default;
  SkeyFile(const SkeyFile &) = delete;
  SkeyFile &operator=(const SkeyFile &) = delete;

  // `name` relative to `directory` (unless it contains a "/" or the
  // directory is empty). A missing file opens as empty.
  // "SkeyFile : already opened"; "SkeyFile: unable to read database for %s".
  int Open(const std::string &name, const std::string &directory);
  bool is_open() const { return open_; }
  const std::string &path() const { return path_; }

  // The user's key (hexadecimal, as stored) and passwords left; -1 when the
  // user is absent or the line has fewer than four fields.
  int Get(const std::string &user, std::string &key_out, int &number) const;
  // Adds the user (at the end, date "Dummy") or overwrites the sequence
  // number and key of the existing line (its seed is kept). Marks it updated.
  int Update(const std::string &user, const std::string &seed, const std::string &key,
             int number);
  // Marks the user's line as kept; -1 when absent.
  int Touch(const std::string &user);
  // "SkeyFile : attempt to delete nonexistent user %s\n".
  int Delete(const std::string &user);
  // The gateway's check of a one-time password: when one step of `answer`
  // (hexadecimal or six words) gives the stored key, the answer becomes the
  // stored key with one password less and 0 is returned; else -1 and the
  // line is unchanged. A line with no passwords left never verifies.
  int Verify(const std::string &user, const std::string &answer);

  // Writes the file and releases the memory (either way). With
  // `marked_only`, lines neither updated nor touched since Open (comments
  // included) are left out. Updated lines get the current time as date.
  // "SkeyFile: unable to write updated database for %s".
  int SaveAndClose(bool marked_only);
  // Releases the memory without writing.
  void clean();

private:
  enum Mark { None, Touched, Updated };
  struct Line {
    std::string text;
    Mark mark = None;
  };
  using Lines = std::list<Line>;

  std::string path_;
  bool open_ = false;
  Lines lines_;
  std::unordered_map<std::string, Lines::iterator> index_;
};

int SkeyFile_Open(const char *name, const char *directory);
// key_out receives at most 16 characters and a NUL (17 bytes).
int SkeyFile_Get(const char *user, char *key_out, int *number);
int SkeyFile_Update(const char *user, const char *seed, const char *key, int number);
int SkeyFile_Touch(const char *user);
int SkeyFile_Delete(const char *user);
int SkeyFile_Verify(const char *user, const char *answer);
int SkeyFile_SaveAndClose(int marked_only);
void SkeyFile_clean();

// Replaces a file's contents safely: the text goes to a temporary file in the
// same directory, which is fsynced and then renamed over the target, so a
// crash leaves either the old file or the new one, never a mix.
#pragma once

#include <string>
#include <sys/types.h>

namespace kxskey {

// 0 on success; -1 with errno set (the temporary is removed).
int atomic_write(const std::string &path, const std::string &text, mode_t mode);

} // namespace kxskey

namespace kxskey {
// The same for a byte range.
int atomic_write(const std::string &path, const void *data, size_t size, mode_t mode);
} // namespace kxskey

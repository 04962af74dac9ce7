#include "logbatch.h"

void log_batch_end(std::vector<uint8_t> &batch, size_t at) {
  put_be32(batch.data() + at, uint32_t(batch.size() - at - 4));
}

void log_batch_add(std::vector<uint8_t> &batch, const uint8_t *message, size_t length) {
  const size_t at = log_batch_begin(batch);
  batch.insert(batch.end(), message, message + length);
  log_batch_end(batch, at);
}

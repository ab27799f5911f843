// SHA-256 and HMAC-SHA-256, for deriving application-specific identifiers
// from machine identifiers without handing the raw machine id out.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrv {

constexpr size_t kSha256Size = 32;

class Sha256 {
 public:
  Sha256() { reset(); }
  void reset();
  void update(const void* data, size_t length);
  void finish(uint8_t digest[kSha256Size]);

 private:
  void block(const uint8_t* p);

  uint32_t state_[8];
  uint64_t total_ = 0;  // bytes hashed so far
  uint8_t buffer_[64];
  size_t buffered_ = 0;
};

void sha256(const void* data, size_t length, uint8_t digest[kSha256Size]);
void hmac_sha256(const void* key, size_t key_length, const void* message, size_t message_length,
                 uint8_t mac[kSha256Size]);

}  // namespace zrv

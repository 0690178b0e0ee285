#pragma once
// The table cipher: a keyed byte-wise XOR stream. Byte i of a stream is
// XOR-ed with (i mod 256) OR password[i mod password length]; the same call
// enciphers and deciphers. An empty password copies the bytes.

#include <cstdint>
#include <string>

namespace talvern {

// Transforms count bytes from source to destination (which may be the same
// buffer). Returns 0 for an empty password, else 1 when enciphering and -1
// when deciphering.
int Cipher(const std::string& password, const void* source, void* destination,
           std::int32_t count, bool encipher);

}  // namespace talvern

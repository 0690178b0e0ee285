#pragma once
// A stream of bytes with a position: what a dataset hands out for reading and
// writing the contents of a memo or blob field (TDataSet::CreateBlobStream).

#include <cstdint>
#include <string>

namespace talvern {

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

class TStream {
public:
  virtual ~TStream() = default;

  // Copies at most count bytes from the position on; returns how many.
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  // Writes count bytes at the position; returns how many were written.
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  // Moves the position; returns the new position.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

  std::int64_t Position() { return Seek(0, soCurrent); }
  std::int64_t Size() {
    std::int64_t position = Seek(0, soCurrent);
    std::int64_t size = Seek(0, soEnd);
    Seek(position, soBeginning);
    return size;
  }
  // Everything from the beginning to the end.
  std::string ReadAll() {
    std::string bytes(static_cast<std::size_t>(Size()), '\0');
    Seek(0, soBeginning);
    bytes.resize(static_cast<std::size_t>(Read(bytes.data(), static_cast<std::int64_t>(bytes.size()))));
    return bytes;
  }
};

}  // namespace talvern

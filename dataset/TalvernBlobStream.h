#pragma once
// TTalvernBlobStream: a stream on the contents of one memo or blob field of
// a table dataset's active record. Opened for reading it holds the whole
// memo, converted to the display code page when the field transliterates
// (the drawing memo does not: it holds GIF bytes). Opened for writing (the
// dataset must be editing and the field writable) it starts empty (bmWrite)
// or with the contents (bmReadWrite); when it goes, written contents become
// the field's new contents, stored in the memo file when the record is
// posted.
//
// Writing at a position past the end fills the gap with zero bytes.

#include <cstdint>
#include <string>

#include "dataset/Stream.h"

namespace talvern {

class TField;
class TTalvernDataSet;

class TTalvernBlobStream : public TStream {
public:
  // Raises "Field '%s' cannot be modified" or "Dataset not in edit or
  // insert mode" for a writing mode the dataset does not allow.
  TTalvernBlobStream(TTalvernDataSet& dataSet, const TField& field, TBlobStreamMode mode);
  ~TTalvernBlobStream() override;
  TTalvernBlobStream(const TTalvernBlobStream&) = delete;
  TTalvernBlobStream& operator=(const TTalvernBlobStream&) = delete;

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

  bool Modified() const { return modified_; }

private:
  TTalvernDataSet& dataSet_;
  const TField& field_;
  std::string data_;  // the contents; std::string keeps a zero byte after them
  std::int64_t position_ = 0;
  bool modified_ = false;
};

}  // namespace talvern

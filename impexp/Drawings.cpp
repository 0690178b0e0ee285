#include "impexp/Drawings.h"

#include <sstream>

#include "dataset/Field.h"
#include "dataset/TalvernDataSet.h"
#include "engine/Errors.h"
#include "gif/Gif.h"
#include "impexp/DrawingCode.h"
#include "impexp/Messages.h"
#include "impexp/TableFile.h"
#include "platform/CodePage.h"
#include "platform/Locale.h"

namespace talvern::impexp {
namespace {

bool IsFreeName(const std::string& name) { return platform::AnsiUpper(name) == kFreeDrawingName; }

}  // namespace

std::string DrawingPath(const std::string& folder, const std::string& name) {
  return (folder.empty() ? std::string() : folder + '/') + platform::AnsiToUtf8(name) + ".gif";
}

void LoadDrawing(TTalvernDataSet& pics, const std::string& folder, const std::string& name) {
  TField& picture = pics.FieldByName("PICTURE");
  if (name.empty() || IsFreeName(name)) {
    picture.Clear();
    return;
  }
  const std::string path = DrawingPath(folder, name);
  TGif gif;
  gif.LoadFromBytes(ReadFileBytes(path));
  if (gif.Width() > kMaxDrawingWidth || gif.Height() > kMaxDrawingHeight)
    throw ETalvernError(path + kPictureTooLarge);
  std::ostringstream bytes;
  gif.SaveToStream(bytes);
  const std::string data = bytes.str();
  std::unique_ptr<TStream> stream = pics.CreateBlobStream(picture, bmWrite);
  stream->Write(data.data(), static_cast<std::int64_t>(data.size()));
}

DrawingDirectory::DrawingDirectory(TTalvernDataSet& pics, std::string folder)
    : pics_(pics), folder_(std::move(folder)), names_(pics, "FN") {}

std::optional<std::string> DrawingDirectory::CodeOf(const std::string& name) {
  const std::int32_t recNo = names_.Find(name);
  if (recNo == 0) return std::nullopt;
  pics_.SetRecNo(recNo);
  return pics_.FieldByName("PIC").AsString();
}

std::string DrawingDirectory::NewDrawing(const std::string& name) {
  TField& pic = pics_.FieldByName("PIC");
  TField& fn = pics_.FieldByName("FN");
  std::string code;
  std::string freeName;
  const std::int32_t free = names_.Find(kFreeDrawingName);
  if (free != 0) {
    pics_.SetRecNo(free);
    code = pic.AsString();
    freeName = fn.AsString();
    pics_.Edit();
  } else {
    pics_.Last();
    std::int32_t next = 1;
    if (!pics_.IsEmpty()) {
      const std::string last = pic.AsString();
      next = DecodeDrawingCode(last) + 1;
      if (next >= kDrawingCodeSpace) throw ETalvernError(kNoFreeDrawingCode + last);
    }
    code = EncodeDrawingCode(next);
    pics_.Append();
  }
  try {
    if (pics_.State() == dsInsert) pic.SetAsString(code);
    LoadDrawing(pics_, folder_, name);
    fn.SetAsString(name);
    pics_.Post();
  } catch (...) {
    pics_.Cancel();
    throw;
  }
  if (free != 0) names_.Remove(freeName, free);
  names_.Add(fn.AsString(), pics_.RecNo());
  return code;
}

}  // namespace talvern::impexp

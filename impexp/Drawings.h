#pragma once
// The drawing records of PICS.DBF as the import and the picture update write
// them: a record's picture comes from a GIF file of the drawing folder named
// after its FN ("NUL" marks a free record, whose picture is empty), and new
// drawings take a free record or the code after the highest one.

#include <cstdint>
#include <optional>
#include <string>

#include "impexp/NameIndex.h"

namespace talvern {
class TTalvernDataSet;
}

namespace talvern::impexp {

// FN of a free drawing record.
inline constexpr char kFreeDrawingName[] = "NUL";
// The largest drawing the drawing window shows whole.
inline constexpr int kMaxDrawingWidth = 640;
inline constexpr int kMaxDrawingHeight = 480;

// The GIF file of a drawing: folder + "/" + name + ".gif", or name + ".gif"
// (in the current directory) when no folder has been chosen. The folder is a
// file system path (UTF-8), the name a drawing's FN (code page 1251).
std::string DrawingPath(const std::string& folder, const std::string& name);

// Stores the drawing file of name into PICTURE of the drawing record that
// pics is editing: the picture is emptied for an empty name or "NUL" (any
// case); a file that cannot be read raises the disk file's error, one that
// is not a GIF image the decoder's, and one larger than 640 x 480 the path
// followed by " - размер рисунка более 640*480.".
void LoadDrawing(TTalvernDataSet& pics, const std::string& folder, const std::string& name);

// The drawings of one import: finds drawing records by file name and makes
// new ones. Pics must be open in PIC order.
class DrawingDirectory {
public:
  DrawingDirectory(TTalvernDataSet& pics, std::string folder);

  // The code of the first drawing record whose FN is name, ignoring case.
  std::optional<std::string> CodeOf(const std::string& name);
  // A drawing record for name, loaded from its file: a free record ("NUL")
  // with its code, or a new record with the code after the highest one
  // ("001" in an empty table). Returns the code. On an error the record is
  // left as it was and the error passes on; "Ошибка в значении ключа
  // Pics.PIC=" + code when the highest code is not base 62, "Нет свободного
  // кода рисунка: последний код zzz" when the codes are used up.
  std::string NewDrawing(const std::string& name);

private:
  TTalvernDataSet& pics_;
  std::string folder_;
  NameIndex names_;
};

}  // namespace talvern::impexp

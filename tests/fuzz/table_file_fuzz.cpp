// The text table file and the SMD code file as the import reads them: lines,
// data lines, cells, code lines, the kind number, drawing codes and names,
// and the codes file's records merged and written back as text.
#include <cstdint>
#include <string>

#include "dataset/FieldValue.h"
#include "engine/Errors.h"
#include "impexp/DrawingCode.h"
#include "impexp/MaintenanceHost.h"
#include "impexp/SmdCodes.h"
#include "impexp/TableFile.h"
#include "platform/CodePage.h"

using namespace talvern;
using namespace talvern::impexp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  TableFileLines lines(IsUtf8(bytes) ? platform::Utf8ToOem(bytes) : bytes);
  std::string_view line;
  std::size_t cells = 0;
  while (lines.NextDataLine(line)) {
    std::int64_t kind = 0;
    if (line.front() == kKindMark) TryTextToInt(line.substr(1, kMaxCellLength), kind);
    for (const std::string& cell : SplitCells(line)) {
      cells += cell.size();
      try {
        DecodeDrawingCode(std::string_view(cell).substr(0, kDrawingCodeLength));
      } catch (const ETalvernError&) {
      }
    }
  }
  TableFileLines raw(bytes);
  SmdCodeList codes;
  codes.Parse(bytes);
  codes.Sort();
  while (raw.NextLine(line)) {
    const SmdCode code = ParseImportedCode(line);
    if (!code.code.empty() && !code.type.empty()) codes.Merge(code, [] { return true; });
  }
  return static_cast<int>(codes.Text().size() + cells) == -1;
}

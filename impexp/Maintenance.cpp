#include "impexp/Maintenance.h"

#include "dataset/TalvernDataSet.h"
#include "engine/Errors.h"
#include "impexp/DrawingCode.h"
#include "impexp/Drawings.h"
#include "impexp/MaintenanceCatalogue.h"
#include "impexp/MaintenanceHost.h"
#include "impexp/Messages.h"
#include "platform/CodePage.h"

namespace talvern::impexp {

void UpdatePictures(MaintenanceCatalogue& catalogue, MaintenanceHost& host, const std::string& drawingFolder) {
  host.Protocol(kUpdatingPictures);
  TTalvernDataSet& pics = catalogue.Pics();
  TField& fn = pics.FieldByName("FN");
  for (pics.First(); !pics.Eof(); pics.Next()) {
    const std::string name = fn.AsString();
    host.Progress(FormatMessage(kUpdateProgress, {platform::AnsiToUtf8(name)}));
    try {
      pics.Edit();
      LoadDrawing(pics, drawingFolder, name);
      pics.Post();
    } catch (const std::exception& e) {
      if (pics.State() == dsEdit) pics.Cancel();
      host.Protocol("[" + platform::AnsiToUtf8(name) + "] " + MessageText(e));
    }
  }
  host.Protocol(kUpdateFinished);
}

DrawingUse::DrawingUse(TDataSet& devices) {
  TField& pic = devices.FieldByName("PIC");
  for (devices.First(); !devices.Eof(); devices.Next()) {
    const std::string text = pic.AsString();
    for (int i = 0; i < kMaxDeviceDrawings; ++i) used_.emplace(DeviceDrawingCode(text, i));
  }
}

int OptimizeDrawings(MaintenanceCatalogue& catalogue, MaintenanceHost& host) {
  TTalvernDataSet& main = catalogue.Main();
  main.SetFilter("");
  main.OnCalcFields = nullptr;
  main.Open();
  // Record-number order reads the table front to back, in large blocks.
  const std::string order = main.IndexName();
  main.SetIndexName("");
  const DrawingUse use(main);
  main.SetIndexName(order);
  TTalvernDataSet& pics = catalogue.Pics();
  TField& pic = pics.FieldByName("PIC");
  int released = 0;
  for (pics.First(); !pics.Eof(); pics.Next()) {
    const std::string code = pic.AsString();
    host.Progress(code);
    if (use.DrawingInUse(code)) continue;
    pics.Edit();
    pics.FieldByName("PICTURE").Clear();
    pics.FieldByName("FN").SetAsString(kFreeDrawingName);
    pics.Post();
    ++released;
  }
  host.Progress(kOptimizeFinished);
  return released;
}

}  // namespace talvern::impexp

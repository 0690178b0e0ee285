#include "handler/DbfObject.h"

namespace talvern {

bool DBFObject::RecordAccepted() {
  if (recordFilter_ && !recordFilter_()) return false;
  return VXO_dBHandler::RecordAccepted();
}

void DBFObject::StatusReport(std::int32_t stat1, std::int32_t stat2, std::int32_t stat3) {
  if (status_) status_(stat1, stat2, stat3);
  else VXO_dBHandler::StatusReport(stat1, stat2, stat3);
}

}  // namespace talvern

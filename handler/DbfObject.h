#pragma once
// DBFObject: the table a dataset drives, the table handler with two hooks
// towards its dataset. The dataset's record filter is asked first about
// every record the handler would accept (a refusal hides the record), and
// progress reports of long operations (index builds) go to the dataset's
// status event. Unset hooks leave the handler's own behaviour.

#include <cstdint>
#include <functional>
#include <string>

#include "handler/TableHandler.h"

namespace talvern {

// A progress report: (-1, phase, total) when a phase starts, (phase, n, 0)
// for each step, (0, 0, 0) at the end.
using TvxStatusReport = std::function<void(std::int32_t stat1, std::int32_t stat2, std::int32_t stat3)>;

// Answers whether the dataset accepts the table's current record.
using TvxRecordFilter = std::function<bool()>;

class DBFObject : public VXO_dBHandler {
public:
  using VXO_dBHandler::VXO_dBHandler;

  bool RecordAccepted() override;
  void StatusReport(std::int32_t stat1, std::int32_t stat2, std::int32_t stat3) override;

  // The dataset sets the filter hook while it is filtered and has a record
  // filter event, and clears it (an empty function) otherwise.
  void SetRecordFilter(TvxRecordFilter filter) { recordFilter_ = std::move(filter); }
  void SetStatusHook(TvxStatusReport status) { status_ = std::move(status); }

private:
  TvxRecordFilter recordFilter_;
  TvxStatusReport status_;
};

}  // namespace talvern

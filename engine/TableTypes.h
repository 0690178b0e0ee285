#pragma once
// Values shared by the table file, the table handler, the index tags and the
// dataset: lock protocols, record position codes and table events.

#include <cstdint>

namespace talvern {

// Which byte ranges are locked for records, appends and the whole table.
enum class TvxLokProtocol : std::int32_t { Default = 0, DB4Lock = 1, ClipLock = 2, FoxLock = 3 };

// Record position codes; a positive value is a physical record number.
constexpr std::int32_t RecNext = -1;
constexpr std::int32_t RecPrior = -2;
constexpr std::int32_t RecTop = -3;
constexpr std::int32_t RecBottom = -4;
constexpr std::int32_t RecSame = -5;

// Table events passed with a value to TableEvent.
constexpr std::int32_t teBlank = 0;        // record buffer blanked (0)
constexpr std::int32_t teOpened = 2;       // table opened (0)
constexpr std::int32_t teBeforeRead = 4;   // position code or number asked for
constexpr std::int32_t teBeforeWrite = 5;  // record number, 0 for an append
constexpr std::int32_t teAfterRead = 6;    // record number
constexpr std::int32_t teAfterWrite = 7;   // record number, 0 for an append
constexpr std::int32_t teAfterFlush = 8;   // current record number

// Table states: navigation applies indexes, filters and the deleted-record
// rule only when the table is ready.
constexpr std::uint8_t kTableReady = 1;
constexpr std::uint8_t kTableIndexing = 4;
constexpr std::uint8_t kTableRecrypting = 5;

}  // namespace talvern

#pragma once
// The table dataset's message texts (raised as EDatabaseError). "%s" is
// filled with a path or the table name.

#include <string_view>

namespace talvern {

inline constexpr std::string_view kSTableNameMissing = "Table name missing";
inline constexpr std::string_view kSCannotFindFile = "Cannot find file %s";
inline constexpr std::string_view kSErrorGetting = "Error getting %s";
inline constexpr std::string_view kSIndexAlreadyOpen = "Index file %s already open";
inline constexpr std::string_view kSRecordBeyondRange = "Record request beyond range of table";
inline constexpr std::string_view kSCannotDelete = "Cannot delete the record";
inline constexpr std::string_view kSCannotRecall = "Cannot recall the record";
// Followed by the table name.
inline constexpr std::string_view kSBookmarkInvalid = "Bookmark is invalid for table ";
inline constexpr std::string_view kSRecordLocked = "Record is locked by another user";
inline constexpr std::string_view kSTableBusy = "Table is busy building an index";
inline constexpr std::string_view kSMasterNoIndex = "Master/Detail relation failed, no index open for %s";
inline constexpr std::string_view kSMasterMismatch = "Master/Detail relation failed, field missmatch for %s";
inline constexpr std::string_view kSNoIndexForFind = "No index is assigned for Find operation";

}  // namespace talvern

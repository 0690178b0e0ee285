#pragma once
// The dataset's errors. Every failure of a dataset operation (wrong state,
// unknown field, bad value for a field, ...) is raised as EDatabaseError with
// a fixed English text whose "%s" and "%d" placeholders are filled in order.
// EAbort is the silent error: it ends an operation without a message.

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

namespace talvern {

class EDatabaseError : public std::runtime_error {
public:
  explicit EDatabaseError(const std::string& message) : std::runtime_error(message) {}
};

// Ends an operation quietly; the application's error handler shows nothing.
class EAbort : public std::runtime_error {
public:
  EAbort() : std::runtime_error("Operation aborted") {}
};

// Fills "%s" and "%d" placeholders in order with the given texts ("%%" is a
// percent sign; a placeholder without an argument stays empty).
std::string FormatDatabaseMessage(std::string_view text, std::initializer_list<std::string_view> args);

// Raises EDatabaseError with the formatted message.
[[noreturn]] void DatabaseError(std::string_view text, std::initializer_list<std::string_view> args = {});

// The dataset's own message texts.
inline constexpr std::string_view kSDataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr std::string_view kSDataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr std::string_view kSDataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr std::string_view kSDataSetReadOnly = "Cannot modify a read-only dataset";
inline constexpr std::string_view kSNotEditing = "Dataset not in edit or insert mode";
inline constexpr std::string_view kSFieldNotFound = "Field '%s' not found";
inline constexpr std::string_view kSDuplicateFieldName = "Duplicate field name '%s'";
inline constexpr std::string_view kSFieldReadOnly = "Field '%s' cannot be modified";
inline constexpr std::string_view kSNotIndexField = "Field '%s' is not indexed and cannot be modified";
inline constexpr std::string_view kSFieldTypeMismatch = "Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr std::string_view kSFieldAccessError = "Cannot access field '%s' as type %s";
inline constexpr std::string_view kSFieldRangeError = "%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr std::string_view kSInvalidIntegerValue = "'%s' is not a valid integer value";
inline constexpr std::string_view kSInvalidFloatValue = "'%s' is not a valid floating point value";
inline constexpr std::string_view kSInvalidBoolValue = "'%s' is not a valid boolean value";
inline constexpr std::string_view kSInvalidDate = "'%s' is not a valid date";
inline constexpr std::string_view kSInvalidDateTime = "'%s' is not a valid date and time";
inline constexpr std::string_view kSLookupInfoError = "Lookup information for field '%s' is incomplete";
inline constexpr std::string_view kSUnknownFieldType = "Field '%s' is of an unknown type";
inline constexpr std::string_view kSCalcBlobField = "Calculated field '%s' cannot hold a memo or blob";
inline constexpr std::string_view kSCircularDataLink = "Circular datalinks are not allowed";
inline constexpr std::string_view kSRecordNotFound = "Record not found";

}  // namespace talvern

#pragma once
// The fixed message texts of the expression engine. They are part of the
// engine's interface (callers and users see them), so they are kept in one
// place and used exactly as written here.

namespace talvern::msg {

// Parsing.
inline constexpr char kSyntaxError[] = "Syntax Error in expression \"%s\"";
inline constexpr char kMissingParenthesis[] = "Missing closing parentheses";
inline constexpr char kMissingPeriod[] = "Missing closing period";
inline constexpr char kExpectingLogical[] = "Expecting \".T.\" or \".F.\"";
inline constexpr char kMissingDelimiter[] = "Missing closing \"%s\" on literal";
inline constexpr char kNoFunction[] = "There is no function for %s";
inline constexpr char kUnknownVariable[] = "Field/variable %s is unknown";
inline constexpr char kCannotEvaluate[] = "Expression cannot be evaluated";
inline constexpr char kTooDeep[] = "Expression is nested too deeply (more than %d levels)";

// Evaluation.
inline constexpr char kTargetMissing[] = "Target value missing for %s operation";
inline constexpr char kSidesDoNotMatch[] = "The two sides of an operation do not match";
inline constexpr char kValueInvalid[] = "A %s value is required but invalid";
inline constexpr char kArgumentNeeded[] = "%s needed for Argument %d of %s";
inline constexpr char kDivisionByZero[] = "Division by zero";
inline constexpr char kOverflow[] = "Floating point overflow";
inline constexpr char kTextTooLong[] = "Text longer than %d characters asked of %s";

// Function library.
inline constexpr char kArgumentRange[] = "Argument for %s must be %s";
inline constexpr char kValueRequired[] = "A value is required for %s";
inline constexpr char kSameType[] = "All arguments for %s must be of the same type";

// Values.
inline constexpr char kVariantMismatch[] = "Variant types mismatch for compare";

}  // namespace talvern::msg

#pragma once
// The table's side of the expression engine. When a table opens it makes its
// expression link (CreateTableLink): the table functions RECNO, DELETED, BOF,
// EOF, TYPE, LEN and FIELDNO, and one variable per field, known by its bare
// name and as TABLE.FIELD (TABLE: the file's base name in upper case). The
// variables read the fields of the table's current record buffer.
//
//   field type   kind      value
//   C            Text      the stored bytes, not trimmed
//   D            Date      the day number (0 for an empty date)
//   F, N         Number    the number (blank: 0)
//   L            Boolean   T t Y y J j are true
//   M            Text      the memo text up to its first NUL byte
//   others       Memo      the stored bytes

#include <memory>
#include <string>

#include "expr/Registry.h"
#include "expr/UserLink.h"

namespace talvern {

class TvxDBFFields;
class VXO_dBaseFld;

class TvxlDBFFieldVars : public TvxUserDefFieldVar {
public:
  TvxlDBFFieldVars(VXO_dBaseFld& table, const TvxDBFFields& field, std::string names);
  int OwnerKind() const override;
  void GetValue(ExprValue& value, ValueKind& kind) override;

  // The value of an F or N field in the current record (blank: 0); a text
  // that is not a plain number is read by the table, which raises for a
  // damaged field.
  double NumberValue();
  // NumberValue of a field that is not plain digits.
  double OtherNumberValue();
  // The field's bytes in the current record.
  std::string_view StoredBytes() const;
  VXO_dBaseFld& Table() const { return *table_; }
  const TvxDBFFields& Field() const { return *field_; }

private:
  void ReadMemo(ExprValue& value);

  VXO_dBaseFld* table_;
  const TvxDBFFields* field_;
};

// The functions a table registers in its link.
class TvxlDBFTableFunction : public TvxUserDefFunction {
public:
  explicit TvxlDBFTableFunction(VXO_dBaseFld& table) : table_(&table) {}

protected:
  // The field name of argument 1, upper-cased.
  std::string& NameArg(TvxExpFunction& node);
  VXO_dBaseFld* table_;
};

#define TALVERN_TABLE_FUNCTION(Class, Name)                                          \
  class Class : public TvxlDBFTableFunction {                                        \
  public:                                                                            \
    using TvxlDBFTableFunction::TvxlDBFTableFunction;                                \
    std::string_view FunctionName() const override { return Name; }                 \
    void Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) override;  \
  };

TALVERN_TABLE_FUNCTION(TvxlDBFRecNo, "RECNO")
TALVERN_TABLE_FUNCTION(TvxlDBFDeleted, "DELETED")
TALVERN_TABLE_FUNCTION(TvxlDBFBOF, "BOF")
TALVERN_TABLE_FUNCTION(TvxlDBFEOF, "EOF")
TALVERN_TABLE_FUNCTION(TvxlDBFType, "TYPE")
// Never reached from an expression: the library's LEN is found first.
TALVERN_TABLE_FUNCTION(TvxlDBFLen, "LEN")
TALVERN_TABLE_FUNCTION(TvxlDBFFieldNo, "FIELDNO")

#undef TALVERN_TABLE_FUNCTION

// The link of a table: its functions and a variable for every field, in
// field order.
std::unique_ptr<TvxExpUserLink> CreateTableLink(VXO_dBaseFld& table);

// Makes every table opened from now on create its link here (the table
// files ask engine/LinkMaker.h). Done once while the program starts, with
// the registries (Registry.cpp).
void InstallTableLinkMaker();

}  // namespace talvern

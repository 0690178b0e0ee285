#pragma once
// VXO_dBaseFld: typed access to the fields of the current record buffer of
// a table: look-up by name or number, descriptor queries, get and put as
// raw text, display text, number, date and logical value, memo texts through
// the memo file, blanking, deleting and recalling records. It also builds
// the table's field dictionary and asks the expression layer for the
// table's expression link (engine/LinkMaker.h).
//
// Field numbers are 1-based; "by number" operations given a number out of
// range answer the neutral result (empty text, 0, false), "by name"
// operations raise "There is no field name %s" for an unknown name. Puts
// change the buffer only; WriteRecord/AppendRecord write it (DeleteRecord
// and RecallRecord do write). A failed put leaves the buffer unchanged.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/DbfFile.h"
#include "engine/FieldInfo.h"
#include "engine/LinkMaker.h"

namespace talvern {

class VXO_dBaseFld : public VXO_dBaseDBF {
public:
  VXO_dBaseFld(const std::string& fileName, bool shared, bool readWrite,
               const std::string& password = "");
  ~VXO_dBaseFld() override;

  virtual const std::uint8_t* FieldDescriptor(const std::string& name);
  virtual void BlankRecord();
  virtual std::int32_t DateGetByName(const std::string& name);
  virtual std::int32_t DateGet(std::int32_t field);
  virtual bool DatePutByName(const std::string& name, std::int32_t day);
  virtual bool DatePut(std::int32_t field, std::int32_t day);
  virtual void DeleteRecord();
  virtual std::string RawGetByName(const std::string& name);
  virtual std::string RawGet(std::int32_t field);
  virtual bool RawPutByName(const std::string& name, const std::string& text);
  virtual bool RawPut(std::int32_t field, const std::string& text);
  virtual std::int32_t FieldDecimals(std::int32_t field);
  virtual std::int32_t FieldLength(std::int32_t field);
  virtual std::int32_t FieldOffset(std::int32_t field);
  virtual std::string FieldName(std::int32_t field);
  virtual char FieldType(std::int32_t field);
  virtual bool LogicGetByName(const std::string& name);
  virtual bool LogicGet(std::int32_t field);
  virtual bool LogicPutByName(const std::string& name, bool flag);
  virtual bool LogicPut(std::int32_t field, bool flag);
  virtual long double NumberGetByName(const std::string& name);
  virtual long double NumberGet(std::int32_t field);
  virtual bool NumberPutByName(const std::string& name, long double value);
  virtual bool NumberPut(std::int32_t field, long double value);
  virtual std::string TextGetByName(const std::string& name);
  virtual std::string TextGet(std::int32_t field);
  virtual bool TextPutByName(const std::string& name, const std::string& text);
  virtual bool TextPut(std::int32_t field, const std::string& text);
  virtual void RecallRecord();

  // 0 when there is no field of that name (trailing blanks ignored, case
  // ignored, names over 10 characters match nothing).
  std::int32_t FieldNumber(const std::string& name) const;
  // The descriptor of the named field, when its type suits the wanted one
  // (G also takes B and M; N also takes B, F, G, I and M); else "Field %s is
  // the incorrect type".
  const std::uint8_t* CheckedField(const std::string& name, char wanted);
  // The memo file for a memo, binary or general field; null otherwise.
  VXobjMemo* MemoObject(std::int32_t field);
  // The memo block the field holds (0 for none, and for fields that are
  // not memos); "Memo record is bad in %s" for a number that is no block.
  std::int32_t MemoBlock(std::int32_t field);
  // Length of the field's memo text.
  std::int64_t MemoSize(std::int32_t field);
  // Reads at most length bytes of the field's memo; length becomes the count.
  void MemoRead(std::int32_t field, void* buffer, std::int32_t& length);
  // Writes the memo and stores its block (0 for an empty text) in the field.
  void MemoWrite(std::int32_t field, const void* buffer, std::int32_t& length);
  // Makes buffer the current record, blanks it and puts the values (null:
  // empty text) into the fields named in the ";"-separated list, translating
  // texts ANSI -> OEM when the translate flag is on; the table's own buffer
  // is current again afterwards.
  void PutValues(std::uint8_t* buffer, const std::string& fieldList,
                 const std::vector<std::optional<std::string>>& values);
  // The translate flag is copied into the expression link.
  void SetTranslate(bool on);
  bool Translate() const { return translate_; }
  // The table's expression link: expressions on this table compile against
  // it (null when no expression layer is linked in).
  TvxExpUserLink* ExpressionLink() const { return expressionLink_.get(); }

  // The field dictionary in field order, and the current descriptor (the
  // field last addressed).
  const std::vector<std::pair<std::string, std::unique_ptr<TvxDBFFields>>>& Fields() const { return fields_; }
  const std::uint8_t* CurrentDescriptor() const { return currentDescriptor_; }
  bool FieldChanged(std::int32_t field) const { return changed_[static_cast<std::size_t>(field)] != 0; }
  void ClearChanged() { std::fill(changed_.begin(), changed_.end(), 0); }
  bool RecordModified() const { return recordModified_; }

protected:
  // The dictionary entry of a field number (null when out of range); makes
  // the field the current descriptor.
  const TvxDBFFields* Field(std::int32_t field);
  // Looks a name up, raising "There is no field name %s".
  std::int32_t NumberOfName(const std::string& name) const;
  std::uint8_t* FieldData(const TvxDBFFields& f) { return currentRecord_ + f.Offset(); }
  // Whether the field keeps its value in binary form (version 0x30).
  bool IsBinary(const TvxDBFFields& f) const;
  bool IsMemoField(const TvxDBFFields& f) const;
  void MarkChanged(const TvxDBFFields& f);
  // TABLE->FIELD (TEXT), naming a field in value errors.
  std::string ValueContext(const TvxDBFFields& f, const std::string& text) const;

  bool translate_ = true;
  const std::uint8_t* currentDescriptor_ = nullptr;
  std::vector<std::pair<std::string, std::unique_ptr<TvxDBFFields>>> fields_;
  TvxExpressionLinkPtr expressionLink_;

private:
  // The expression layer's side of the table: the link, its table functions
  // and one field variable per field, from the installed maker.
  void RegisterExpressionLink();
};

}  // namespace talvern

#include "index/ItemTag.h"

#include <algorithm>
#include <cstring>

#include "engine/Date.h"
#include "engine/Errors.h"
#include "engine/Fields.h"
#include "engine/Strings.h"
#include "index/IndexFile.h"
#include "index/NumericKeys.h"
#include "index/SortItems.h"

namespace talvern {

// Items of a page.

void ItemBuffer::Reset(int keyLength, int capacity) {
  keyLength_ = keyLength;
  keys_.clear();
  recnos_.clear();
  links_.clear();
  keys_.reserve(static_cast<std::size_t>(capacity) * static_cast<std::size_t>(keyLength));
  recnos_.reserve(static_cast<std::size_t>(capacity));
  links_.reserve(static_cast<std::size_t>(capacity));
}

void ItemBuffer::Add(const std::uint8_t* key, std::int32_t recno, std::int32_t link) {
  keys_.insert(keys_.end(), key, key + keyLength_);
  recnos_.push_back(recno);
  links_.push_back(link);
}

void ItemBuffer::RemoveLast() {
  if (recnos_.empty()) return;
  keys_.resize(keys_.size() - static_cast<std::size_t>(keyLength_));
  recnos_.pop_back();
  links_.pop_back();
}

ItemRun ItemBuffer::Run(bool leaf, std::int32_t last, std::int32_t chain) const {
  ItemRun run;
  run.keys = keys_.data();
  run.recnos = recnos_.data();
  run.links = links_.data();
  run.count = Count();
  run.leaf = leaf;
  run.last = last;
  run.chain = chain;
  return run;
}

// The tag.

VXobjItemTag::VXobjItemTag(VXobjIndexFile* file, const std::string& name) : VXobjIndexTag(file, name) {
  SiblingLinks = false;
  InteriorLastChild = true;
}

VXobjItemTag::~VXobjItemTag() {
  try {
    ReleaseNodes();
  } catch (...) {
    // A destructor must not throw; the caller sees write errors on flush.
  }
}

void VXobjItemTag::PlaceHeader(std::int32_t headerOffset) {
  if (headerOffset == -1) {
    HeaderOffset = file_->PageAllocate();
    HeaderDirty = true;
  } else {
    HeaderOffset = headerOffset;
    if (!HeaderRead()) file_->Corrupted = true;
  }
}

std::int32_t VXobjItemTag::NewBlockChain(std::int32_t) { return 0; }

bool VXobjItemTag::LeafBorrows(const VXobjIndexKey&) const { return false; }

int VXobjItemTag::EntryInParent(const VXobjIndexKey& node) {
  const VXobjIndexKey* parent = node.Parent;
  if (!parent) return -1;
  if (parent->Pos >= 0 && parent->Pos < parent->Count() && parent->At(parent->Pos).Link == node.Page)
    return parent->Pos;
  for (int i = 0; i < parent->Count(); ++i)
    if (parent->At(i).Link == node.Page) return i;
  return -1;
}

bool VXobjItemTag::OnRightEdge(const VXobjIndexKey& node) {
  for (const VXobjIndexKey* n = &node; n->Parent; n = n->Parent)
    if (EntryInParent(*n) != n->Parent->Count() - 1) return false;
  return true;
}

char VXobjItemTag::TypeLetter(const TvxVariant& value) {
  switch (value.Type()) {
    case VariantType::Double: return 'N';
    case VariantType::Date: return 'D';
    case VariantType::Boolean: return 'L';
    default: return 'C';
  }
}

void VXobjItemTag::AppendLastChild(VXobjIndexKey& node, std::int32_t child) {
  VXobjIndexKeyData& entry = node.AppendNew();
  // After every key in the stored order: the highest bytes ascending, the
  // empty key (lowest) descending.
  static const std::uint8_t kHighest[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  entry.SetBytes(kHighest, StoredDescending ? 0 : 8);
  entry.RecNo = 0;
  entry.Link = child;
}

void VXobjItemTag::CharacterKey(VXobjIndexKeyData& value, bool trim) const {
  std::string text;
  switch (value.Type()) {
    case VariantType::Text:
    case VariantType::Raw: text.assign(value.View()); break;
    case VariantType::Boolean: text.assign(1, value.AsBoolean() ? 'T' : 'F'); break;
    default: text = value.AsText(); break;
  }
  if (KeyLength > 0 && text.size() > static_cast<std::size_t>(KeyLength)) text.resize(static_cast<std::size_t>(KeyLength));
  if (trim) text.resize(TrimRight(text).size());
  value.SetText(text);
}

void VXobjItemTag::PadKey(const TvxVariant& key, std::uint8_t* out) const {
  std::memset(out, ' ', static_cast<std::size_t>(KeyLength));
  const std::int32_t n = std::min<std::int32_t>(key.Length(), KeyLength);
  if (n > 0) std::memcpy(out, key.Data(), static_cast<std::size_t>(n));
}

std::int16_t VXobjItemTag::CharacterKeyLength(const TvxVariant& value, int maxLength) const {
  std::int32_t length = value.Type() == VariantType::Boolean ? 1
                        : value.Type() == VariantType::Text ? value.Length()
                                                              : static_cast<std::int32_t>(value.AsText().size());
  if (length > maxLength) Raise("Key expression result is too long for index tag %s", {Name});
  return static_cast<std::int16_t>(std::max(length, 1));
}

double VXobjItemTag::NumberOf(const TvxVariant& value) const {
  if (KeyType != 'D') return value.Type() == VariantType::Text ? SearchTextNumber(value.View()) : value.AsDouble();
  std::int32_t day = 0;
  if (value.Type() == VariantType::Text) day = DBFDate().TryStorageToDay(std::string(Trim(value.View()))).value_or(0);
  else if (value.Type() == VariantType::Date) day = value.AsDate();
  else day = static_cast<std::int32_t>(value.AsDouble());
  return day > 0 ? day : kEmptyDateKey;
}

void VXobjItemTag::CheckItems(int first, int count, int itemSize, int extra) const {
  if (count < 0 || itemSize <= 0 ||
      static_cast<std::int64_t>(first) + static_cast<std::int64_t>(count) * itemSize + extra > PageSize())
    file_->RaiseCorrupted();
}

// A page beyond the end of the file is found when it is read (short).
std::int32_t VXobjItemTag::CheckedChild(std::int64_t offset, std::int32_t alignment) const {
  if (offset <= 0 || offset % alignment != 0 || offset > kIndexSpaceEnd - PageSize()) file_->RaiseCorrupted();
  return static_cast<std::int32_t>(offset);
}

void VXobjItemTag::LearnKeyType(char storedType) {
  KeyType = storedType ? storedType : 'C';
  try {
    KeyExprCompile();
    if (HasFor && !Trim(ForExpr).empty()) ForExprCompile();
    TvxVariant value;
    bool ok = true;
    if (KeyEvaluate(value, ok) && ok) {
      char evaluated = TypeLetter(value);
      if (!storedType) KeyType = evaluated;
      else if (storedType == 'N' && evaluated == 'D') KeyType = 'D';  // one stored type for both
      else if ((storedType == 'C') != (evaluated == 'C' || evaluated == 'L'))
        SetNotSearchable(std::string("the key gives ") + evaluated + " values, the tag holds " + storedType + " keys");
    }
  } catch (const ETalvernError& e) {
    // A key this program cannot compute still walks in its stored order;
    // seeks and updates are refused.
    KeyHandler.reset();
    ForHandler.reset();
    SetNotSearchable(e.what());
  }
}

// Creation and building.

bool VXobjItemTag::TagCreate(const std::string& keyExpr, bool unique, bool ascending, const std::string& forExpr) {
  VXobjIndexTag::TagCreate(keyExpr, unique, ascending, forExpr);
  HasFor = !Trim(forExpr).empty();
  StoredDescending = !Ascending;
  if (Trim(keyExpr).empty()) return false;
  TvxVariant value;
  bool ok = true;
  try {
    if (!KeyEvaluate(value, ok) || !ok) return false;
  } catch (const ETalvernError&) {
    return false;
  }
  FixKeyForm(value);
  std::vector<std::uint8_t> zeros(static_cast<std::size_t>(PageSize()), 0);
  file_->PageWrite(HeaderOffset, zeros.data(), PageSize());
  Build();
  return true;
}

void VXobjItemTag::Build() {
  VXO_dBaseFld* table = Table();
  std::unique_ptr<TvxItemBuilder> builder = NewBuilder();
  CollectKeys(*builder);
  if (builder->Count() > 0) builder->WriteOut();
  else WriteEmptyRoot();
  if (table) table->StatusReport(0, 0, 0);
  HeaderDirty = true;
  HeaderWrite();
}

void VXobjItemTag::WriteEmptyRoot() {
  std::vector<std::uint8_t> page(static_cast<std::size_t>(PageSize()), 0);
  Root = file_->PageAllocate();
  ItemRun run;
  run.chain = NewBlockChain(Root);
  EncodePage(page.data(), run);
  file_->PageWrite(Root, page.data(), PageSize());
}

// Writing nodes back.

// Encodes entries [from, to) of node: a leaf's first `stored` of them, an
// interior node's first to - from - 1 as keys and the last one's child as
// the bare pointer after them.
void VXobjItemTag::EncodePart(VXobjIndexKey& node, int from, int to, bool leaf, int stored, std::int32_t chain,
                              std::uint8_t* page) {
  buffer_.Reset(KeyLength, stored);
  key_.resize(static_cast<std::size_t>(std::max<int>(KeyLength, 1)));
  for (int i = from; i < from + stored; ++i) {
    const VXobjIndexKeyData& e = node.At(i);
    StoreKey(e, key_.data());
    buffer_.Add(key_.data(), leaf ? e.Link : e.RecNo, leaf ? 0 : e.Link);
  }
  std::int32_t last = leaf || to <= from ? 0 : node.At(to - 1).Link;
  std::memset(page, 0, static_cast<std::size_t>(PageSize()));
  EncodePage(page, buffer_.Run(leaf, last, chain));
}

bool VXobjItemTag::NodeWrite(VXobjIndexKey& node) {
  std::vector<std::uint8_t> page(static_cast<std::size_t>(PageSize()));
  // A root that lost every child is an empty leaf again.
  if (!node.IsLeaf() && node.Count() == 0) node.Kind = kNodeLeaf;
  const bool leaf = node.IsLeaf();
  const int n = node.Count();
  const int splitStrip = leaf ? (SplitMovesSeparator() ? 1 : 0) : 1;
  auto storedUpTo = [&](int from) {
    int strip = leaf ? (LeafBorrows(node) ? 1 : 0) : 1;
    return std::max(0, n - from - strip);
  };
  int from = 0;
  // While what is left does not fit a page, its first part (half of it, at
  // most a page) moves to a new page on the left, and the entry that ends
  // that part goes up into the parent as its separator.
  while (storedUpTo(from) > MaxKeys) {
    int stored = std::min<int>(MaxKeys, std::max(1, storedUpTo(from) / 2));
    int take = stored + splitStrip;
    std::int32_t newPage = file_->PageAllocate();
    EncodePart(node, from, from + take, leaf, stored, NewBlockChain(newPage), page.data());
    VXobjIndexKeyData separator(node.At(from + take - 1));
    separator.Link = newPage;
    node.SplitInsert(separator);
    file_->PageWrite(newPage, page.data(), PageSize());
    from += take;
  }
  // A root split moved this node to a new page, and the new root took its
  // old one (with its place in the chain of written blocks).
  if (node.OwnsParent && node.Parent) {
    node.Parent->Left = node.Left;
    node.Left = NewBlockChain(node.Page);
  }
  EncodePart(node, from, n, leaf, storedUpTo(from), node.Left, page.data());
  file_->PageWrite(node.Page, page.data(), PageSize());
  if (node.Kind == kNodeNewRoot) node.Kind = kNodeInterior;
  return true;
}

}  // namespace talvern

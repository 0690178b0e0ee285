#pragma once
// TIndexDefs: the index definitions of a table dataset, one per tag of its
// open index files, in tag order. A tag whose key is a plain list of fields
// ("LAST+FIRST") is described by that list ("LAST;FIRST"); a key with a
// function call is an expression index and keeps the expression.

#include <string>
#include <string_view>
#include <vector>

namespace talvern {

struct TIndexDef {
  std::string name;
  std::string fields;      // ";"-separated, for a plain key
  std::string expression;  // for an expression index
  bool isExpression = false;
};

class TIndexDefs {
public:
  int Count() const { return static_cast<int>(defs_.size()); }
  const TIndexDef& operator[](int i) const { return defs_.at(static_cast<std::size_t>(i)); }
  // Case ignored; nullptr when there is none.
  const TIndexDef* Find(std::string_view name) const;
  auto begin() const { return defs_.begin(); }
  auto end() const { return defs_.end(); }

  void Clear() { defs_.clear(); }
  // Adds the definition of a tag from its name and key expression.
  void Add(std::string name, const std::string& keyExpression);

  // False once the tags may have changed; the owner rebuilds the list then.
  bool Updated() const { return updated_; }
  void SetUpdated(bool value) { updated_ = value; }

private:
  std::vector<TIndexDef> defs_;
  bool updated_ = false;
};

}  // namespace talvern

#pragma once
// TIndexFileList: the IndexFiles property of a table dataset, a list of
// index file names that tells its owner of every change (add, delete, clear,
// assign). The table dataset reopens its index files on each change while
// it is open; a name whose file cannot be opened stays in the list.

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace talvern {

class TIndexFileList {
public:
  int Count() const { return static_cast<int>(names_.size()); }
  bool Empty() const { return names_.empty(); }
  const std::string& operator[](int i) const { return names_.at(static_cast<std::size_t>(i)); }
  const std::vector<std::string>& Names() const { return names_; }

  void Add(std::string name) {
    names_.push_back(std::move(name));
    Changed();
  }
  void Delete(int i) {
    names_.at(static_cast<std::size_t>(i));  // raises std::out_of_range for a bad index
    names_.erase(names_.begin() + i);
    Changed();
  }
  void Clear() {
    names_.clear();
    Changed();
  }
  void Assign(std::vector<std::string> names) {
    names_ = std::move(names);
    Changed();
  }
  // Replaces the names without telling the owner.
  void AssignQuietly(std::vector<std::string> names) { names_ = std::move(names); }

  // Called after every change; what it raises reaches the caller of the change.
  std::function<void()> OnChange;

private:
  void Changed() {
    if (OnChange) OnChange();
  }

  std::vector<std::string> names_;
};

}  // namespace talvern

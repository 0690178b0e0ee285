#pragma once
// The root object class of the engine and a list of objects that owns its
// items: removing an item frees it, clearing frees all, destroying clears.
// A descendant that only refers to its items overrides FreeItem with nothing.

#include <algorithm>
#include <vector>

namespace talvern {

class TvxObject {
public:
  virtual ~TvxObject() = default;
};

class TvxCollection : public TvxObject {
public:
  TvxCollection() = default;
  TvxCollection(const TvxCollection&) = delete;
  TvxCollection& operator=(const TvxCollection&) = delete;
  ~TvxCollection() override {
    for (auto* item : items_) delete item;
  }

  int Count() const { return static_cast<int>(items_.size()); }
  TvxObject* At(int index) const { return items_[static_cast<std::size_t>(index)]; }
  int IndexOf(const TvxObject* item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
  }
  void Add(TvxObject* item) { items_.push_back(item); }
  // Takes the item out of the list and frees it (FreeItem).
  void Remove(TvxObject* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    items_.erase(it);
    FreeItem(item);
  }
  void Clear() {
    auto items = std::move(items_);
    items_.clear();
    for (auto* item : items) FreeItem(item);
  }

protected:
  virtual void FreeItem(TvxObject* item) { delete item; }
  // For descendants whose destructor must clear with their own FreeItem.
  void ReleaseAll() { items_.clear(); }

  std::vector<TvxObject*> items_;
};

}  // namespace talvern

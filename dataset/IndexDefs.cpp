#include "dataset/IndexDefs.h"

#include "engine/Strings.h"

namespace talvern {

const TIndexDef* TIndexDefs::Find(std::string_view name) const {
  for (const TIndexDef& def : defs_) {
    if (CompareText(def.name, name) == 0) return &def;
  }
  return nullptr;
}

void TIndexDefs::Add(std::string name, const std::string& keyExpression) {
  TIndexDef def;
  def.name = std::move(name);
  if (keyExpression.find('(') != std::string::npos) {
    def.isExpression = true;
    def.expression = keyExpression;
  } else {
    for (char c : keyExpression) {
      if (c == ' ') continue;
      def.fields += (c == '+' || c == '-') ? ';' : c;
    }
  }
  defs_.push_back(std::move(def));
}

}  // namespace talvern

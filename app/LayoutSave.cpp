#include "app/LayoutSave.h"

#include "engine/Errors.h"

namespace talvern {

std::vector<LayoutWrite> PlanLayoutSave(std::int32_t kind, const std::vector<TColInfoArr>& groups,
                                        const std::vector<int>& screenOrder,
                                        std::int32_t highestFld) {
  if (static_cast<std::int64_t>(screenOrder.size()) > kMaxLayoutNumber)
    Raise("Слишком много групп колонок: их может быть не больше %d",
          {std::int64_t{kMaxLayoutNumber}});
  std::vector<LayoutWrite> writes;
  std::int32_t nextFld = highestFld;
  std::int32_t grp = 0;
  for (int number : screenOrder) {
    if (number < 1 || number > static_cast<int>(groups.size()))
      Raise("Нет группы колонок с номером %d", {std::int64_t{number}});
    ++grp;
    const TColInfoArr& group = groups[static_cast<std::size_t>(number - 1)];
    for (std::size_t i = 0; i < group.size(); ++i) {
      const TColInfo& info = group[i];
      LayoutWrite write;
      write.recNo = info.recNo;
      write.row.grp = grp;
      write.row.len = info.width;
      write.row.shortHeading = info.shortHeading;
      write.row.unit = info.unit;
      write.row.fullName = info.fullName;
      if (info.recNo == 0) {
        if (i > static_cast<std::size_t>(kMaxLayoutNumber))
          Raise("Слишком много колонок в группе: их может быть не больше %d",
                {std::int64_t{kMaxLayoutNumber + 1}});
        if (nextFld >= kMaxLayoutNumber)
          Raise("Слишком много параметров: номер параметра не может быть больше %d",
                {std::int64_t{kMaxLayoutNumber}});
        write.row.vid = kind;
        write.row.fld = ++nextFld;
        write.row.dop = static_cast<std::int32_t>(i);
      }
      writes.push_back(std::move(write));
    }
  }
  return writes;
}

}  // namespace talvern

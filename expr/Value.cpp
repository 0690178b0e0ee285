#include "expr/Value.h"

#include "engine/Errors.h"
#include "expr/Messages.h"

namespace talvern {

void CheckTextLength(double n, std::string_view what) {
  if (!(n <= static_cast<double>(kMaxTextLength)))
    Raise<ETalvernExpression>(msg::kTextTooLong, {static_cast<std::int64_t>(kMaxTextLength), what});
}

}  // namespace talvern

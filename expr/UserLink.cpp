#include "expr/UserLink.h"

#include "engine/Errors.h"
#include "expr/Messages.h"

namespace talvern {

TvxUserDefFunction* TvxExpUserLink::FindFunction(std::string_view name) {
  return functions_.Find(name);
}

TvxUserDefFieldVar* TvxExpUserLink::FindFieldVar(std::string_view name) {
  return variables_.Find(name.substr(0, kNameLength));
}

void TvxExpUserLink::UnknownFunction(std::string_view name) {
  Raise<ETalvernExpression>(msg::kNoFunction, {name});
}

}  // namespace talvern

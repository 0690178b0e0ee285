#pragma once
// TvxExpressionLinkMaker: how a table gets its expression link. The link (the
// table functions and one variable per field, expr/TableLink.h) belongs to
// the expression layer, which stands above the table files; that layer
// installs its maker once, with its process-wide registries, and every table
// opened afterwards asks the maker for its link. A program that does not
// link the expression layer opens tables without one.

#include <memory>

namespace talvern {

class TvxExpUserLink;
class VXO_dBaseFld;

class TvxExpressionLinkMaker {
public:
  // The link of a table that has just built its field dictionary.
  virtual TvxExpUserLink* Make(VXO_dBaseFld& table) const = 0;
  virtual void Free(TvxExpUserLink* link) const = 0;
  // The table's translate flag changed: texts are OEM when it is on.
  virtual void SetTranslate(TvxExpUserLink& link, bool on) const = 0;

protected:
  ~TvxExpressionLinkMaker() = default;
};

// The maker tables use from now on (null: none).
void SetExpressionLinkMaker(const TvxExpressionLinkMaker* maker);
const TvxExpressionLinkMaker* ExpressionLinkMaker();

// A table's link, freed by the maker that made it.
struct TvxExpressionLinkFree {
  const TvxExpressionLinkMaker* maker = nullptr;
  void operator()(TvxExpUserLink* link) const {
    if (maker) maker->Free(link);
  }
};
using TvxExpressionLinkPtr = std::unique_ptr<TvxExpUserLink, TvxExpressionLinkFree>;

}  // namespace talvern

#pragma once
// Verifying an index tag against its table and against itself, for
// `dbftool check` and the tests:
// - structure: every page decodes; entries ascend (by key, then record
//   number) within and across pages; each interior entry holds the highest
//   key and record number of its child; the nodes of each level are linked
//   left to right without gaps or loops;
// - content: the tag holds exactly one entry per record that satisfies its
//   FOR condition, with the key its expression gives (a unique tag: one entry
//   per distinct key, of a record that has that key).
// Each problem found is one line of text; none means the tag is sound.

#include <cstdint>
#include <string>
#include <vector>

namespace talvern {

class VXobjIndexTag;

struct IndexCheckOptions {
  bool structure = true;
  bool content = true;
  // Stop after this many problems.
  int maxProblems = 20;
};

std::vector<std::string> CheckTag(VXobjIndexTag& tag, const IndexCheckOptions& options = {});

}  // namespace talvern

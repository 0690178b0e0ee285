#pragma once
// Reading the sample catalogue's sources (data/*.tsv and data/drawings/*.gif)
// into a Catalogue, checking them as the tables will need them: numbers in
// range, unique keys, every kind in an existing group, every device of an
// existing kind, drawing names that exist, texts that code page 866 holds and
// that fit their fields. The first problem raises ETalvernError naming the
// file and line.

#include <string>

#include "tools/mkcatalog/Catalogue.h"

namespace talvern::mkcatalog {

Catalogue LoadSampleData(const std::string& dataDir);

// The size of a GIF image from its logical screen descriptor; raises when the
// bytes do not start like a GIF file.
void GifSize(const std::string& bytes, const std::string& name, int& width, int& height);

}  // namespace talvern::mkcatalog

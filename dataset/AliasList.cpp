#include "dataset/AliasList.h"

#include "engine/Strings.h"
#include "platform/IniFile.h"
#include "platform/ProgramDir.h"

namespace talvern {

TAliasList TAliasList::Load(const std::string& path) {
  std::vector<std::string> lines{std::string(kDefaultDirectory)};
  for (std::string& line : platform::ReadIniSection(path, kSection)) lines.push_back(std::move(line));
  return TAliasList(std::move(lines));
}

std::optional<std::string> TAliasList::Value(std::string_view name) const {
  for (const std::string& line : lines_) {
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    if (CompareText(std::string_view(line).substr(0, equals), name) == 0) return line.substr(equals + 1);
  }
  return std::nullopt;
}

void TAliasList::AddDirectory(std::string_view name) {
  std::string line(name);
  line += '=';
  line += name;
  directories_.resize(lines_.size(), false);
  lines_.push_back(std::move(line));
  directories_.push_back(true);
}

std::string TAliasList::Resolve(std::string_view name) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i < directories_.size() && directories_[i]) continue;
    const std::string& line = lines_[i];
    std::size_t equals = line.find('=');
    if (equals != std::string::npos && CompareText(std::string_view(line).substr(0, equals), name) == 0)
      return line.substr(equals + 1);
  }
  return std::string(name);
}

TAliasList& AliasList() {
  static TAliasList list = TAliasList::Load(platform::WindowsDirectory() + "/" + TAliasList::kFileName);
  return list;
}

bool IsDefaultDirectory(std::string_view name) { return CompareText(name, TAliasList::kDefaultDirectory) == 0; }

}  // namespace talvern

// dbftool passwd TABLE [INDEXFILE...] [--old P] [--new P]: enciphers a table
// anew with the password P of --new, or makes it plain when there is none;
// --old gives the password it has now (none for a plain table). Its memos
// and index files go along: the table's own .cdx or .mdx file when there is
// one, and the index files named. The table must not be open elsewhere. A
// change that fails, or is cut short, leaves the table as it was (the next
// open puts back what a kill left half done).
#include "Command.h"
#include "engine/DiskFile.h"
#include "handler/TableHandler.h"
#include "platform/File.h"

namespace dbftool {

std::string TakePassword(std::vector<std::string>& args) {
  std::string password;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--password") continue;
    if (i + 1 == args.size()) throw UsageError{"--password needs a value"};
    password = args[i + 1];
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i + 2));
    --i;
  }
  return password;
}

namespace {

int RunPasswd(const std::vector<std::string>& args) {
  std::string oldPassword, newPassword;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--old" || a == "--new") {
      if (i + 1 == args.size()) throw UsageError{a + " needs a value"};
      (a == "--old" ? oldPassword : newPassword) = args[++i];
    } else if (!a.empty() && a[0] == '-') {
      throw UsageError{"unknown option " + a};
    } else {
      files.push_back(a);
    }
  }
  if (files.empty()) throw UsageError{"expects a table"};
  talvern::VXO_dBHandler table(files[0], false, true, oldPassword);
  for (const char* extension : {".cdx", ".mdx"}) {
    std::string own = talvern::platform::ResolveFileName(talvern::ChangeExtension(table.FileName(), extension));
    if (talvern::platform::FileExists(own)) table.OpenIndexFile(own);
  }
  for (std::size_t i = 1; i < files.size(); ++i) table.OpenIndexFile(files[i]);
  table.SetPassword(newPassword);
  return 0;
}

const bool registered = RegisterCommand({"passwd", "TABLE [INDEXFILE...] [--old P] [--new P]",
                                         "encipher a table with a new password, or make it plain", &RunPasswd});

}  // namespace
}  // namespace dbftool

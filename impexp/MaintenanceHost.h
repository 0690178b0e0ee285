#pragma once
// MaintenanceHost: how a maintenance command talks to whoever runs it, the
// main window or the command line. Texts are UTF-8.

#include <exception>
#include <string>

namespace talvern::impexp {

class MaintenanceHost {
public:
  virtual ~MaintenanceHost() = default;

  // One line of the protocol.
  virtual void Protocol(const std::string& line) = 0;

  // The question about an item that is already in the database: replace it
  // (true) or skip it; dontAskAgain gives the same answer to every further
  // conflict of the operation.
  struct Answer {
    bool replace = false;
    bool dontAskAgain = false;
  };
  virtual Answer AskReplace(const std::string& item) = 0;

  // A long operation moved on; text is the status bar's (empty: none). A
  // window repaints here now and then.
  virtual void Progress(const std::string& text) = 0;
};

// An error's message as a protocol line takes it: UTF-8 as it is, other
// bytes read as code page 1251 (texts of the tables).
std::string MessageText(const std::exception& error);
// Whether the bytes are well-formed UTF-8.
bool IsUtf8(std::string_view bytes);

}  // namespace talvern::impexp

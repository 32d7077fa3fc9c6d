#pragma once
// The process log, opened once per test process in a temporary folder, and the messages
// written to it since a mark.
#include <string>
#include <vector>

namespace orbtest {

class LogTail {
 public:
  LogTail();  // opens the process log on first use; marks its current end
  // Messages since the mark, each from its level tag on ("[ERROR] ...").
  std::vector<std::string> Lines() const;

 private:
  std::size_t mark_ = 0;
};

}  // namespace orbtest

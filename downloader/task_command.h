#pragma once
// One request to the task manager, queued by the facade and run on the command worker.
#include <cstdint>
#include <string>

namespace ns_PLX {

enum TaskCommandType : std::int32_t {
  kCommandAdd = 0,
  kCommandRemove = 1,
  kCommandCancel = 2,
  kCommandResume = 3,
  kCommandRemoveAll = 4,
};

struct TaskCommand {
  std::int32_t add_id = 0;   // the task id of an add command
  std::int32_t task_id = 0;  // the task id of every other command
  std::int32_t type = kCommandAdd;
  std::int32_t value = 0;    // carried by an add command, not used further
  // Add commands only.
  std::wstring url;
  std::wstring save_folder;
  std::wstring spare;        // carried, not used
  std::wstring md5;
  std::wstring version;
};

}  // namespace ns_PLX

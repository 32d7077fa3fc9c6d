#include "config/run_state.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include "app/log/simple_log.h"
#include "common/file_io.h"
#include "common/xml_doc.h"
#include "common/xml_utf.h"

namespace {

constexpr std::wstring_view kDeclaration = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

using Member = std::wstring RunStateValues::*;
struct Field {
  std::wstring_view name;
  Member member;
};
constexpr std::array<Field, 6> kFields{{
    {L"Status", &RunStateValues::Status},
    {L"JoinExp", &RunStateValues::JoinExp},
    {L"SelectLang", &RunStateValues::SelectLang},
    {L"InstallPath", &RunStateValues::InstallPath},
    {L"AgreeExtInstall", &RunStateValues::AgreeExtInstall},
    {L"TmpPackagePath", &RunStateValues::TmpPackagePath},
}};

// Control characters (a NUL from "&#0;" among them) would cut or confuse paths and
// command lines built from these values later.
bool Acceptable(std::wstring_view value) {
  if (value.size() > kMaxRunStateValue) return false;
  for (const wchar_t c : value) {
    if (c < 0x20 || c == 0x7f) return false;
  }
  return true;
}

bool IsSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

bool FileSizeAtMost(const std::wstring& path, std::uintmax_t limit) {
  try {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(std::filesystem::path(path), ec);
    return !ec && size <= limit;
  } catch (...) {
    return false;
  }
}

}  // namespace

bool IsResumedStatus(std::wstring_view status) {
  size_t i = 0;
  while (i < status.size() && IsSpace(status[i])) ++i;
  bool negative = false;
  if (i < status.size() && (status[i] == L'+' || status[i] == L'-')) negative = status[i++] == L'-';
  // Leading zeros are free; the value is 1 only when exactly one non-zero digit, a 1,
  // ends the digit run. Counting instead of accumulating cannot overflow.
  while (i < status.size() && status[i] == L'0') ++i;
  if (i >= status.size() || status[i] != L'1') return false;
  ++i;
  const bool more_digits = i < status.size() && status[i] >= L'0' && status[i] <= L'9';
  return !negative && !more_digits;
}

bool ParseRunConfig(std::wstring_view text, RunStateValues& values) {
  XmlDoc doc;
  if (!doc.SetText(text) || !doc.ResetTop() || !doc.FindSibling(L"config")) return false;
  RunStateValues read = values;
  for (const Field& field : kFields) {
    std::wstring value;
    if (!ReadChildText(doc, field.name, value)) continue;
    if (!Acceptable(value)) return false;
    read.*field.member = std::move(value);
  }
  values = std::move(read);
  return true;
}

std::wstring FormatRunConfig(const RunStateValues& values) {
  XmlDoc doc;
  doc.SetText(kDeclaration);
  doc.AppendElem(L"config", {});
  doc.EnterChild();
  for (const Field& field : kFields) doc.AppendElem(field.name, values.*field.member);
  doc.LeaveChild();
  return doc.GetDoc();
}

void ReadRunConfig(RunState& state) {
  if (state.path.empty()) return;
  LogLine(kLogInfo, "[INFO] ReadRunConfig");
  // Read like XmlDoc::ReadFile, but a huge file planted here must not exhaust memory.
  std::string bytes;
  std::wstring error;
  if (FileSizeAtMost(state.path, kMaxRunStateFile) && ReadWholeFile(state.path, bytes, error) &&
      bytes.size() <= kMaxRunStateFile) {
    ParseRunConfig(XmlUtf8ToWide(bytes), state.values);
  }
  state.resumed = IsResumedStatus(state.values.Status);
}

void WriteRunConfig(const RunState& state, bool fork_mode) {
  if (fork_mode || state.path.empty()) return;
  LogLine(kLogInfo, "[INFO] WriteRunConfig");
  XmlDoc doc(FormatRunConfig(state.values));
  doc.WriteFile(state.path);
}

void DeleteRunConfig(RunState& state, bool fork_mode) {
  state.resumed = false;
  if (fork_mode || state.path.empty()) return;
  try {
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::path(state.path), ignored);
  } catch (...) {
    // A path the file system cannot represent names no file to delete.
  }
}

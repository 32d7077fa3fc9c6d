#pragma once
// Reads an "XML" resource of the running executable as wide text (the document's UTF-8
// rules). Windows only. Shared by the string table and the product document readers.
#if defined(_WIN32)
#include <string>

enum class EmbeddedStatus { kFound, kNotFound, kEmpty };

struct EmbeddedXml {
  EmbeddedStatus status = EmbeddedStatus::kNotFound;
  std::wstring text;  // set only when found
};

EmbeddedXml ReadEmbeddedXml(int resource_id);

#endif  // _WIN32

#include "app/lang/lang_table.h"
#include "app/log/simple_log.h"
#include "platform/embedded_resource.h"

namespace {
constexpr int kStringTableResource = 131;
}

bool LangTable::loadLangXML(const std::wstring& brand) {
  LogLine(kLogInfo, "[INFO] loadLangXML");
  const EmbeddedXml xml = ReadEmbeddedXml(kStringTableResource);
  return xml.status == EmbeddedStatus::kFound && LoadStrings(xml.text, brand);
}

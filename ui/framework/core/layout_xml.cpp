#include "ui/framework/core/layout_xml.h"

#include "common/xml_utf.h"

namespace uifw {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }
bool EndsName(wchar_t c) { return IsBlank(c) || c == L'/' || c == L'>' || c == L'=' || c == L'<'; }

// &lt; &gt; &amp; &apos; &quot; and numeric references; anything else stays as typed.
std::wstring Unescape(std::wstring_view s) {
  std::wstring out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    if (s[i] != L'&') {
      out += s[i++];
      continue;
    }
    const size_t semi = s.find(L';', i);
    if (semi == std::wstring_view::npos || semi - i > 10) {
      out += s[i++];
      continue;
    }
    const std::wstring_view ref = s.substr(i + 1, semi - i - 1);
    wchar_t c = 0;
    if (ref == L"lt") c = L'<';
    else if (ref == L"gt") c = L'>';
    else if (ref == L"amp") c = L'&';
    else if (ref == L"apos") c = L'\'';
    else if (ref == L"quot") c = L'"';
    else if (ref.size() > 1 && ref[0] == L'#') {
      const bool hex = ref[1] == L'x' || ref[1] == L'X';
      const std::wstring_view digits = ref.substr(hex ? 2 : 1);
      unsigned long value = 0;
      bool ok = !digits.empty();
      for (const wchar_t d : digits) {
        const int v = (d >= L'0' && d <= L'9') ? d - L'0'
                      : hex && d >= L'a' && d <= L'f' ? d - L'a' + 10
                      : hex && d >= L'A' && d <= L'F' ? d - L'A' + 10
                                                       : -1;
        if (v < 0) ok = false;
        if (v >= 0 && value <= 0xffff) value = value * (hex ? 16 : 10) + static_cast<unsigned>(v);
      }
      if (ok && value != 0 && value <= 0xffff) c = static_cast<wchar_t>(value);
    }
    if (c == 0) {
      out += s[i++];
      continue;
    }
    out += c;
    i = semi + 1;
  }
  return out;
}

class Parser {
 public:
  explicit Parser(std::wstring_view text) : t_(text) {}

  std::optional<XmlElement> Run(std::string* error) {
    XmlElement document;  // holds the root as its only child
    std::vector<XmlElement*> open{&document};
    while (i_ < t_.size()) {
      if (t_[i_] != L'<') {
        ++i_;  // text: layouts have none that matters
        continue;
      }
      bool ok = true;
      if (Starts(L"<?")) ok = SkipPast(L"?>");
      else if (Starts(L"<!--")) ok = SkipPast(L"-->");
      else if (Starts(L"<![CDATA[")) ok = SkipPast(L"]]>");
      else if (Starts(L"<!")) ok = SkipDeclaration();
      else if (Starts(L"</")) ok = EndTag(open);
      else ok = StartTag(open);
      if (!ok) return Fail(error);
    }
    if (open.size() > 1) {
      why_ = "element '" + Narrow(open.back()->name) + "' not ended";
      return Fail(error);
    }
    if (document.children.size() != 1) {
      why_ = document.children.empty() ? "no root element" : "root element has a sibling";
      return Fail(error);
    }
    return std::move(document.children.front());
  }

 private:
  bool Starts(std::wstring_view s) const { return t_.substr(i_, s.size()) == s; }

  bool SkipPast(std::wstring_view end) {
    const size_t at = t_.find(end, i_);
    if (at == std::wstring_view::npos) return Error("unterminated markup");
    i_ = at + end.size();
    return true;
  }

  // <!DOCTYPE ...> with an optional [internal subset].
  bool SkipDeclaration() {
    int brackets = 0;
    for (size_t j = i_ + 2; j < t_.size(); ++j) {
      if (t_[j] == L'[') ++brackets;
      else if (t_[j] == L']') --brackets;
      else if (t_[j] == L'>' && brackets <= 0) {
        i_ = j + 1;
        return true;
      }
    }
    return Error("unterminated declaration");
  }

  void SkipBlanks() {
    while (i_ < t_.size() && IsBlank(t_[i_])) ++i_;
  }

  std::wstring_view Name() {
    const size_t from = i_;
    while (i_ < t_.size() && !EndsName(t_[i_])) ++i_;
    return t_.substr(from, i_ - from);
  }

  bool EndTag(std::vector<XmlElement*>& open) {
    i_ += 2;
    SkipBlanks();
    const std::wstring_view name = Name();
    SkipBlanks();
    if (i_ >= t_.size() || t_[i_] != L'>') return Error("damaged end tag");
    ++i_;
    if (open.size() < 2 || open.back()->name != name) return Error("end tag '" + Narrow(name) + "' does not match");
    open.pop_back();
    return true;
  }

  bool StartTag(std::vector<XmlElement*>& open) {
    ++i_;
    SkipBlanks();
    const std::wstring_view name = Name();
    if (name.empty()) return Error("element without a name");
    XmlElement element;
    element.name.assign(name);
    for (;;) {
      SkipBlanks();
      if (i_ >= t_.size()) return Error("unterminated start tag");
      if (Starts(L"/>")) {
        i_ += 2;
        open.back()->children.push_back(std::move(element));
        return true;
      }
      if (t_[i_] == L'>') {
        ++i_;
        if (open.size() > kMaxLayoutDepth) return Error("elements nested too deeply");
        XmlElement& added = open.back()->children.emplace_back(std::move(element));
        open.push_back(&added);  // stays put: only the innermost open element grows
        return true;
      }
      const std::wstring_view attribute = Name();
      if (attribute.empty()) return Error("damaged attribute");
      SkipBlanks();
      if (i_ >= t_.size() || t_[i_] != L'=') return Error("attribute without a value");
      ++i_;
      SkipBlanks();
      if (i_ >= t_.size() || (t_[i_] != L'"' && t_[i_] != L'\'')) return Error("attribute value without quotes");
      const wchar_t quote = t_[i_++];
      const size_t close = t_.find(quote, i_);
      if (close == std::wstring_view::npos) return Error("unterminated attribute value");
      element.attributes.push_back({std::wstring(attribute), Unescape(t_.substr(i_, close - i_))});
      i_ = close + 1;
    }
  }

  bool Error(std::string why) {
    why_ = std::move(why);
    return false;
  }

  std::optional<XmlElement> Fail(std::string* error) const {
    if (error) *error = why_ + " at offset " + std::to_string(i_);
    return std::nullopt;
  }

  static std::string Narrow(std::wstring_view s) {
    std::string out;
    for (const wchar_t c : s) out += c < 128 ? static_cast<char>(c) : '?';
    return out;
  }

  const std::wstring_view t_;
  size_t i_ = 0;
  std::string why_;
};

}  // namespace

const std::wstring* XmlElement::Attribute(std::wstring_view attribute) const {
  for (auto it = attributes.rbegin(); it != attributes.rend(); ++it) {
    if (it->name == attribute) return &it->value;
  }
  return nullptr;
}

std::optional<XmlElement> ParseLayoutXmlText(std::wstring_view text, std::string* error) {
  if (!text.empty() && text.front() == L'\xFEFF') text.remove_prefix(1);
  return Parser(text).Run(error);
}

std::optional<XmlElement> ParseLayoutXml(std::string_view bytes, std::string* error) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xff && static_cast<unsigned char>(bytes[1]) == 0xfe) {
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    return ParseLayoutXmlText(text, error);
  }
  return ParseLayoutXmlText(XmlUtf8ToWide(bytes), error);
}

}  // namespace uifw

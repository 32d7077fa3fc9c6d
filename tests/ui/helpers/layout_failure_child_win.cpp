// Creates one skinned window whose layout cannot be built, as the first argument says:
// "missing" (the package lacks the document) or "broken" (not well formed). The
// framework shows its message box and ends the process with exit code 1; reaching the
// end of main means it did not.
#include <windows.h>

#include <cstring>
#include <vector>

#include "tests/ui/support/skin_builder.h"
#include "ui/framework/window_impl_base.h"

namespace {

class Window : public WindowImplBase {
 protected:
  std::wstring_view ClassName() const override { return L"orb_layout_failure"; }
  std::wstring_view LayoutFile() const override { return L"broken.xml"; }
};

}  // namespace

int main(int argc, char** argv) {
  const bool broken = argc > 1 && std::strcmp(argv[1], "broken") == 0;
  std::vector<uitest::ZipMember> members = {{"other.xml", "<Window><Label/></Window>", true}};
  if (broken) members.push_back({"broken.xml", "<Window><VerticalLayout></Window>", true});
  CPaintManagerUI::SetResourceZip(uitest::MakeZip(members));
  Window window;
  window.Create(nullptr, L"layout failure", 0x80B, 0, 0, 0, 200, 100);
  return 7;
}

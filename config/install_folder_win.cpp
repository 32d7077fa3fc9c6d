#include <windows.h>

#include "config/local_product.h"
#include "config/product_reader.h"
#include "platform/folders.h"
#include "platform/installed_products.h"

namespace {

bool NamesDriveRoot(const std::wstring& path) {
  if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') return false;
  const UINT type = ::GetDriveTypeW(path.substr(0, 3).c_str());
  return type != DRIVE_UNKNOWN && type != DRIVE_NO_ROOT_DIR;
}

}  // namespace

std::wstring ChooseDefaultInstallFolder(const std::wstring& custom, const ProductConfig& config) {
  std::wstring folder = custom;
  if (IsLocalAppDataToken(folder)) {
    folder = InteractiveUserLocalAppData();
  } else if (!NamesDriveRoot(folder)) {
    folder.clear();
  }
  if (folder.empty()) {
    const std::wstring installed = MakerProductValue(config.ProductBrand, DecimalPrefix(config.ProductID), L"InstallPath");
    folder = InstallRootBeforeBrand(installed, config.ProductBrand);
  }
  return folder;
}

#include "app/shell/product_info.h"

#include "install/wrappers/file_helpers.h"

namespace {

constexpr char kProductCode[] = "{4C3F9A1E-7B2D-4E6A-9F08-5D1C2B3A4E6F}";

}  // namespace

ProductInfoVexX86::ProductInfoVexX86() {
  productCode_ = kProductCode;
  packageBaseName_ = "Corvex11_x86";
  x64_ = false;
  productName_ = "Corvex";
  displayName_ = "Corvex 11";
  fullDisplayName_ = "Corvex 11";
  version_ = "1.0.0.1";
  publisher_ = "Corvex Software Inc.";
  logoBitmapId_ = 138;
  finishLogoBitmapId_ = 139;
}

ProductInfoVexX64::ProductInfoVexX64() {
  productCode_ = kProductCode;
  packageBaseName_ = "Corvex11_x64";
  x64_ = true;
  productName_ = "Corvex";
  displayName_ = "Corvex 11";
  fullDisplayName_ = "Corvex 11 (x64)";
  version_ = "1.0.0.1";
  publisher_ = "Corvex Software Inc.";
  logoBitmapId_ = 187;
  finishLogoBitmapId_ = 188;
}

std::shared_ptr<IProductInfo> GetProductInfo() {
  // Created on the UI thread before any worker exists; read-only afterwards.
  static const std::shared_ptr<IProductInfo> profile =
      Is64BitWindows() ? std::shared_ptr<IProductInfo>(std::make_shared<ProductInfoVexX64>())
                       : std::shared_ptr<IProductInfo>(std::make_shared<ProductInfoVexX86>());
  return profile;
}

#include "base/product_info.h"

#include "base/file_helpers.h"
#include "base/resource_ids.h"

namespace base {

namespace {

constexpr char kProductCode[] = "{4C3F9A1E-7B2D-4E6A-9F08-5D1C2B3A4E6F}";

}  // namespace

void ProductInfoBase::AssignEdition(const EditionValues& edition) {
  productCode_ = kProductCode;
  packageBaseName_ = edition.packageBaseName;
  x64_ = edition.x64;
  productName_ = "Corvex";
  displayName_ = "Corvex 11";
  fullDisplayName_ = edition.fullDisplayName;
  version_ = "1.0.0.1";
  publisher_ = "Corvex Software Inc.";
  logoBitmapId_ = edition.logoBitmapId;
  finishLogoBitmapId_ = edition.finishLogoBitmapId;
}

ProductInfoVexX86::ProductInfoVexX86() {
  AssignEdition({"Corvex11_x86", false, "Corvex 11", resource_ids::kLogoBitmapX86, resource_ids::kFinishLogoBitmapX86});
}

ProductInfoVexX64::ProductInfoVexX64() {
  AssignEdition(
      {"Corvex11_x64", true, "Corvex 11 (x64)", resource_ids::kLogoBitmapX64, resource_ids::kFinishLogoBitmapX64});
}

std::shared_ptr<IProductInfo> GetProductInfo() {
  // Created on the UI thread before any worker exists; read-only afterwards.
  static const std::shared_ptr<IProductInfo> profile =
      Is64BitWindows() ? std::shared_ptr<IProductInfo>(std::make_shared<ProductInfoVexX64>())
                       : std::shared_ptr<IProductInfo>(std::make_shared<ProductInfoVexX86>());
  return profile;
}

}  // namespace base

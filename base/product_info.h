// The product profiles: what differs between the 32-bit and 64-bit edition before the
// setup package has been downloaded.
#pragma once

#include <memory>
#include <string>

namespace base {

class IProductInfo {
 public:
  virtual ~IProductInfo() = default;
  virtual const char* GetProductCode() const = 0;
  virtual const char* GetPackageBaseName() const = 0;
  virtual const char* GetUrl() const = 0;
  virtual const char* GetReservedText() const = 0;
  virtual bool IsX64() const = 0;
  virtual const char* GetProductName() const = 0;
  virtual const char* GetDisplayName() const = 0;
  virtual const char* GetFullDisplayName() const = 0;
  virtual const char* GetVersion() const = 0;
  virtual const char* GetPublisher() const = 0;
  virtual const wchar_t* GetVersionLabel() const = 0;
  virtual int GetLogoBitmapId() const = 0;
  virtual int GetFinishLogoBitmapId() const = 0;
};

// The values in which the two editions differ.
struct EditionValues {
  const char* packageBaseName;
  bool x64;
  const char* fullDisplayName;
  int logoBitmapId;
  int finishLogoBitmapId;
};

class ProductInfoBase : public IProductInfo {
 public:
  const char* GetProductCode() const override { return productCode_.c_str(); }
  const char* GetPackageBaseName() const override { return packageBaseName_.c_str(); }
  const char* GetUrl() const override { return url_.c_str(); }
  const char* GetReservedText() const override { return reserved_.c_str(); }
  bool IsX64() const override { return x64_; }
  const char* GetProductName() const override { return productName_.c_str(); }
  const char* GetDisplayName() const override { return displayName_.c_str(); }
  const char* GetFullDisplayName() const override { return fullDisplayName_.c_str(); }
  const char* GetVersion() const override { return version_.c_str(); }
  const char* GetPublisher() const override { return publisher_.c_str(); }
  const wchar_t* GetVersionLabel() const override { return versionLabel_.c_str(); }
  int GetLogoBitmapId() const override { return logoBitmapId_; }
  int GetFinishLogoBitmapId() const override { return finishLogoBitmapId_; }

 protected:
  ProductInfoBase() = default;
  // Fills every field: the shared product values and those of the edition.
  void AssignEdition(const EditionValues& edition);

  std::string productCode_;
  std::string packageBaseName_;
  std::string url_;
  std::string reserved_;
  bool x64_ = false;
  std::string productName_;
  std::string displayName_;
  std::string fullDisplayName_;
  std::string version_;
  std::string publisher_;
  std::wstring versionLabel_;
  int logoBitmapId_ = 0;
  int finishLogoBitmapId_ = 0;
};

class ProductInfoVexX86 final : public ProductInfoBase {
 public:
  ProductInfoVexX86();
  ~ProductInfoVexX86() override = default;
};

class ProductInfoVexX64 final : public ProductInfoBase {
 public:
  ProductInfoVexX64();
  ~ProductInfoVexX64() override = default;
};

// Created on the first call (by the machine's bitness), the same object afterwards.
std::shared_ptr<IProductInfo> GetProductInfo();

}  // namespace base

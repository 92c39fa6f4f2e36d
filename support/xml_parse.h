// Configuration documents in XML, addressed by dotted element paths. Attribute
// operations take the attribute name as the last path component.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <boost/property_tree/ptree.hpp>

#include "platform/win_types.h"

namespace support {

// Typed reads return these when the value is missing or does not convert as a whole.
inline constexpr int kXmlIntNotFound = -9999999;
inline constexpr float kXmlFloatNotFound = -99999.9f;
inline constexpr const char kXmlStringNotFound[] = "{__see_it_is_read_string_failed_}";

class IXMLParse {
 public:
  virtual ~IXMLParse() = default;

  virtual std::shared_ptr<IXMLParse> Clone() = 0;
  virtual bool GetFloatList(const std::string& path, std::vector<float>& out) = 0;
  virtual bool GetIntList(const std::string& path, std::vector<int>& out) = 0;
  virtual bool GetStringList(const std::string& path, std::vector<std::string>& out) = 0;
  virtual bool GetAttrFloat(const std::string& path, float& out) = 0;
  virtual bool GetAttrInt(const std::string& path, int& out) = 0;
  virtual bool GetAttrString(const std::string& path, std::string& out) = 0;
  virtual bool SetFloatList(const std::string& path, const std::vector<float>& values) = 0;
  virtual bool SetIntList(const std::string& path, const std::vector<int>& values) = 0;
  virtual bool SetStringList(const std::string& path, const std::vector<std::string>& values) = 0;
  virtual bool PutAttrInt(const std::string& path, int value) = 0;
  virtual bool PutAttrFloat(const std::string& path, float value) = 0;
  virtual bool PutAttrString(const std::string& path, const std::string& value) = 0;
  virtual bool AddFloatList(const std::string& path, const std::vector<float>& values) = 0;
  virtual bool AddIntList(const std::string& path, const std::vector<int>& values) = 0;
  virtual bool AddStringList(const std::string& path, const std::vector<std::string>& values) = 0;
  virtual bool SetAttrInt(const std::string& path, int value) = 0;
  virtual bool SetAttrFloat(const std::string& path, float value) = 0;
  virtual bool SetAttrString(const std::string& path, const std::string& value) = 0;
  virtual bool SetInt(const std::string& path, int value) = 0;
  virtual bool SetFloat(const std::string& path, float value) = 0;
  virtual bool SetString(const std::string& path, const std::string& value) = 0;
  virtual bool RemoveAttr(const std::string& path) = 0;
  virtual bool Remove(const std::string& path) = 0;
  // Parses `text` up to its terminating NUL; `length` is not used.
  virtual bool ReadFromMemory(const char* text, size_t length) = 0;
  virtual bool ReadFromFile(const std::wstring& path) = 0;
  virtual int IsLoaded() = 0;
  virtual int Save() = 0;
  // 1 written, E_FAIL the file does not open, 0 the writer failed.
  virtual int SaveAs(const std::wstring& path) = 0;
  virtual boost::property_tree::ptree& GetTree() = 0;
  virtual bool AddNode(const std::string& path, const std::map<std::string, std::string>& attributes,
                       const std::string& text) = 0;
  virtual bool SetItemMap(const std::string& path, const std::map<std::string, std::string>& items) = 0;
};

class XMLParse : public IXMLParse {
 public:
  XMLParse() = default;

  std::shared_ptr<IXMLParse> Clone() override;
  bool GetFloatList(const std::string& path, std::vector<float>& out) override;
  bool GetIntList(const std::string& path, std::vector<int>& out) override;
  bool GetStringList(const std::string& path, std::vector<std::string>& out) override;
  bool GetAttrFloat(const std::string& path, float& out) override;
  bool GetAttrInt(const std::string& path, int& out) override;
  bool GetAttrString(const std::string& path, std::string& out) override;
  bool SetFloatList(const std::string& path, const std::vector<float>& values) override;
  bool SetIntList(const std::string& path, const std::vector<int>& values) override;
  bool SetStringList(const std::string& path, const std::vector<std::string>& values) override;
  bool PutAttrInt(const std::string& path, int value) override;
  bool PutAttrFloat(const std::string& path, float value) override;
  bool PutAttrString(const std::string& path, const std::string& value) override;
  bool AddFloatList(const std::string& path, const std::vector<float>& values) override;
  bool AddIntList(const std::string& path, const std::vector<int>& values) override;
  bool AddStringList(const std::string& path, const std::vector<std::string>& values) override;
  bool SetAttrInt(const std::string& path, int value) override;
  bool SetAttrFloat(const std::string& path, float value) override;
  bool SetAttrString(const std::string& path, const std::string& value) override;
  bool SetInt(const std::string& path, int value) override;
  bool SetFloat(const std::string& path, float value) override;
  bool SetString(const std::string& path, const std::string& value) override;
  bool RemoveAttr(const std::string& path) override;
  bool Remove(const std::string& path) override;
  bool ReadFromMemory(const char* text, size_t length) override;
  bool ReadFromFile(const std::wstring& path) override;
  int IsLoaded() override { return m_nLoaded; }
  int Save() override { return SaveAs(m_strFilePath); }
  int SaveAs(const std::wstring& path) override;
  boost::property_tree::ptree& GetTree() override { return m_tree; }
  bool AddNode(const std::string& path, const std::map<std::string, std::string>& attributes,
               const std::string& text) override;
  bool SetItemMap(const std::string& path, const std::map<std::string, std::string>& items) override;

 private:
  template <typename T>
  bool ReadList(const std::string& path, std::vector<T>& out);
  template <typename T>
  bool WriteList(const std::string& path, const std::vector<T>& values);
  template <typename T>
  bool PutAttr(const std::string& path, const T& value);
  template <typename T>
  bool PutValue(const std::string& path, const T& value);

  boost::property_tree::ptree m_tree;
  std::wstring m_strFilePath;
  int m_nLoaded = 0;
};

// "a.b.c" -> "a.b.<xmlattr>.c"; false for a path without '.'.
bool MakeAttrPath(const std::string& path, std::string& attrPath);

// A new, empty document: S_OK, or E_FAIL when none could be made.
HRESULT CreateXMLParse(std::shared_ptr<IXMLParse>& out);

// The document as the XML text SaveAs writes (tab-indented, UTF-8); false when the
// writer failed.
bool WriteXmlText(IXMLParse& document, std::string& text);

}  // namespace support

#include "support/xml_parse.h"

#include <new>
#include <sstream>

#include <boost/property_tree/xml_parser.hpp>

#include "base/jfile.h"
#include "support/xml_limits.h"

namespace support {

namespace pt = boost::property_tree;

namespace {

constexpr const char kItemName[] = "item";
constexpr const char kItemKeyPath[] = "<xmlattr>.key";

// Splits "a.b.c" into "a.b" and "c"; a path without '.' has the root as parent.
void SplitParent(const std::string& path, std::string& parent, std::string& child) {
  const auto dot = path.rfind('.');
  if (dot == std::string::npos) {
    parent.clear();
    child = path;
  } else {
    parent = path.substr(0, dot);
    child = path.substr(dot + 1);
  }
}

pt::ptree* FindNode(pt::ptree& tree, const std::string& path) {
  if (path.empty()) return &tree;
  auto found = tree.get_child_optional(pt::ptree::path_type(path, '.'));
  return found ? &found.get() : nullptr;
}

}  // namespace

bool MakeAttrPath(const std::string& path, std::string& attrPath) {
  const auto dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  attrPath = path.substr(0, dot) + ".<xmlattr>" + path.substr(dot);
  return true;
}

HRESULT CreateXMLParse(std::shared_ptr<IXMLParse>& out) {
  try {
    out = std::make_shared<XMLParse>();
  } catch (...) {
    out.reset();
  }
  return out ? S_OK : E_FAIL;
}

std::shared_ptr<IXMLParse> XMLParse::Clone() {
  try {
    auto copy = std::make_shared<XMLParse>();
    copy->m_tree = m_tree;
    copy->m_strFilePath = m_strFilePath;
    copy->m_nLoaded = m_nLoaded;
    return copy;
  } catch (...) {
    return nullptr;
  }
}

template <typename T>
bool XMLParse::ReadList(const std::string& path, std::vector<T>& out) {
  try {
    pt::ptree* node = FindNode(m_tree, path);
    if (!node) return false;
    std::vector<T> values;
    for (const auto& child : *node) {
      if (child.first != kItemName) continue;
      values.push_back(child.second.get<T>(kItemKeyPath));
    }
    out.swap(values);
    return true;
  } catch (...) {
    return false;
  }
}

template <typename T>
bool XMLParse::WriteList(const std::string& path, const std::vector<T>& values) {
  try {
    pt::ptree* node = FindNode(m_tree, path);
    if (!node) return false;
    node->erase(kItemName);
    for (const auto& value : values) {
      pt::ptree& item = node->add_child(kItemName, pt::ptree());
      item.put(kItemKeyPath, value);
    }
    return true;
  } catch (...) {
    return false;
  }
}

template <typename T>
bool XMLParse::PutAttr(const std::string& path, const T& value) {
  try {
    std::string attrPath;
    if (!MakeAttrPath(path, attrPath)) return false;
    m_tree.put(attrPath, value);
    return true;
  } catch (...) {
    return false;
  }
}

template <typename T>
bool XMLParse::PutValue(const std::string& path, const T& value) {
  try {
    m_tree.put(path, value);
    return true;
  } catch (...) {
    return false;
  }
}

bool XMLParse::GetFloatList(const std::string& path, std::vector<float>& out) { return ReadList(path, out); }
bool XMLParse::GetIntList(const std::string& path, std::vector<int>& out) { return ReadList(path, out); }
bool XMLParse::GetStringList(const std::string& path, std::vector<std::string>& out) { return ReadList(path, out); }

bool XMLParse::GetAttrFloat(const std::string& path, float& out) {
  try {
    std::string attrPath;
    if (!MakeAttrPath(path, attrPath)) return false;
    const float value = m_tree.get<float>(attrPath, kXmlFloatNotFound);
    if (value == kXmlFloatNotFound) return false;
    out = value;
    return true;
  } catch (...) {
    return false;
  }
}

bool XMLParse::GetAttrInt(const std::string& path, int& out) {
  try {
    std::string attrPath;
    if (!MakeAttrPath(path, attrPath)) return false;
    out = m_tree.get<int>(attrPath, kXmlIntNotFound);
    return out != kXmlIntNotFound;
  } catch (...) {
    return false;
  }
}

bool XMLParse::GetAttrString(const std::string& path, std::string& out) {
  try {
    std::string attrPath;
    if (!MakeAttrPath(path, attrPath)) return false;
    std::string value = m_tree.get<std::string>(attrPath, kXmlStringNotFound);
    if (value == kXmlStringNotFound) return false;
    out = std::move(value);
    return true;
  } catch (...) {
    return false;
  }
}

bool XMLParse::SetFloatList(const std::string& path, const std::vector<float>& values) {
  return WriteList(path, values);
}
bool XMLParse::SetIntList(const std::string& path, const std::vector<int>& values) { return WriteList(path, values); }
bool XMLParse::SetStringList(const std::string& path, const std::vector<std::string>& values) {
  return WriteList(path, values);
}

bool XMLParse::PutAttrInt(const std::string& path, int value) { return PutAttr(path, value); }
bool XMLParse::PutAttrFloat(const std::string& path, float value) { return PutAttr(path, value); }
bool XMLParse::PutAttrString(const std::string& path, const std::string& value) { return PutAttr(path, value); }

bool XMLParse::AddFloatList(const std::string& path, const std::vector<float>& values) {
  try {
    if (!FindNode(m_tree, path)) m_tree.add_child(path, pt::ptree());
  } catch (...) {
    return false;
  }
  return SetFloatList(path, values);
}

// Kept as the interface has always behaved: nobody stores integer lists this way.
bool XMLParse::AddIntList(const std::string&, const std::vector<int>&) { return true; }

bool XMLParse::AddStringList(const std::string& path, const std::vector<std::string>& values) {
  try {
    if (!FindNode(m_tree, path)) m_tree.add_child(path, pt::ptree());
  } catch (...) {
    return false;
  }
  return SetStringList(path, values);
}

bool XMLParse::SetAttrInt(const std::string& path, int value) { return PutAttr(path, value); }
bool XMLParse::SetAttrFloat(const std::string& path, float value) { return PutAttr(path, value); }
bool XMLParse::SetAttrString(const std::string& path, const std::string& value) { return PutAttr(path, value); }

bool XMLParse::SetInt(const std::string& path, int value) { return PutValue(path, value); }
bool XMLParse::SetFloat(const std::string& path, float value) { return PutValue(path, value); }
bool XMLParse::SetString(const std::string& path, const std::string& value) { return PutValue(path, value); }

bool XMLParse::RemoveAttr(const std::string& path) {
  std::string attrPath;
  if (!MakeAttrPath(path, attrPath)) return false;
  return Remove(attrPath);
}

bool XMLParse::Remove(const std::string& path) {
  try {
    if (!FindNode(m_tree, path)) return true;
    std::string parentPath, child;
    SplitParent(path, parentPath, child);
    pt::ptree* parent = FindNode(m_tree, parentPath);
    if (!parent) return true;
    parent->erase(child);
    return true;
  } catch (...) {
    return false;
  }
}

bool XMLParse::ReadFromMemory(const char* text, size_t) {
  if (!text) return false;
  try {
    std::string document(text);
    if (!XmlWithinLimits(document)) return false;
    std::istringstream stream{std::move(document)};
    pt::ptree parsed;
    pt::read_xml(stream, parsed, pt::xml_parser::trim_whitespace);
    // A document needs a root element; the reader accepts empty text without one.
    if (parsed.empty()) return false;
    m_tree.swap(parsed);
    return true;
  } catch (...) {
    return false;
  }
}

bool XMLParse::ReadFromFile(const std::wstring& path) {
  try {
    base::JFile file;
    if (!file.Open(path, base::JFILE_READ_BINARY)) return false;
    const long size = file.Size();
    if (size < 0 || static_cast<unsigned long>(size) > kMaxXmlDocumentSize) {
      file.Close();
      return false;
    }
    std::string buffer(static_cast<size_t>(size) + 1, '\0');
    const long read = size > 0 ? file.Read(buffer.data(), static_cast<size_t>(size)) : 0;
    file.Close();
    if (read != size) return false;
    if (!ReadFromMemory(buffer.data(), buffer.size())) return false;
    m_strFilePath = path;
    m_nLoaded = 1;
    return true;
  } catch (...) {
    return false;
  }
}

bool WriteXmlText(IXMLParse& document, std::string& text) {
  try {
    std::ostringstream stream;
    pt::write_xml(stream, document.GetTree(), pt::xml_writer_make_settings<std::string>('\t', 1, "utf-8"));
    text = stream.str();
    return true;
  } catch (...) {
    return false;
  }
}

int XMLParse::SaveAs(const std::wstring& path) {
  std::string text;
  if (!WriteXmlText(*this, text)) return 0;
  base::JFile file;
  if (!file.Open(path, base::JFILE_WRITE_BINARY)) return E_FAIL;
  const long written = file.Write(text.data(), text.size());
  file.Close();
  return written == static_cast<long>(text.size()) ? 1 : 0;
}

bool XMLParse::AddNode(const std::string& path, const std::map<std::string, std::string>& attributes,
                       const std::string& text) {
  try {
    pt::ptree& node = m_tree.add(path, text);
    for (const auto& [name, value] : attributes) node.put("<xmlattr>." + name, value);
    return true;
  } catch (...) {
    return false;
  }
}

bool XMLParse::SetItemMap(const std::string& path, const std::map<std::string, std::string>& items) {
  try {
    pt::ptree* node = FindNode(m_tree, path);
    if (!node) node = &m_tree.put_child(path, pt::ptree());
    node->erase(kItemName);
    for (const auto& [key, value] : items) {
      pt::ptree& item = node->add_child(kItemName, pt::ptree());
      item.put("<xmlattr>.key", key);
      item.put("<xmlattr>.value", value);
    }
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace support

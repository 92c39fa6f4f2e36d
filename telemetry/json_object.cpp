#include "telemetry/json_object.h"

#include <cjson/cJSON.h>

namespace telemetry {

CJsonObject::~CJsonObject() {
  if (ownedRoot != nullptr) cJSON_Delete(ownedRoot);
}

cJSON* CJsonObject::RootForAdding() {
  if (ownedRoot != nullptr) return ownedRoot;
  if (borrowedRoot != nullptr) return borrowedRoot;
  ownedRoot = cJSON_CreateObject();
  return ownedRoot;
}

bool CJsonObject::AddMember(const std::string& key, cJSON* value) {
  cJSON* root = RootForAdding();
  if (root == nullptr) {
    errorText = "json data is null!";
    cJSON_Delete(value);
    return false;
  }
  if (!cJSON_IsObject(root)) {
    errorText = "not a json object! json array?";
    cJSON_Delete(value);
    return false;
  }
  if (value == nullptr) return false;
  cJSON_AddItemToObject(root, key.c_str(), value);
  return cJSON_GetObjectItem(root, key.c_str()) != nullptr;
}

bool CJsonObject::Add(const std::string& key, int value) {
  return AddMember(key, cJSON_CreateNumber(static_cast<double>(value)));
}

bool CJsonObject::Add(const std::string& key, const std::string& value) {
  return AddMember(key, cJSON_CreateString(value.c_str()));
}

std::string CJsonObject::ToString() const {
  const cJSON* root = ownedRoot != nullptr ? ownedRoot : borrowedRoot;
  if (root == nullptr) return std::string();
  char* printed = cJSON_PrintUnformatted(root);
  if (printed == nullptr) return std::string();
  std::string text(printed);
  cJSON_free(printed);
  return text;
}

}  // namespace telemetry

// A flat JSON object built member by member and printed compactly.
#pragma once

#include <string>

struct cJSON;

namespace telemetry {

class CJsonObject {
 public:
  CJsonObject() = default;
  virtual ~CJsonObject();
  CJsonObject(const CJsonObject&) = delete;
  CJsonObject& operator=(const CJsonObject&) = delete;

  // Appends a member at the end; an existing member of the same key is kept, so a
  // key added twice is printed twice. False when the member could not be added.
  bool Add(const std::string& key, int value);
  bool Add(const std::string& key, const std::string& value);

  // The compact text ("{"a":1,"b":"x"}"); empty for an object with no member yet.
  std::string ToString() const;

  // Text of the last failure; nobody in the program reads it, it helps debugging.
  const std::string& ErrorText() const { return errorText; }

 private:
  cJSON* RootForAdding();
  bool AddMember(const std::string& key, cJSON* value);

  cJSON* ownedRoot = nullptr;     // created by the first Add, freed with this object
  cJSON* borrowedRoot = nullptr;  // someone else's tree; never set in this program
  std::string errorText;
};

}  // namespace telemetry

#pragma once

#include <string>

namespace platform {

// Finds resource `id` of `type` in the bundle compiled into the program
// (/corvex/<type>/<id>) and copies its bytes into `out`. False when missing.
bool LoadResourceBytes(int id, const std::wstring& type, std::string& out);

}  // namespace platform

#pragma once

#include <string>

namespace platform {

// Finds resource `id` of `type` in the bundle compiled into the program
// (/corvex/<type>/<id>) and copies its bytes into `out`. False when missing.
// Inside a sandbox root (CORVEX_SYSROOT), the file <CORVEX_RESOURCE_OVERRIDE>/<type>/<id>
// takes the resource's place when it exists: tests point the installer at their own
// mirrors that way.
bool LoadResourceBytes(int id, const std::wstring& type, std::string& out);

}  // namespace platform

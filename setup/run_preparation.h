// What every install run prepares before its sequence starts, with or without the
// dialog: the package info block from the product profile and the version text.
#pragma once

#include <string>

#include "base/product_info.h"
#include "install/package_info.h"

namespace setup {

// The profile's values in the block's fields, until the package's own block replaces them.
install::PackageInfo PackageInfoFromProfile(const base::IProductInfo& profile);

// The embedded version text of the edition ("11.0.9.2 official (16/06/2020)"). False
// when the resource is missing; `out` is set only for a text that reads like a version.
bool LoadVersionTextResource(bool is64, std::string& out);

}  // namespace setup

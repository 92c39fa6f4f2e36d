// The polkit action that names the install helper, so that the administrator is asked
// about this product (and asked again only after a while) rather than about an
// unnamed program run as root.
#pragma once

#include <string>

namespace setup {

inline constexpr char kPolkitActionId[] = "org.corvex.online-setup.install-helper";

// The action's XML for the helper at `programPath`.
std::string PolkitActionXml(const std::string& programPath);

// Writes "<root>/usr/share/polkit-1/actions/<id>.policy" when that folder exists and
// the program file is one only root can change: a policy that let the admin's answer
// be kept must not name a file a user could swap. False when nothing was written.
bool InstallPolkitAction(const std::string& programPath);

}  // namespace setup

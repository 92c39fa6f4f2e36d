// The thank-you page opened after a successful installation.
#pragma once

#include <functional>
#include <string>

#include "install/package_info.h"

namespace setup {

enum class FinishPage { kNone, kNewInstall, kUpdate };

// The page address: vendor web site, page path, version text, platform and "ad"
// parts, "&c=" with `installId` when it is not empty, "&minimode=1" when `miniMode`.
std::string FinishWebPageUrl(FinishPage page, const install::PackageInfo& info, const std::string& installId,
                             bool miniMode);

// Opens an address in the desktop user's browser; the result is ignored.
using WebPageOpener = std::function<bool(const std::string& url)>;
// The production opener: xdg-open as the desktop user.
WebPageOpener DesktopBrowser();

// Decides from `bNewFlag`, `bHasOldVersion`, g_updateOldVersion, the registered
// "Corvex 10" install and whether the product has run for the user which page, if
// any, to open; logs the decision and opens it through `open`. Returns `bNewFlag`,
// or 0 in silent mode (no page then). Install worker.
int ShowFinishWebPage(int bNewFlag, bool bHasOldVersion, bool miniMode, const install::PackageInfo& info,
                      const std::string& installId, const WebPageOpener& open = DesktopBrowser());

}  // namespace setup

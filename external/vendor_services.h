// What the installer sends to the vendor's servers and relies on in return.
#pragma once

namespace vendor {

// Mirrors and the CDN.
inline constexpr const char kUrlScheme[] = "http://";
inline constexpr const char kSecureUrlScheme[] = "https://";
inline constexpr const char kDownloadPath[] = "/download/";
inline constexpr const char kCapacityPath[] = "/flag.php";
inline constexpr const char kContentUserAgent[] = "Downloader";
inline constexpr const char kManifestUserAgent[] = "Lavf/55.13.102";  // also the length probe
inline constexpr long kCapacityTimeoutSeconds = 2;
inline constexpr unsigned kEchoTimeoutMs = 2000;

// Statistics and crash endpoints.
inline constexpr const char kStatisticsPath[] = "/api/install/index_ex.php";
inline constexpr const char kCrashPath[] = "/api/install/index_crash.php";
inline constexpr const char kFormJsonData[] = "json_data";
inline constexpr const char kFormInstallLog[] = "install_log";
inline constexpr const char kFormAppId[] = "app_id";
inline constexpr const char kFormAppVersion[] = "app_version";
inline constexpr const char kFormCrashDump[] = "crash_dump";
inline constexpr const char kFormCrashLog[] = "crash_log";

// Web site pages (the vendor web site is prefixed).
inline constexpr const char kLicensePage[] = "/corvex-user-license-agreement.htm?s=corvex10&v=";
inline constexpr const char kExperienceProgrammePage[] = "/u-experience.htm?s=corvex10&v=";
inline constexpr const char kThankYouNewPage[] = "/thankyou.htm?s=corvex11&downloadmode=1&v=";
inline constexpr const char kThankYouUpdatePage[] = "/thankyou.htm?s=corvex11_update&downloadmode=1&v=";

}  // namespace vendor

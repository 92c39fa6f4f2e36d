#include "setup/privileged_uninstall.h"

#include "base/install_log.h"
#include "setup/helper_protocol.h"
#include "setup/install_helper_client.h"

namespace setup {

install::UninstallResult UninstallThroughHelper(const install::UninstallRequest& request,
                                                const base::ProgressCallback& events) {
  install::UninstallResult result;
  InstallHelperClient::StartResult why = InstallHelperClient::StartResult::kFailed;
  std::unique_ptr<InstallHelperClient> helper = InstallHelperClient::Start(&why);
  if (!helper) {
    base::WriteLog("UninstallWork : the install helper did not start; nothing is removed.");
    result.outcome = install::UninstallOutcome::kRefused;
    result.notAuthorized = why == InstallHelperClient::StartResult::kRefused;
    if (events) events(base::kUninstallEventFailed, static_cast<unsigned>(result.outcome), 0);
    return result;
  }
  const std::string fields = MessageWriter()
                                 .Text(request.installFolder)
                                 .Text(request.productKeyName)
                                 .Number(request.is64Bit ? 1 : 0)
                                 .Number(request.keepConfigurations ? 1 : 0)
                                 .Number(request.mainProgramWaitMs)
                                 .Bytes();
  const HelperResult removed = helper->Call(HelperMessage::kRemove, fields, -1, events);
  helper->End();
  if (!removed.ok && removed.value == 0) {
    // The helper went away before it answered: nothing is known to be removed.
    result.outcome = install::UninstallOutcome::kFilesLeft;
    if (events) events(base::kUninstallEventFailed, static_cast<unsigned>(result.outcome), 0);
    return result;
  }
  result.outcome = static_cast<install::UninstallOutcome>(removed.value);
  result.verdict = static_cast<install::FolderVerdict>(removed.failure);
  if (result.outcome != install::UninstallOutcome::kRefused) install::RemoveUserTraces(request, result, events);
  return result;
}

}  // namespace setup

#include "telemetry/form_post.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "platform/path.h"
#include "platform/web_transfer_policy.h"

namespace telemetry {

FormPart FormPart::Text(std::string name, std::string text) {
  FormPart part;
  part.name = std::move(name);
  part.text = std::move(text);
  return part;
}

FormPart FormPart::File(std::string name, std::string filePath, std::string fileName) {
  FormPart part;
  part.name = std::move(name);
  part.filePath = std::move(filePath);
  part.fileName = std::move(fileName);
  return part;
}

namespace {

void EnsureCurlInitialised() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The endpoints' answers carry nothing we use; keeping them would let an endless one
// grow without bound.
size_t DiscardBody(char*, size_t size, size_t count, void*) { return size * count; }

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct MimeDeleter {
  void operator()(curl_mime* mime) const { curl_mime_free(mime); }
};

bool AddPart(curl_mime* mime, const FormPart& part) {
  curl_mimepart* field = curl_mime_addpart(mime);
  if (field == nullptr || curl_mime_name(field, part.name.c_str()) != CURLE_OK) return false;
  if (!part.IsFile()) return curl_mime_data(field, part.text.data(), part.text.size()) == CURLE_OK;
  return curl_mime_filedata(field, part.filePath.c_str()) == CURLE_OK &&
         curl_mime_filename(field, part.fileName.c_str()) == CURLE_OK;
}

}  // namespace

bool PostForm(const std::string& url, const std::vector<FormPart>& parts, const TransferLimits& limits,
              const std::string& caFile) {
  EnsureCurlInitialised();
  std::unique_ptr<CURL, EasyDeleter> handle(curl_easy_init());
  if (!handle) return false;
  std::unique_ptr<curl_mime, MimeDeleter> mime(curl_mime_init(handle.get()));
  if (!mime) return false;
  for (const FormPart& part : parts) {
    if (part.IsFile() && !platform::PathFileExists(part.filePath)) continue;
    if (!AddPart(mime.get(), part)) return false;
  }
  CURL* curl = handle.get();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_MIMEPOST, mime.get());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, DiscardBody);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, limits.connectTimeoutMs);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, limits.totalTimeoutMs);
  platform::ApplyWebTransferPolicy(curl, caFile);
  const CURLcode result = curl_easy_perform(curl);
  handle.reset();  // before the form it sends
  return result == CURLE_OK;
}

}  // namespace telemetry

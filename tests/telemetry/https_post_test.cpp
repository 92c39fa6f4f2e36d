// Report posts over https: delivered where the certificate verifies, refused where it
// does not.
#include <gtest/gtest.h>

#include "sandbox.h"
#include "telemetry/form_post.h"
#include "tls_nginx.h"

using namespace telemetry;

namespace {

using namespace testing_support;

TEST(HttpsPost, CertificateDecidesDelivery) {
  Sandbox sandbox;
  TlsNginx nginx(sandbox.root() + "/nginx",
                 {{"127.0.0.75", TlsCertificate::Trusted},
                  {"127.0.0.76", TlsCertificate::WrongName},
                  {"127.0.0.77", TlsCertificate::Untrusted}},
                 {});
  ASSERT_TRUE(nginx.Started()) << nginx.ErrorLog();
  const std::string path = "/api/install/index_ex.php";
  const std::vector<FormPart> parts = {FormPart::Text("json_data", "{\"step\":\"step_start\"}")};
  const TransferLimits limits;
  const std::string ca = nginx.CaFile();

  EXPECT_TRUE(PostForm(nginx.Base(0) + path, parts, limits, ca));
  EXPECT_EQ(nginx.Requests(0, "POST", path), 1) << nginx.AccessLog(0);
  EXPECT_FALSE(PostForm(nginx.Base(1) + path, parts, limits, ca)) << "certificate for another address";
  EXPECT_FALSE(PostForm(nginx.Base(2) + path, parts, limits, ca)) << "certificate from an unknown CA";
  EXPECT_FALSE(PostForm(nginx.Base(0) + path, parts, limits)) << "the system store lacks the test CA";
  EXPECT_EQ(nginx.Requests(0, "POST", path), 1);
  EXPECT_EQ(nginx.Requests(1, "POST", path) + nginx.Requests(2, "POST", path), 0);
}

}  // namespace

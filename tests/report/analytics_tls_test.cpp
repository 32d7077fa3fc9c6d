// The collector is reached over TLS with the certificate and its host name checked.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "report/analytics_sender.h"
#include "tests/downloader/peer.h"
#include "tests/downloader/system_trust.h"
#include "tests/support/test_server.h"

namespace {

TEST(AnalyticsTls, CertificateAndHostNameAreChecked) {
  orbtest::Peer peer;
  ORB_REQUIRE_SERVICE(peer);
  const std::atomic<bool> never{false};
  orb_analytics::SendSettings trusting;
  trusting.ca_file = peer.CaFile();
  struct Case {
    const char* what;
    std::string name;
    std::string url;
    orb_analytics::SendSettings settings;
    bool sent;
  };
  std::vector<Case> cases;
  const std::string good = "sa-good-" + orbtest::UniqueTag();
  const std::string misnamed = "sa-misnamed-" + orbtest::UniqueTag();
  cases.push_back({"trusted certificate naming the host", good, peer.TlsUrl("localhost", good), trusting, true});
  cases.push_back({"certificate naming another host", misnamed, peer.MisnamedUrl(misnamed), trusting, false});
  if (orbtest::SystemChecksCertificates()) {
    const std::string unknown = "sa-unknown-" + orbtest::UniqueTag();
    cases.push_back({"unknown authority", unknown, peer.TlsUrl("localhost", unknown), {}, false});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const orb_analytics::SendResult result =
        orb_analytics::PostBatch({c.url}, "data_list=x&gzip=1", c.settings, never);
    EXPECT_EQ(result.sent, c.sent) << result.answer;
    // A refused certificate ends the exchange before any request goes out.
    EXPECT_EQ(peer.Captured(c.name).size(), c.sent ? 1u : 0u);
  }
}

}  // namespace

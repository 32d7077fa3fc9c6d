#include "downloader/http_form_upload.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/downloader/log_tail.h"
#include "tests/downloader/peer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"

namespace {

using namespace std::chrono_literals;
using ns_PLX::HttpFormUpload;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string Utf8Path(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

TEST(HttpFormUpload, SendsTheFileAsTheOneFormPart) {
  orbtest::Peer peer;
  ORB_REQUIRE_SERVICE(peer);
  orbtest::TempDir dir;
  std::string content;
  for (int i = 0; i < 256; ++i) content += static_cast<char>(i);
  content += "\r\n--not-a-boundary\r\n";
  content += orbtest::GenBytes(0, 300000);
  // A name outside any single-byte code page: the path travels as UTF-8.
  const std::string file_name = "report-\xd0\xb6\xd1\x83\xd1\x80\xd0\xbd\xd0\xb0\xd0\xbb.log";
  const auto file = dir.path() / std::filesystem::path(u8"report-журнал.log");
  {
    std::ofstream out(file, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
  }

  const std::string name = "upload-" + orbtest::UniqueTag();
  peer.Reply(name, "HTTP/1.1 200 OK\r\nContent-Length: 17\r\nConnection: close\r\n\r\n"
                   "{\"code\":0}\r\nend\r\n");
  const ns_PLX::HeaderList headers = {"Authorization: Bearer t0k",
                                      "Content-Type: multipart/form-data", "X-Client-Type: 1"};
  std::int32_t code = -1;
  EXPECT_EQ(HttpFormUpload(peer.HttpUrl(name), headers, Utf8Path(file), code), "{\"code\":0}end");
  EXPECT_EQ(code, 0);

  const auto captured = peer.Captured(name);
  ASSERT_EQ(captured.size(), 1u);
  const auto request = orbtest::SplitRequest(captured[0]);
  EXPECT_EQ(request.lines.front(), "POST /" + name + " HTTP/1.0");
  std::vector<std::string> named;
  std::string boundary;
  for (const auto& line : request.lines) {
    if (line.rfind("Authorization:", 0) == 0 || line.rfind("X-Client-Type:", 0) == 0) {
      named.push_back(line);
    }
    const std::string type = "Content-Type: multipart/form-data; boundary=";
    if (line.rfind(type, 0) == 0) boundary = line.substr(type.size());
    EXPECT_NE(line.rfind("User-Agent:", 0), 0u) << line;
  }
  EXPECT_THAT(named, ElementsAre("Authorization: Bearer t0k", "X-Client-Type: 1"));
  ASSERT_FALSE(boundary.empty()) << captured[0].substr(0, 400);
  const std::string part_head = "--" + boundary +
                                "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" +
                                file_name + "\"\r\nContent-Type: application/octet-stream\r\n\r\n";
  const std::string tail = "\r\n--" + boundary + "--\r\n";
  ASSERT_EQ(request.body.size(), part_head.size() + content.size() + tail.size());
  EXPECT_EQ(request.body.substr(0, part_head.size()), part_head);
  // Not printed when it differs: 300 KB of bytes help nobody.
  EXPECT_TRUE(request.body.compare(part_head.size(), content.size(), content) == 0);
  EXPECT_EQ(request.body.substr(part_head.size() + content.size()), tail);
}

TEST(HttpFormUpload, FailuresAreReportedAndLogged) {
  orbtest::Peer peer;
  orbtest::TestServer server;
  ORB_REQUIRE_SERVICE(peer);
  ORB_REQUIRE_SERVICE(server);
  orbtest::TempDir dir;
  const auto file = dir.write("small.log", "line one\r\n");
  ns_PLX::HttpSettings quick;
  quick.upload_timeout = 1s;

  {
    SCOPED_TRACE("missing file: nothing is sent");
    const std::string name = "nofile-" + orbtest::UniqueTag();
    const orbtest::LogTail log;
    std::int32_t code = -1;
    const std::string missing = dir.narrow() + "missing.log";
    EXPECT_EQ(HttpFormUpload(peer.HttpUrl(name), {}, missing, code), "");
    EXPECT_EQ(code, 26);
    EXPECT_THAT(peer.Captured(name), IsEmpty());
    EXPECT_THAT(log.Lines(),
                ElementsAre("[ERROR] curl form data request, open file failed, path=[" + missing + "]."));
  }
  {
    SCOPED_TRACE("error status: a successful call with the page");
    const orbtest::LogTail log;
    std::int32_t code = -1;
    EXPECT_EQ(HttpFormUpload(server.Url("/upload-" + orbtest::UniqueTag()), {},
                             file.string(), code),
              "method not allowed\n");
    EXPECT_EQ(code, 0);
    EXPECT_THAT(log.Lines(), IsEmpty());
  }
  {
    SCOPED_TRACE("no answer within the upload's time");
    const orbtest::LogTail log;
    std::int32_t code = -1;
    const std::string url = server.Url("/upload-" + orbtest::UniqueTag(),
                                       orbtest::Faults().LatencyMs(20000));
    EXPECT_EQ(HttpFormUpload(url, {}, file.string(), code, quick), "");
    EXPECT_EQ(code, 28);
    EXPECT_THAT(log.Lines(),
                ElementsAre("[ERROR] curl form data request, curl easy perform failed, code=[28]."));
  }
}

}  // namespace

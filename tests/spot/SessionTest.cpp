#include <gtest/gtest.h>

#include "common/DevServer.h"
#include "platform/Services.h"
#include "spot/CairnSession.h"

namespace hfp::test {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s.push_back(static_cast<char>(v));
    return s;
}

TEST(SessionWire, MessagesAreSerializedMaskedAndEncodedAsTheServersRead) {
    SessionMessage end;
    end.AddText("Message", "SendEnd");
    const std::string bytes = end.Serialize();
    EXPECT_EQ(bytes, Bytes({7}) + "Message" + Bytes({0, 7, 0, 0, 0}) + "SendEnd");

    std::string masked = bytes;
    ApplyMask(masked, "\x01\x02\x04");
    EXPECT_EQ(masked[4] ^ bytes[4], 2);  // byte 4 goes with key byte 1
    EXPECT_EQ(masked[3] ^ bytes[3], 1);

    SessionMessage start;
    start.AddText("Message", "SendStart");
    start.AddText("UserId", "hiker");
    start.AddText("Password", std::string(40, '\xFB'));  // Base64 "+" and "/" come from these
    start.AddInteger("Count", -2);
    start.AddBinary("Key", Bytes({0, 255, 10}));
    const std::string body = CairnSession::RequestBody(start, "k3y");
    ASSERT_TRUE(body.starts_with("d="));
    const std::string text = body.substr(2);
    EXPECT_EQ(text.find_first_of("+/"), std::string::npos);
    ASSERT_GT(text.size(), 130u);
    EXPECT_EQ(text.substr(64, 2), "\r\n");
    EXPECT_TRUE(text.ends_with("\r\n"));

    std::string serialized;
    SessionMessage back;
    ASSERT_TRUE(DecodeMessageText(text, "k3y", &serialized));
    ASSERT_TRUE(SessionMessage::Parse(serialized, &back));
    ASSERT_EQ(back.items().size(), 5u);
    EXPECT_EQ(back.Text("Password"), std::string(40, '\xFB'));
    EXPECT_EQ(back.Integer("Count"), -2);
    EXPECT_EQ(back.Text("Key"), Bytes({0, 255, 10}));
}

// A reply announces its length in 4 bytes: a hostile or broken one must be refused, never
// trusted to allocate or to read past what came.
TEST(SessionWire, HostileRepliesAreRefused) {
    SessionMessage answer;
    answer.AddInteger("Status", 0);
    const std::string text = EncodeMessageText(answer.Serialize(), {});
    auto withLength = [&](uint32_t n) {
        return Bytes({int(n & 0xFF), int(n >> 8 & 0xFF), int(n >> 16 & 0xFF), int(n >> 24)}) + text;
    };
    std::string wrongType = answer.Serialize();
    wrongType[7] = 3;
    struct Case {
        std::string body;
        const char* says;
    } cases[] = {
        {withLength(0xFFFFFFFF), "more than 1048576"},
        {withLength(CairnSession::kMaxReplyBytes + 1), "more than 1048576"},
        {withLength(0), "empty"},
        {withLength(static_cast<uint32_t>(text.size() + 1)), "ends early"},
        {"\x01\x00", "too short"},
        {withLength(6).substr(0, 4) + "!!!!!!", "cannot be read"},
    };
    for (const Case& c : cases) {
        SessionMessage parsed;
        std::string error;
        EXPECT_FALSE(CairnSession::ReadReply(c.body, {}, &parsed, &error)) << c.says;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }
    SessionMessage parsed;
    EXPECT_FALSE(SessionMessage::Parse(wrongType, &parsed));
    std::string error;
    ASSERT_TRUE(CairnSession::ReadReply(withLength(static_cast<uint32_t>(text.size())), {}, &parsed,
                                        &error))
        << error;
    EXPECT_EQ(parsed.Integer("Status", -1), 0);
}

class SessionWithServer : public ::testing::Test {
  protected:
    void TearDown() override { ResetServiceHosts(); }
};

// A masked session: every message after the login answer is masked both ways, so the keep-
// alive and the end only succeed when both sides use the key.
TEST_F(SessionWithServer, MaskedSessionKeepsAndEndsAfterTheFallbackAnswered) {
    DevServer dead, server({"--session-mask-key", "a1b2c3d4e5"});
    std::string deadHost = dead.host();
    dead.Stop();
    PointAllServicesAt(server.baseUrl());
    SetServiceHost(Service::Session, deadHost);
    SetServiceHost(Service::SessionFallback1, deadHost);

    CairnSession session;
    SessionMessage answer;
    std::string error;
    ASSERT_TRUE(session.SendStart("hiker", "fern", &answer, &error)) << error;
    EXPECT_EQ(session.maskKey(), "\xa1\xb2\xc3\xd4\xe5");
    EXPECT_EQ(answer.Integer("HearsayShisetsuIdCount"), 8);
    ASSERT_TRUE(session.KeepSession(&answer, &error)) << error;
    EXPECT_EQ(answer.Text("Message", "absent"), "");
    ASSERT_TRUE(session.SendEnd(&answer, &error)) << error;
    EXPECT_EQ(server.Requests(CairnSession::kPath), 3);

    // Every server dead: a failure, and the session server is tried first again.
    SetServiceHost(Service::SessionFallback2, deadHost);
    CairnSession lost;
    EXPECT_FALSE(lost.SendStart("hiker", "fern", &answer, &error));
    EXPECT_FALSE(error.empty());
}

TEST_F(SessionWithServer, OverlongMaskKeyFailsTheLogin) {
    DevServer server({"--session-mask-key", std::string(2 * (kMaxMaskKeyBytes + 1), 'a')});
    PointAllServicesAt(server.baseUrl());
    CairnSession session;
    SessionMessage answer;
    std::string error;
    EXPECT_FALSE(session.SendStart("hiker", "fern", &answer, &error));
    EXPECT_NE(error.find("mask key"), std::string::npos) << error;
    EXPECT_TRUE(session.sessionId().empty());
}

}  // namespace
}  // namespace hfp::test

#pragma once

#include <string>

#include "ProgramVersion.h"
#include "platform/HttpClient.h"
#include "spot/SessionMessage.h"

namespace hfp {

// The session with the spot service: one instance for the whole program (the main frame's;
// hfp's spot login makes its own). Every request is one blocking HTTP POST of an encoded
// message to "/hpl/hplcom2E.php" on the current server, made on the caller's thread.
//
// SendStart tries the session server (session parameter "SID"), then its two fallbacks
// ("PHPSESSID"); the server that answered stays in use for the rest of the run, with the
// session id and the mask key its answer carried. Not thread-safe: one caller at a time.
class CairnSession {
  public:
    static constexpr const char* kPath = "/hpl/hplcom2E.php";
    static constexpr const char* kUserAgent = kProgramUserAgent;
    static constexpr const char* kVersion = kProgramVersion;
    // No real answer comes near this; a larger announced length is refused unread.
    static constexpr uint32_t kMaxReplyBytes = 1u << 20;

    CairnSession();

    // The start-up exchange. True when an answer came with Status 0, "SID" and "Message";
    // `answer` then holds every item received. False with `error` saying why otherwise
    // (also for a "MaskKey" longer than kMaxMaskKeyBytes, which would garble every later
    // message); after all three servers failed the session server is current again.
    bool SendStart(const std::string& userId, const std::string& password, SessionMessage* answer,
                   std::string* error);
    // True when the answer had Status 0 and a "Message".
    bool KeepSession(SessionMessage* answer, std::string* error);
    bool SendEnd(SessionMessage* answer, std::string* error);

    const std::string& sessionId() const { return m_sessionId; }
    const std::string& maskKey() const { return m_maskKey; }

    // The encoded request body ("d=" and the message text) for a message under `key`.
    static std::string RequestBody(const SessionMessage& message, std::string_view key);
    // Reads a reply body: the 4-byte length, then that many bytes of message text. False
    // with `error` for a short, empty, oversized or undecodable reply.
    static bool ReadReply(std::string_view body, std::string_view key, SessionMessage* answer,
                          std::string* error);

  private:
    bool Exchange(const SessionMessage& request, SessionMessage* answer, std::string* error);
    // A request whose answer must have Status 0 and a "Message".
    bool SendSimple(const char* name, SessionMessage* answer, std::string* error);

    HttpClient m_http;
    int m_server = 0;  // 0 the session server, 1 and 2 its fallbacks
    std::string m_sessionId;
    std::string m_maskKey;
};

}  // namespace hfp

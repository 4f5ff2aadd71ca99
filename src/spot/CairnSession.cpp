#include "spot/CairnSession.h"

#include "platform/Services.h"

namespace hfp {

namespace {

constexpr Service kServers[] = {Service::Session, Service::SessionFallback1,
                                Service::SessionFallback2};
constexpr const char* kSessionParameters[] = {"SID", "PHPSESSID", "PHPSESSID"};

SessionMessage Request(const char* name) {
    SessionMessage message;
    message.AddText("Message", name);
    return message;
}

bool Accepted(const SessionMessage& answer) {
    const MessageItem* status = answer.Find("Status");
    return status && status->type == MessageItem::Integer && status->integer == 0 &&
           answer.Has("Message");
}

}  // namespace

CairnSession::CairnSession() {
    m_http.options().userAgent = kUserAgent;
    m_http.options().maxBodyBytes = kMaxReplyBytes + 4;
}

std::string CairnSession::RequestBody(const SessionMessage& message, std::string_view key) {
    return "d=" + EncodeMessageText(message.Serialize(), key);
}

bool CairnSession::ReadReply(std::string_view body, std::string_view key, SessionMessage* answer,
                             std::string* error) {
    if (body.size() < 4) {
        *error = "the server's answer is too short";
        return false;
    }
    uint32_t length = 0;
    for (int i = 3; i >= 0; --i)
        length = (length << 8) | static_cast<uint8_t>(body[i]);
    if (length == 0) {
        *error = "the server's answer is empty";
        return false;
    }
    if (length > kMaxReplyBytes) {
        *error = "the server's answer announces " + std::to_string(length) + " bytes, more than " +
                 std::to_string(kMaxReplyBytes);
        return false;
    }
    if (body.size() - 4 < length) {
        *error = "the server's answer ends early";
        return false;
    }
    std::string serialized;
    if (!DecodeMessageText(body.substr(4, length), key, &serialized) ||
        !SessionMessage::Parse(serialized, answer)) {
        *error = "the server's answer cannot be read";
        return false;
    }
    return true;
}

bool CairnSession::Exchange(const SessionMessage& request, SessionMessage* answer,
                            std::string* error) {
    std::string url = HttpUrl(ServiceHost(kServers[m_server]), kPath);
    if (!m_sessionId.empty())
        url += std::string("?") + kSessionParameters[m_server] + "=" + m_sessionId;
    HttpResponse response =
        m_http.Post(url, RequestBody(request, m_maskKey), "application/x-www-form-urlencoded");
    if (!response.answered) {
        *error = response.error;
        return false;
    }
    if (response.tooLarge) {
        *error = "the server's answer is larger than " + std::to_string(kMaxReplyBytes) + " bytes";
        return false;
    }
    if (response.status != 200) {
        *error = "the server answered with status " + std::to_string(response.status);
        return false;
    }
    return ReadReply(response.body, m_maskKey, answer, error);
}

bool CairnSession::SendStart(const std::string& userId, const std::string& password,
                             SessionMessage* answer, std::string* error) {
    SessionMessage request = Request("SendStart");
    request.AddText("UserId", userId);
    request.AddText("Password", password);
    request.AddText("Version", kVersion);
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0) m_server = attempt;
        if (Exchange(request, answer, error)) break;
        if (attempt == 2) {
            m_server = 0;
            return false;
        }
    }
    if (!Accepted(*answer) || !answer->Has("SID")) {
        *error = "the server did not accept the request";
        return false;
    }
    std::string key = answer->Text("MaskKey");
    if (key.size() > kMaxMaskKeyBytes) {
        *error = "the server's mask key has " + std::to_string(key.size()) + " bytes, more than " +
                 std::to_string(kMaxMaskKeyBytes);
        return false;
    }
    m_sessionId = answer->Text("SID");
    m_maskKey = std::move(key);
    return true;
}

bool CairnSession::SendSimple(const char* name, SessionMessage* answer, std::string* error) {
    if (!Exchange(Request(name), answer, error)) return false;
    if (Accepted(*answer)) return true;
    *error = "the server did not accept the request";
    return false;
}

bool CairnSession::KeepSession(SessionMessage* answer, std::string* error) {
    return SendSimple("KeepSession", answer, error);
}

bool CairnSession::SendEnd(SessionMessage* answer, std::string* error) {
    return SendSimple("SendEnd", answer, error);
}

}  // namespace hfp

// libsecret's headers come first: Qt's keyword macros (signals, slots) break GLib's.
#ifdef HFP_HAVE_LIBSECRET
#include <libsecret/secret.h>
#endif

#include "settings/CairnPassword.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/Trace.h"
#include "settings/SetData.h"

namespace hfp {

namespace {

#ifdef HFP_HAVE_LIBSECRET

const SecretSchema* Schema() {
    static const SecretSchema schema = {
        "org.hollowfern.Plotter.CairnAccount",
        SECRET_SCHEMA_NONE,
        {{"user", SECRET_SCHEMA_ATTRIBUTE_STRING}, {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
        0,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr};
    return &schema;
}

// What a keyring call left: whether it succeeded, and the password a lookup found.
struct KeyringAnswer {
    bool ok = false;
    std::optional<std::string> password;
};

using KeyringCall = KeyringAnswer (*)(const std::string& user, const std::string& password,
                                      GCancellable* cancel, GError** error);

// Runs `call` on a thread of its own, since libsecret's calls may block for ever, and waits
// kKeyringTimeoutMs for its answer. A call that takes longer is cancelled and left to end on
// its own; its answer, should it come, is dropped. A failed or late call answers not ok.
KeyringAnswer CallKeyring(const char* what, KeyringCall call, const std::string& user,
                          const std::string& password = {}) {
    struct Shared {
        std::mutex lock;
        std::condition_variable done;
        std::optional<KeyringAnswer> answer;
        GCancellable* cancel = g_cancellable_new();
        ~Shared() { g_object_unref(cancel); }
    };
    auto shared = std::make_shared<Shared>();
    std::thread([shared, call, what, user, password] {
        GError* error = nullptr;
        KeyringAnswer answer = call(user, password, shared->cancel, &error);
        if (error) {
            Trace("keyring: %s failed: %s", what, error->message);
            g_error_free(error);
            answer.ok = false;
        }
        std::lock_guard guard(shared->lock);
        shared->answer = std::move(answer);
        shared->done.notify_all();
    }).detach();
    std::unique_lock guard(shared->lock);
    if (!shared->done.wait_for(guard, std::chrono::milliseconds(kKeyringTimeoutMs),
                               [&] { return shared->answer.has_value(); })) {
        Trace("keyring: %s gave no answer; the password stays in set.dat", what);
        g_cancellable_cancel(shared->cancel);
        return {};
    }
    return *shared->answer;
}

KeyringAnswer Lookup(const std::string& user, const std::string&, GCancellable* cancel,
                     GError** error) {
    KeyringAnswer answer;
    gchar* found =
        secret_password_lookup_sync(Schema(), cancel, error, "user", user.c_str(), nullptr);
    answer.ok = !*error;
    if (found) {
        answer.password = found;
        secret_password_free(found);
    }
    return answer;
}

KeyringAnswer Store(const std::string& user, const std::string& password, GCancellable* cancel,
                    GError** error) {
    const std::string label = "HollowfernPlotter: Cairn account " + user;
    return {secret_password_store_sync(Schema(), SECRET_COLLECTION_DEFAULT, label.c_str(),
                                       password.c_str(), cancel, error, "user", user.c_str(),
                                       nullptr) != FALSE,
            std::nullopt};
}

KeyringAnswer Clear(const std::string& user, const std::string&, GCancellable* cancel,
                    GError** error) {
    secret_password_clear_sync(Schema(), cancel, error, "user", user.c_str(), nullptr);
    return {!*error, std::nullopt};
}

// True when the keyring answered; `password` then holds what it keeps for `user`, if anything.
bool LookUpPassword(const std::string& user, std::optional<std::string>* password) {
    KeyringAnswer answer = CallKeyring("lookup", Lookup, user);
    *password = std::move(answer.password);
    return answer.ok;
}

// Keeps `password` for `user` in the keyring (an empty one is cleared from it); true when the
// keyring took it.
bool KeepPassword(const std::string& user, const std::string& password) {
    if (password.empty()) return CallKeyring("clear", Clear, user).ok;
    return CallKeyring("store", Store, user, password).ok;
}

#else  // built without libsecret: there is never a keyring

bool LookUpPassword(const std::string&, std::optional<std::string>*) {
    return false;
}

bool KeepPassword(const std::string&, const std::string&) {
    return false;
}

#endif

PasswordPlace PlaceOf(const CSetData& settings) {
    return settings.m_cairnPasswordInKeyring ? PasswordPlace::Keyring : PasswordPlace::SettingsFile;
}

}  // namespace

PasswordPlace LoadCairnPassword(CSetData& settings, KeyringUse use) {
    if (!settings.m_cairnPassword.empty()) {
        settings.m_cairnPasswordInKeyring =
            use == KeyringUse::MoveIntoKeyring &&
            KeepPassword(settings.m_cairnUserId, settings.m_cairnPassword);
        return PlaceOf(settings);
    }
    std::optional<std::string> kept;
    settings.m_cairnPasswordInKeyring = LookUpPassword(settings.m_cairnUserId, &kept);
    if (kept) settings.m_cairnPassword = *kept;
    return PlaceOf(settings);
}

PasswordPlace KeepCairnAccount(CSetData& settings, const std::string& userId,
                               const std::string& password) {
    settings.m_cairnUserId = userId;
    settings.m_cairnPassword = password;
    settings.m_cairnPasswordInKeyring = KeepPassword(userId, password);
    return PlaceOf(settings);
}

}  // namespace hfp

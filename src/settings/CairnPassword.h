#pragma once

#include <string>

namespace hfp {

class CSetData;

// Where the spot service password is kept between runs.
enum class PasswordPlace {
    Keyring,       // the desktop keyring; set.dat holds no password
    SettingsFile,  // set.dat, readable by its owner only: no keyring answered
};

// The spot service password lives in the desktop keyring (a Secret Service, through libsecret)
// when one answers, under the schema "org.hollowfern.Plotter.CairnAccount" with the user id as
// its "user" attribute, and in set.dat only when none does (or the program is built without
// libsecret). In memory it is always CSetData::m_cairnPassword; CSetData::m_cairnPasswordInKeyring
// keeps it out of set.dat.
//
// Every keyring call blocks its caller for at most kKeyringTimeoutMs: a keyring that does not
// answer by then (a bus that never replies, an unlock prompt nobody sees) counts as none. With
// no session bus at all the calls fail at once.
inline constexpr int kKeyringTimeoutMs = 5000;

enum class KeyringUse {
    ReadOnly,         // hfp: take the keyring's password, change nothing
    MoveIntoKeyring,  // the map editor: a password still in set.dat moves into the keyring
};

// After CSetData::Load: a password in set.dat is the latest the user entered (once the
// keyring holds one, set.dat is saved without it), so it stays, and with MoveIntoKeyring it
// goes into the keyring, to leave set.dat at the next save. Without one in set.dat, the
// keyring's password for the stored user id is taken.
PasswordPlace LoadCairnPassword(CSetData& settings, KeyringUse use);

// The user entered an account: it becomes the stored one, its password kept in the keyring
// when one answers, else in set.dat.
PasswordPlace KeepCairnAccount(CSetData& settings, const std::string& userId,
                               const std::string& password);

}  // namespace hfp

#include <gtest/gtest.h>

#include "common/TempDir.h"
#include "settings/CairnPassword.h"
#include "settings/SetData.h"

namespace hfp::test {
namespace {

// The tests run with no session bus: no keyring answers, so the password stays in set.dat,
// where it was and where the user enters it. Once the keyring holds it, set.dat is written
// without it.
TEST(CairnPassword, StaysInSetDatWithoutAKeyringAndLeavesItForTheKeyring) {
    TempDir dir;
    CSetData store;
    store.m_cairnUserId = "hiker";
    store.m_cairnPassword = "fern";
    EXPECT_EQ(LoadCairnPassword(store, KeyringUse::MoveIntoKeyring), PasswordPlace::SettingsFile);
    EXPECT_EQ(KeepCairnAccount(store, "walker", "moss"), PasswordPlace::SettingsFile);
    ASSERT_TRUE(store.Save(dir.path()));
    CSetData loaded;
    ASSERT_TRUE(loaded.Load(dir.path()));
    EXPECT_EQ(LoadCairnPassword(loaded, KeyringUse::ReadOnly), PasswordPlace::SettingsFile);
    EXPECT_EQ(loaded.m_cairnUserId, "walker");
    EXPECT_EQ(loaded.m_cairnPassword, "moss");

    loaded.m_cairnPasswordInKeyring = true;
    ASSERT_TRUE(loaded.Save(dir.path()));
    EXPECT_EQ(ReadFile(dir / "set.dat").find("moss"), std::string::npos);
}

}  // namespace
}  // namespace hfp::test

#include <cstdio>
#include <string>

#include "cli/Cli.h"
#include "platform/DataFolder.h"
#include "settings/SetData.h"

namespace hfp::cli {

namespace {

void PrintRecord(const std::string& key, const std::string& value) {
    std::printf("%s=%s\n", key.c_str(), value.c_str());
}

void PrintUnknownKey(const std::string& key) {
    std::fprintf(stderr, "hfp: unknown settings key %s (hfp settings dump lists them all)\n",
                 key.c_str());
}

int Dump(Args& args) {
    if (!args.Positionals().empty() || args.wrong()) return kExitUsage;
    CSetData store;
    if (!LoadSettingsStore(&store)) return kExitFailure;
    for (const SettingRecord& record : store.Records())
        PrintRecord(record.key, record.value);
    return kExitOk;
}

int Get(Args& args) {
    auto words = args.Positionals();
    if (args.wrong() || words.size() != 1) return kExitUsage;
    CSetData store;
    if (!LoadSettingsStore(&store)) return kExitFailure;
    std::string value;
    if (!store.GetValue(words[0], &value)) {
        PrintUnknownKey(words[0]);
        return kExitFailure;
    }
    std::printf("%s\n", value.c_str());
    return kExitOk;
}

int Set(Args& args) {
    auto words = args.Positionals();
    if (args.wrong() || words.size() != 2) return kExitUsage;
    CSetData store;
    if (!LoadSettingsStore(&store)) return kExitFailure;
    if (!store.SetValue(words[0], words[1])) {
        PrintUnknownKey(words[0]);
        return kExitFailure;
    }
    if (!store.Save()) {
        std::fprintf(stderr, "hfp: cannot save %s\n",
                     (DataFolder() / CSetData::kFileName).string().c_str());
        return kExitFailure;
    }
    // The value as stored, which shows how the text was read ("12abc" is stored as 12).
    std::string value;
    store.GetValue(words[0], &value);
    PrintRecord(words[0], value);
    return kExitOk;
}

}  // namespace

void AddSettingsCommands(std::vector<Command>& commands) {
    commands.push_back({{"settings", "dump"},
                        "",
                        "Print every record of the settings store as KEY=VALUE, in the order "
                        "set.dat holds them, after loading set.dat (or set.txt) from the data "
                        "folder.",
                        Dump,
                        kDrawsNothing});
    commands.push_back({{"settings", "get"},
                        "KEY",
                        "Print the value of one settings key (a set.dat key, such as MapType or "
                        "Print-ColorChange3-Name12).",
                        Get,
                        kDrawsNothing});
    commands.push_back({{"settings", "set"},
                        "KEY VALUE",
                        "Change one settings value and save set.dat. The value is read as the "
                        "map editor reads set.dat; the stored record is printed.",
                        Set,
                        kDrawsNothing});
}

}  // namespace hfp::cli

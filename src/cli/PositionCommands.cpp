#include <cstdio>
#include <string>

#include "cli/Cli.h"
#include "geo/CoordinateText.h"
#include "platform/DataFolder.h"
#include "platform/NamedMutex.h"
#include "positions/PositionList.h"
#include "write/CsvFields.h"

namespace hfp::cli {

namespace {

std::filesystem::path PositionFile() {
    return DataFolder() / CPositionList::kFileName;
}

// The list of the data folder; false (said) when the file is there but cannot be read.
bool LoadPositions(CPositionList* list) {
    std::string error;
    if (list->Load(PositionFile(), &error) == CPositionList::LoadResult::Unreadable) {
        std::fprintf(stderr, "hfp: %s\n", error.c_str());
        return false;
    }
    if (const int unread = list->unreadLines(); unread > 0)
        std::fprintf(stderr, "hfp: %s\n", UnreadLinesNotice(unread).c_str());
    return true;
}

bool SavePositions(const CPositionList& list) {
    std::string error;
    if (list.Save(PositionFile(), &error)) return true;
    std::fprintf(stderr, "hfp: Save error. %s\n", error.c_str());
    return false;
}

int PositionsList(Args& args) {
    if (args.wrong() || !args.Positionals().empty()) return kExitUsage;
    CPositionList list;
    if (!LoadPositions(&list)) return kExitFailure;
    std::fputs(list.Text().c_str(), stdout);
    return kExitOk;
}

// Changes the list of the data folder with `edit` and saves it; the program must not run,
// as it would keep its own copy. `edit` says why it refuses.
template <typename Edit>
int ChangePositions(Edit edit) {
    NamedMutex program("HollowfernPlotter");
    if (!program.TryLock()) {
        std::fprintf(stderr, "hfp: HollowfernPlotter is running; close it first\n");
        return kExitFailure;
    }
    CPositionList list;
    if (!LoadPositions(&list) || !edit(list) || !SavePositions(list)) return kExitFailure;
    return kExitOk;
}

int PositionsAdd(Args& args) {
    const auto words = args.Positionals();
    if (args.wrong() || words.size() != 4) return kExitUsage;
    const POSITION_ITEM item{TrimBlanks(words[0]), TrimBlanks(words[1]),
                             ParseCoordinateText(words[2], true),
                             ParseCoordinateText(words[3], false)};
    return ChangePositions([&](CPositionList& list) {
        if (const std::string refusal = RefusePosition(item); !refusal.empty()) {
            std::fprintf(stderr, "hfp: %s\n", refusal.c_str());
            return false;
        }
        if (const int entry = list.Find(item.group, item.name); entry >= 0)
            *list.At(entry) = item;
        else
            list.Append(item);
        return true;
    });
}

int PositionsRemove(Args& args) {
    const auto words = args.Positionals();
    if (args.wrong() || words.size() != 2) return kExitUsage;
    const std::string group = TrimBlanks(words[0]), name = TrimBlanks(words[1]);
    return ChangePositions([&](CPositionList& list) {
        const int entry = list.Find(group, name);
        if (entry < 0) {
            std::fprintf(stderr, "hfp: no place %s in group %s\n", name.c_str(), group.c_str());
            return false;
        }
        list.Erase(entry);
        return true;
    });
}

}  // namespace

void AddPositionCommands(std::vector<Command>& commands) {
    commands.push_back({{"positions", "list"},
                        "",
                        "Print the position list (poslist.csv in the data folder) as it would be "
                        "saved: GROUP,NAME,LONGITUDE,LATITUDE a line, the coordinates as packed "
                        "degree digits, and lines that do not read as a place as they stand "
                        "(stderr says how many). Exit 1 when the file cannot be read.",
                        PositionsList,
                        kDrawsNothing});
    commands.push_back({{"positions", "add"},
                        "GROUP NAME LON LAT",
                        "Add a place to the position list, or move the place of that group and "
                        "name. LON and LAT are packed digits as the file holds them (138435124, "
                        "35214608) or any coordinate text (138.7309, 138°43'51\"24). Exit 1 with "
                        "the position dialog's message when refused: an empty group or name, a "
                        "comma in either, a coordinate out of range.",
                        PositionsAdd,
                        kDrawsNothing});
    commands.push_back({{"positions", "remove"},
                        "GROUP NAME",
                        "Remove a place from the position list. Exit 1 when there is no such "
                        "place.",
                        PositionsRemove,
                        kDrawsNothing});
}

}  // namespace hfp::cli

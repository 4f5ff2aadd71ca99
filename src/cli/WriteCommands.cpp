#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Cli.h"
#include "platform/DataFolder.h"
#include "platform/Messages.h"
#include "platform/NamedMutex.h"
#include "platform/Progress.h"
#include "write/Write.h"
#include "write/WriteExchange.h"
#include "write/WriteGpx.h"
#include "write/WritePattern.h"

namespace hfp::cli {

namespace {

// A text shown on one line of the dump: control characters are written as \xHH, so a name
// can neither break the line nor reach the terminal as a command.
std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out;
}

// Prints every set and its objects' exchange-file lines; false when an object cannot be
// written to an exchange file (said on stderr).
bool PrintSets(const CWrite& write) {
    bool all = true;
    for (int i = 0; i < write.SetCount(); ++i) {
        const WRITE_SET& set = write.Set(i);
        std::printf("set %d visible=%d name=%s box=%d,%d,%d,%d objects=%zu\n", i,
                    set.bVisible ? 1 : 0, Escaped(set.szName).c_str(), set.rcBox.left,
                    set.rcBox.bottom, set.rcBox.right, set.rcBox.top, set.aObjects.size());
        for (std::size_t o = 0; o < set.aObjects.size(); ++o) {
            std::vector<std::string> lines;
            std::string reason;
            if (!set.aObjects[o]->ExportCsvLines(&lines, &reason)) {
                std::fprintf(stderr, "hfp: set %d object %zu cannot be exported: %s\n", i, o,
                             Escaped(reason).c_str());
                all = false;
            }
            for (const std::string& line : lines)
                std::printf("%s\n", Escaped(line).c_str());
        }
    }
    return all;
}

int WriteDump(Args& args) {
    auto words = args.Positionals();
    if (args.wrong() || words.size() > 1) return kExitUsage;
    const std::filesystem::path file =
        words.empty() ? DataFolder() / CWrite::kFileName : std::filesystem::path(words[0]);
    CWrite write;
    std::string reason;
    const bool loaded = write.LoadFile(file, &reason);
    const bool exportable = PrintSets(write);
    if (!loaded) {
        std::fprintf(stderr, "hfp: %s: %s\n", file.c_str(), reason.c_str());
        return kExitFailure;
    }
    return exportable ? kExitOk : kExitFailure;
}

// The user's sets from write.dat; false (said on stderr) when the file is there but damaged,
// so that a command never saves a part of it over the whole.
bool LoadUserSets(CWrite* write) {
    std::string reason;
    if (write->StartUp(&reason) || !std::filesystem::exists(DataFolder() / CWrite::kFileName))
        return true;
    std::fprintf(stderr, "hfp: %s: %s\n", CWrite::kFileName, reason.c_str());
    return false;
}

// A set by its exact name; only when no set has that name and it is all digits, by its
// 0-based index. -1 (said on stderr) when there is none.
int FindSetArgument(const CWrite& write, const std::string& word) {
    int index = write.FindSet(word);
    long long number = -1;
    if (index < 0 && word.find_first_not_of("0123456789") == std::string::npos &&
        ParseInt(word, &number) && number < write.SetCount())
        index = static_cast<int>(number);
    if (index < 0) std::fprintf(stderr, "hfp: no write set %s\n", Escaped(word).c_str());
    return index;
}

// The set named by a command's SET argument in the user's write.dat, or -1 (said).
int LoadSetArgument(CWrite* write, const std::string& word) {
    return LoadUserSets(write) ? FindSetArgument(*write, word) : -1;
}

// SET FILE: the set written to FILE as an exchange file or as GPX.
int RunExport(Args& args, bool gpx) {
    auto words = args.Positionals();
    if (args.wrong() || words.size() != 2) return kExitUsage;
    CWrite write;
    const int index = LoadSetArgument(&write, words[0]);
    if (index < 0) return kExitFailure;
    const WRITE_SET& set = write.Set(index);
    ProgressControl progress;
    PrintingMessages messages;
    int leftOut = 0;
    const std::string error =
        gpx ? ExportGpxFile(set.szName, set.aObjects, words[1], progress, &leftOut)
            : ExportWriteSet(set.szName, set.aObjects, words[1], progress, messages);
    if (!error.empty()) {
        messages.Show("Export failure.\n" + error, MessageIcon::Error);
        return kExitFailure;
    }
    messages.Show(ExportedText(set.szName, leftOut), MessageIcon::Information);
    return kExitOk;
}

int WriteExport(Args& args) {
    return RunExport(args, false);
}

int WriteExportGpx(Args& args) {
    return RunExport(args, true);
}

// What an import did: the set it filled (-1: none, nothing to save), its error, or else the
// message that says it is done.
struct ImportOutcome {
    int target = -1;
    std::string error;
    MessageIcon icon = MessageIcon::Warning;  // of the error
    std::string done;
};

// An exchange file: the objects read before an error stay in the set, as in the window.
ImportOutcome ImportCsv(CWrite& write, int into, const std::filesystem::path& file,
                        Messages& messages) {
    ImportOutcome outcome;
    if (into < 0) {
        std::string name;
        outcome.icon = MessageIcon::Error;
        if (!ImportSetName(file, write, &name, &outcome.error)) return outcome;
        if (!write.AddSet(name)) {
            outcome.error = "Cannot add write set.";
            return outcome;
        }
        outcome.icon = MessageIcon::Warning;
        into = write.SetCount() - 1;
        write.PushUndo(into);
    }
    ProgressControl progress;
    std::vector<std::unique_ptr<CWriteObject>> objects;
    outcome.error = ImportWriteSet(file, DataFolder(), progress, messages, &objects);
    AddImportedObjects(write, into, std::move(objects));
    outcome.target = into;
    outcome.done = "Inported to " + write.Set(into).szName;
    return outcome;
}

// A GPX file is taken whole or not at all; its set is made only once it has been read.
ImportOutcome ImportGpx(CWrite& write, int into, const std::filesystem::path& file, Messages&) {
    ImportOutcome outcome;
    ProgressControl progress;
    GpxImport read;
    outcome.error = ReadGpxFile(file, progress, &read);
    if (!outcome.error.empty()) return outcome;
    if (into < 0) {
        if (!write.AddSet(UniqueImportSetName(GpxSetName(read, file), write))) {
            outcome.error = "Cannot add write set.";
            outcome.icon = MessageIcon::Error;
            return outcome;
        }
        into = write.SetCount() - 1;
        write.PushUndo(into);
    }
    const std::string name = write.Set(into).szName;
    outcome.done = GpxImportedText(name, read);
    AddImportedObjects(write, into, std::move(read.objects));
    outcome.target = into;
    return outcome;
}

// FILE [--into SET] into the user's write.dat, which is saved when a set was filled.
int RunImport(Args& args,
              ImportOutcome (*import)(CWrite&, int, const std::filesystem::path&, Messages&)) {
    std::string into;
    const bool hasInto = args.Option("into", &into);
    auto words = args.Positionals();
    if (args.wrong() || words.size() != 1) return kExitUsage;
    // The program saves its own sets over write.dat: while it runs, an import would be lost.
    // Holding its instance lock also keeps it from starting until the import is saved.
    NamedMutex program("HollowfernPlotter");
    if (!program.TryLock()) {
        std::fprintf(stderr, "hfp: HollowfernPlotter is running; close it first\n");
        return kExitFailure;
    }
    CWrite write;
    if (!LoadUserSets(&write)) return kExitFailure;
    const int index = hasInto ? FindSetArgument(write, into) : -1;
    if (hasInto && index < 0) return kExitFailure;
    PrintingMessages messages;
    const ImportOutcome outcome = import(write, index, words[0], messages);
    std::string saveError;
    if (outcome.target >= 0 && !write.SaveFile(DataFolder() / CWrite::kFileName, &saveError)) {
        std::fprintf(stderr, "hfp: %s\n", saveError.c_str());
        return kExitFailure;
    }
    if (!outcome.error.empty()) {
        messages.Show(outcome.error, outcome.icon);
        return kExitFailure;
    }
    messages.Show(outcome.done, MessageIcon::Information);
    return kExitOk;
}

int WriteImport(Args& args) {
    return RunImport(args, ImportCsv);
}

int WriteImportGpx(Args& args) {
    return RunImport(args, ImportGpx);
}

int WritePatterns(Args& args) {
    auto words = args.Positionals();
    if (args.wrong() || words.size() > 1) return kExitUsage;
    const std::filesystem::path file =
        words.empty() ? DataFolder() / CWritePattern::kFileName : std::filesystem::path(words[0]);
    CWritePattern patterns;
    std::string reason;
    const bool loaded = patterns.LoadFile(file, &reason);
    bool exportable = true;
    for (int i = 0; i < patterns.Count(); ++i) {
        std::vector<std::string> lines;
        std::string why;
        if (!patterns.aObjects[static_cast<std::size_t>(i)]->ExportCsvLines(&lines, &why)) {
            std::fprintf(stderr, "hfp: pattern %d cannot be exported: %s\n", i,
                         Escaped(why).c_str());
            exportable = false;
            continue;
        }
        for (const std::string& line : lines)
            std::printf("%d\t%s\t%s\n", i,
                        Escaped(patterns.aNames[static_cast<std::size_t>(i)]).c_str(),
                        Escaped(line).c_str());
    }
    if (!loaded) {
        std::fprintf(stderr, "hfp: %s: %s\n", file.c_str(), reason.c_str());
        return kExitFailure;
    }
    return exportable ? kExitOk : kExitFailure;
}

}  // namespace

void AddWriteCommands(std::vector<Command>& commands) {
    commands.push_back({{"write", "dump"},
                        "[FILE]",
                        "Print the write sets of a write file (default: write.dat in the data "
                        "folder): per set a line 'set INDEX visible=0|1 name=NAME "
                        "box=LEFT,BOTTOM,RIGHT,TOP objects=N', then each object's exchange-file "
                        "lines, frontmost first; control characters in names and lines are "
                        "printed as \\xHH. Exit 1 with the reason when the file "
                        "does not load or an object cannot be written to an exchange file; "
                        "everything readable is still printed.",
                        WriteDump});
    commands.push_back({{"write", "export"},
                        "SET FILE.csv",
                        "Write a set of write.dat (by its exact name; else, when all digits, its "
                        "0-based index) to an exchange file, its pictures into the folder "
                        "'picture' beside it. A picture that cannot be copied ends the export. "
                        "Exit 1 with the reason on failure; the file is only replaced whole.",
                        WriteExport});
    commands.push_back({{"write", "import"},
                        "FILE.csv [--into SET]",
                        "Read an exchange file into a new set named after it (or into SET), "
                        "copying its pictures into the data folder, and save write.dat. On an "
                        "error the objects read before it are kept and the exit code is 1.",
                        WriteImport});
    commands.push_back({{"write", "export-gpx"},
                        "SET FILE.gpx",
                        "Write a set of write.dat (named as for 'write export') as GPX 1.1: "
                        "connected lines as tracks, strings as waypoints named by their text; "
                        "rectangles, ellipses and pictures are counted and left out. Exit 1 "
                        "with the reason on failure; the file is only replaced whole.",
                        WriteExportGpx});
    commands.push_back({{"write", "import-gpx"},
                        "FILE.gpx [--into SET]",
                        "Read a GPX 1.1 or 1.0 file into a new set named after it (or into SET) "
                        "and save write.dat: track segments and routes become black connected "
                        "lines, long ones several lines of at most " +
                            std::to_string(kGpxLinePoints) +
                            " points, waypoints strings with their names. Times, elevations "
                            "and extensions are not "
                            "kept. A file that cannot be read whole, or with points outside the "
                            "map's area, changes nothing and the exit code is 1.",
                        WriteImportGpx});
    commands.push_back({{"write", "patterns"},
                        "[FILE]",
                        "Print the write patterns of a pattern file (default: writepat.dat in "
                        "the data folder), one line per pattern: INDEX, NAME and its "
                        "exchange-file line, separated by tabs; control characters are printed "
                        "as \\xHH. Exit 1 with the reason when the file does not load; the "
                        "patterns read before the damage are still printed.",
                        WritePatterns});
}

}  // namespace hfp::cli

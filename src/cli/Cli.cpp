#include "cli/Cli.h"

#include <unistd.h>

#include <QGuiApplication>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "ProgramVersion.h"
#include "geo/CoordinateText.h"
#include "geo/GeoPoint.h"
#include "platform/DataFolder.h"
#include "platform/ProgramOptions.h"
#include "platform/Services.h"
#include "settings/SetData.h"

namespace hfp::cli {

bool Args::Option(std::string_view name, std::string* value) {
    std::vector<std::string> values = Options(name);
    if (values.empty()) return false;
    *value = values.back();
    return true;
}

std::vector<std::string> Args::Options(std::string_view name) {
    std::vector<std::string> values;
    for (std::size_t i = 0; i < m_words.size();) {
        const std::string& w = m_words[i];
        auto at = m_words.begin() + static_cast<long>(i);
        if (w == name) {
            if (i + 1 >= m_words.size()) {
                SetWrong(std::string(name) + " needs a value");
                m_words.erase(at);
                break;
            }
            values.push_back(m_words[i + 1]);
            m_words.erase(at, at + 2);
        } else if (w.size() > name.size() && w.starts_with(name) && w[name.size()] == '=') {
            values.push_back(w.substr(name.size() + 1));
            m_words.erase(at);
        } else {
            ++i;
        }
    }
    return values;
}

bool Args::Flag(std::string_view name) {
    bool found = false;
    for (std::size_t i = 0; i < m_words.size();) {
        if (m_words[i] == name) {
            m_words.erase(m_words.begin() + static_cast<long>(i));
            found = true;
        } else {
            ++i;
        }
    }
    return found;
}

std::vector<std::string> Args::Positionals() {
    for (const std::string& w : m_words)
        if (w.starts_with("--")) SetWrong("unknown option " + w);
    return m_words;
}

bool LoadSettingsStore(CSetData* store) {
    if (store->Load()) return true;
    std::fprintf(stderr, "hfp: cannot read %s\n",
                 (DataFolder() / CSetData::kFileName).string().c_str());
    return false;
}

bool ParseInt(std::string_view text, long long* value) {
    if (text.empty()) return false;
    std::string s(text);
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    *value = v;
    return true;
}

bool ParseDouble(std::string_view text, double* value) {
    if (text.empty()) return false;
    std::string s(text);
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(s.c_str(), &end);
    if (errno != 0 || *end != '\0') return false;
    *value = v;
    return true;
}

bool ParseLevel(Args& args, std::string_view text, int* level) {
    long long v;
    if (!ParseInt(text, &v) || v < kMinLevel || v > kMaxLevel) {
        args.SetWrong("level must be 7–18, not \"" + std::string(text) + "\"");
        return false;
    }
    *level = static_cast<int>(v);
    return true;
}

bool ReadGeoValue(Args& args, std::string_view option, const std::string& text, bool longitude,
                  int32_t* value) {
    if (ParseGeoValue(text, longitude, value)) return true;
    args.SetWrong(std::string(option) + ": cannot read \"" + text + "\" as a " +
                  (longitude ? "longitude" : "latitude") +
                  " in the service area (geo units or coordinate text such as " +
                  (longitude ? "138.7309" : "35.3628") + ")");
    return false;
}

bool ParseGeoValue(const std::string& text, bool longitude, int32_t* value) {
    long long v;
    if (ParseInt(text, &v)) {
        long long lo = longitude ? kServiceWest : kServiceSouth;
        long long hi = longitude ? kServiceEast : kServiceNorth;
        if (v >= lo && v <= hi) {
            *value = static_cast<int32_t>(v);
            return true;
        }
    }
    int32_t parsed = ParseCoordinateText(text, longitude);
    if (parsed < 0) return false;
    *value = parsed;
    return true;
}

void ProgressLine::Update(const std::string& text, bool last) {
    double now =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    if (!m_started) {
        m_terminal = ::isatty(STDERR_FILENO);
        m_started = true;
    } else if (!last && !m_terminal && now - m_printedAt < 5) {
        return;
    }
    m_printedAt = now;
    std::fprintf(stderr, "%s%s%s", m_terminal ? "\r" : "", text.c_str(),
                 last || !m_terminal ? "\n" : " ");
    std::fflush(stderr);
}

namespace {

std::vector<Command> AllCommands() {
    std::vector<Command> commands;
    AddCoordCommands(commands);
    AddGeoCommands(commands);
    AddTileCommands(commands);
    AddSettingsCommands(commands);
    AddPrefetchCommands(commands);
    AddExportCommands(commands);
    AddPrintCommands(commands);
    AddWriteCommands(commands);
    AddDeclinationCommands(commands);
    AddSpotCommands(commands);
    AddPositionCommands(commands);
    AddInfoCommands(commands);
    return commands;
}

std::string Join(const std::vector<std::string>& words) {
    std::string s;
    for (const auto& w : words)
        s += (s.empty() ? "" : " ") + w;
    return s;
}

void PrintOverview(std::FILE* out, const std::vector<Command>& commands) {
    std::fprintf(out,
                 "usage: hfp [--data-dir DIR] [--services URL] COMMAND [ARGS]\n"
                 "       hfp --help | --version\n\n"
                 "The headless companion of HollowfernPlotter.\n\n"
                 "Global options:\n"
                 "%s\n"
                 "Commands:\n",
                 ProgramOptionsHelp());
    for (const Command& c : commands)
        std::fprintf(out, "  hfp %s %s\n      %s\n", Join(c.path).c_str(), c.usage.c_str(),
                     c.summary.c_str());
    std::fprintf(out, "\nEvery command takes --help.\n");
}

void PrintUsage(std::FILE* out, const Command& c) {
    std::fprintf(out, "usage: hfp %s %s\n%s\n", Join(c.path).c_str(), c.usage.c_str(),
                 c.summary.c_str());
}

}  // namespace

int RunCli(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    ApplyServiceEnvironment();

    // Global options come before the command.
    std::size_t i = 0;
    while (i < words.size() && words[i].starts_with("--")) {
        const std::string& w = words[i];
        if (w == "--help" || w == "-h") {
            PrintOverview(stdout, AllCommands());
            return kExitOk;
        }
        if (w == "--version") {
            std::printf("hfp %s\n", kProgramVersion);
            return kExitOk;
        }
        std::string error;
        if (TakeProgramOption(words, &i, &error)) continue;
        std::fprintf(stderr, "hfp: unknown or incomplete option %s\n\n", w.c_str());
        PrintOverview(stderr, AllCommands());
        return kExitUsage;
    }
    words.erase(words.begin(), words.begin() + static_cast<long>(i));

    const std::vector<Command> commands = AllCommands();
    const Command* best = nullptr;
    for (const Command& c : commands) {
        if (c.path.size() <= words.size() &&
            std::equal(c.path.begin(), c.path.end(), words.begin()) &&
            (!best || c.path.size() > best->path.size()))
            best = &c;
    }
    if (!best) {
        if (!words.empty())
            std::fprintf(stderr, "hfp: unknown command %s\n\n", Join(words).c_str());
        PrintOverview(stderr, commands);
        return kExitUsage;
    }
    std::vector<std::string> rest(words.begin() + static_cast<long>(best->path.size()),
                                  words.end());
    for (const std::string& w : rest) {
        if (w == "--help" || w == "-h") {
            PrintUsage(stdout, *best);
            return kExitOk;
        }
    }
    static int qtArgc = 1;
    std::unique_ptr<QCoreApplication> app;
    if (best->drawsNothing)
        app = std::make_unique<QCoreApplication>(qtArgc, argv);
    else
        app = std::make_unique<QGuiApplication>(qtArgc, argv);
    Args args(std::move(rest));
    int rc = best->run(args);
    if (rc == kExitUsage || args.wrong()) {
        if (args.wrong()) std::fprintf(stderr, "hfp: %s\n", args.error().c_str());
        PrintUsage(stderr, *best);
        return kExitUsage;
    }
    return rc;
}

}  // namespace hfp::cli

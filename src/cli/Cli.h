#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hfp {
class CSetData;
}

namespace hfp::cli {

// Exit codes shared by every subcommand.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// The arguments of one subcommand, consumed by the handler as it reads them.
class Args {
  public:
    explicit Args(std::vector<std::string> words) : m_words(std::move(words)) {}

    // "--name VALUE" or "--name=VALUE"; the last occurrence wins. False when absent; a name
    // without its value is a usage error.
    bool Option(std::string_view name, std::string* value);
    // Every occurrence of a repeatable option, in order.
    std::vector<std::string> Options(std::string_view name);
    bool Flag(std::string_view name);
    // What is left once options and flags are taken. Call last: anything that still starts
    // with "--" is an unknown option and makes the arguments wrong.
    std::vector<std::string> Positionals();

    bool wrong() const { return !m_error.empty(); }
    const std::string& error() const { return m_error; }
    void SetWrong(const std::string& why) {
        if (m_error.empty()) m_error = why;
    }

  private:
    std::vector<std::string> m_words;
    std::string m_error;
};

struct Command {
    std::vector<std::string> path;  // {"coord", "parse"}
    std::string usage;              // "--lat TEXT | --lon TEXT"
    std::string summary;
    int (*run)(Args& args) = nullptr;
    // Texts are drawn with Qt, whose fonts need a GUI application though hfp has no window.
    // Making one costs more than many commands' whole work (its platform plugin and the font
    // set-up), so a command that draws nothing says so and runs in a plain Qt application.
    bool drawsNothing = false;
};
constexpr bool kDrawsNothing = true;

// Each group of subcommands adds itself here.
void AddCoordCommands(std::vector<Command>& commands);
void AddGeoCommands(std::vector<Command>& commands);
void AddTileCommands(std::vector<Command>& commands);
void AddSettingsCommands(std::vector<Command>& commands);
void AddPrefetchCommands(std::vector<Command>& commands);
void AddExportCommands(std::vector<Command>& commands);
void AddPrintCommands(std::vector<Command>& commands);
void AddWriteCommands(std::vector<Command>& commands);
void AddDeclinationCommands(std::vector<Command>& commands);
void AddSpotCommands(std::vector<Command>& commands);
void AddPositionCommands(std::vector<Command>& commands);
void AddInfoCommands(std::vector<Command>& commands);

// Progress of long work on standard error: redrawn in place on a terminal; elsewhere (a log
// file) a line every few seconds, and always the last one.
class ProgressLine {
  public:
    void Update(const std::string& text, bool last = false);

  private:
    bool m_terminal = false;
    bool m_started = false;
    double m_printedAt = 0;
};

// Loads the settings from the data folder as the map editor does at start-up. Unlike the map
// editor, a set.dat that cannot be read whole is an error here (said on stderr): printing or
// saving the defaults in its place would pass them off as the user's settings.
bool LoadSettingsStore(CSetData* store);

// Runs the hfp command line: global options, then a subcommand in the Qt application it
// needs. Returns the exit code.
int RunCli(int argc, char** argv);

// Number parsing for arguments: the whole word must be the number.
bool ParseInt(std::string_view text, long long* value);
bool ParseDouble(std::string_view text, double* value);
// A longitude or latitude: geo units, or any coordinate text. A plain number inside the
// service area's range of geo units is taken as geo units; packed degree digits never fall
// there.
bool ParseGeoValue(const std::string& text, bool longitude, int32_t* value);
// The same for the value of `option`; a value that cannot be read makes the arguments wrong,
// naming the option and the value.
bool ReadGeoValue(Args& args, std::string_view option, const std::string& text, bool longitude,
                  int32_t* value);
// A zoom level 7-18; anything else makes the arguments wrong ("level must be 7–18").
bool ParseLevel(Args& args, std::string_view text, int* level);

}  // namespace hfp::cli

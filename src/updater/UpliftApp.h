#pragma once

#include <filesystem>
#include <string>

namespace hfp {

class Messages;

// The updater's run: one instance at a time; download the update list named by the command
// line, wait until the program being updated has ended (its single-instance mutex, named by
// the list), then run the list in the dialog. The three start-up failures go to `messages`
// with the caption "error"; everything later fails silently.
class CupliftApp {
  public:
    static constexpr const char* kInstanceMutexName = "uplift";

    // `commandLine`: the arguments after the program name, joined by spaces. `folder`: the
    // updater's own folder, which the list works in. Returns the exit code.
    static int Run(const std::string& commandLine, const std::filesystem::path& folder,
                   Messages& messages);
};

}  // namespace hfp

#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace hfp {

// The options every program of the system takes before anything else:
//   --data-dir DIR   the data folder (else HFP_DATA_DIR, else the per-user default)
//   --services URL   every outside service on one server (else HFP_SERVICES and
//                    HFP_SERVICE_<NAME>, else the real services)
// Both also as --name=VALUE. Apply the environment (ApplyServiceEnvironment) first, so that
// the options win over it.

// Takes the program option at words[*index] and moves *index past it. False when the word is
// not one of them; `error` then says why when the word is one of them without its value.
bool TakeProgramOption(const std::vector<std::string>& words, std::size_t* index,
                       std::string* error);

// The lines that describe the options, for a program's --help.
const char* ProgramOptionsHelp();

}  // namespace hfp

#pragma once

namespace hfp {

// Diagnostic trace: written to standard error when the environment has HFP_TRACE=1, else
// dropped. printf-style; a newline is added.
bool TraceEnabled();
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace hfp

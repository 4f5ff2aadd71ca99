#include "platform/Trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace hfp {

bool TraceEnabled() {
    static const bool enabled = [] {
        const char* env = std::getenv("HFP_TRACE");
        return env && std::strcmp(env, "1") == 0;
    }();
    return enabled;
}

void Trace(const char* format, ...) {
    if (!TraceEnabled()) return;
    char line[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::fprintf(stderr, "%s\n", line);
}

}  // namespace hfp

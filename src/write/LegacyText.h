#pragma once

#include <string>
#include <string_view>

namespace hfp {

// A text as a write file, a pattern file or an exchange file holds it. Files of this program
// hold UTF-8, which is kept as it is; older files hold code page 932 (Shift-JIS), which is
// decoded to UTF-8. Bytes that are neither are kept as they are.
std::string TextOfFile(std::string_view bytes);

}  // namespace hfp

#include "write/LegacyText.h"

#include <iconv.h>
#include <QString>
#include <QStringDecoder>
#include <cerrno>

namespace hfp {

namespace {

bool IsUtf8(std::string_view bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(QByteArrayView(bytes.data(), bytes.size()));
    return !decoder.hasError();
}

}  // namespace

std::string TextOfFile(std::string_view bytes) {
    if (IsUtf8(bytes)) return std::string(bytes);
    // Qt's converters may lack code page 932; the C library's iconv has it.
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(bytes);
    std::string in(bytes);
    std::string out(in.size() * 3, '\0');
    char* from = in.data();
    std::size_t fromLeft = in.size();
    char* to = out.data();
    std::size_t toLeft = out.size();
    const bool whole = ::iconv(cd, &from, &fromLeft, &to, &toLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    if (!whole) return std::string(bytes);
    out.resize(out.size() - toLeft);
    return out;
}

}  // namespace hfp

#include "CodePage.h"

#include <iconv.h>

#include <cerrno>

namespace lng {

int codePageForLanguage(const QString &languageName)
{
    if (languageName == QLatin1String("Czech") || languageName == QLatin1String("Slovak"))
        return 1250;
    if (languageName == QLatin1String("Russian"))
        return 1251;
    if (languageName == QLatin1String("Japanese"))
        return 932;
    if (languageName == QLatin1String("Chinese"))
        return 936;
    // English, the other Western European languages and the comments.
    return 1252;
}

CodePageEncoder::CodePageEncoder(int codePage)
    : m_codePage(codePage)
{
    const QByteArray name = "CP" + QByteArray::number(codePage);
    iconv_t cd = iconv_open(name.constData(), "UTF-8");
    if (cd != reinterpret_cast<iconv_t>(-1))
        m_cd = cd;
}

CodePageEncoder::~CodePageEncoder()
{
    if (m_cd)
        iconv_close(static_cast<iconv_t>(m_cd));
}

namespace {
// Length of the UTF-8 sequence that starts with `lead`.
int sequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 1;
}
} // namespace

bool CodePageEncoder::encode(const QString &text, QByteArray &out)
{
    const QByteArray utf8 = text.toUtf8();
    bool exact = true;
    bool pureAscii = true;
    for (char ch : utf8) {
        if (static_cast<unsigned char>(ch) >= 0x80) {
            pureAscii = false;
            break;
        }
    }
    if (pureAscii || !m_cd) {
        // Every code page here holds ASCII as it is.
        if (!pureAscii) {
            for (QChar ch : text) {
                out += ch.unicode() < 0x80 ? static_cast<char>(ch.unicode()) : '?';
                exact = exact && ch.unicode() < 0x80;
            }
            return exact;
        }
        out += utf8;
        return true;
    }

    iconv(static_cast<iconv_t>(m_cd), nullptr, nullptr, nullptr, nullptr);
    char *in = const_cast<char *>(utf8.constData());
    std::size_t inLeft = static_cast<std::size_t>(utf8.size());
    char buffer[1024];
    while (inLeft > 0) {
        char *outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(static_cast<iconv_t>(m_cd), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<qsizetype>(outPtr - buffer));
        if (result != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // A character the code page cannot hold (or a broken sequence): one "?" for it.
        const std::size_t skip = std::min<std::size_t>(sequenceLength(static_cast<unsigned char>(*in)), inLeft);
        in += skip;
        inLeft -= skip;
        out += '?';
        exact = false;
    }
    char *outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(static_cast<iconv_t>(m_cd), nullptr, nullptr, &outPtr, &outLeft); // end any shift state
    out.append(buffer, static_cast<qsizetype>(outPtr - buffer));
    return exact;
}

} // namespace lng

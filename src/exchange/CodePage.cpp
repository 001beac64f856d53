#include "CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <map>
#include <mutex>

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

namespace {
// The reverse of a single-byte code page, built once through iconv: for every BMP character
// the byte that stands for it, 0 where the code page has none.
const std::vector<unsigned char> *singleByteTable(int codePage)
{
    static std::mutex mutex;
    static std::map<int, std::vector<unsigned char>> tables;
    const std::lock_guard lock(mutex);
    auto found = tables.find(codePage);
    if (found != tables.end())
        return &found->second;
    const QByteArray name = "CP" + QByteArray::number(codePage);
    iconv_t cd = iconv_open("UCS-2LE", name.constData());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    std::vector<unsigned char> table(65536, 0);
    for (int byte = 1; byte < 256; ++byte) {
        char in = static_cast<char>(byte);
        char *inPtr = &in;
        std::size_t inLeft = 1;
        unsigned char out[2];
        char *outPtr = reinterpret_cast<char *>(out);
        std::size_t outLeft = 2;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) && outLeft == 0) {
            const int character = out[0] | out[1] << 8;
            if (table[character] == 0)
                table[character] = static_cast<unsigned char>(byte);
        }
    }
    iconv_close(cd);
    return &tables.emplace(codePage, std::move(table)).first->second;
}
} // namespace

CodePageEncoder::CodePageEncoder(int codePage)
    : m_codePage(codePage)
{
    const QByteArray name = "CP" + QByteArray::number(codePage);
    iconv_t cd = iconv_open(name.constData(), "UTF-8");
    if (cd != reinterpret_cast<iconv_t>(-1))
        m_cd = cd;
    if (m_cd && codePage >= 1250 && codePage <= 1258)
        m_singleByte = singleByteTable(codePage);
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

// Decodes UTF-8 and looks every character up; a broken sequence or a character the code page
// cannot hold gives "?".
bool encodeSingleByte(const unsigned char *p, std::size_t size, const std::vector<unsigned char> &table, QByteArray &out)
{
    bool exact = true;
    std::size_t i = 0;
    while (i < size) {
        const unsigned char lead = p[i];
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        const int length = std::min<std::size_t>(sequenceLength(lead), size - i);
        std::uint32_t character = length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        for (int k = 1; k < length; ++k)
            character = character << 6 | (p[i + k] & 0x3F);
        i += std::max(length, 1);
        const unsigned char byte = length > 1 && character < table.size() ? table[character] : 0;
        if (byte) {
            out += static_cast<char>(byte);
        } else {
            out += '?';
            exact = false;
        }
    }
    return exact;
}
} // namespace

bool CodePageEncoder::encode(const QString &text, QByteArray &out)
{
    const QByteArray utf8 = text.toUtf8();
    return encodeUtf8(utf8.constData(), static_cast<std::size_t>(utf8.size()), out);
}

bool CodePageEncoder::encodeUtf8(const char *utf8, std::size_t size, QByteArray &out)
{
    // Every code page here holds ASCII as it is.
    std::size_t ascii = 0;
    while (ascii < size && static_cast<unsigned char>(utf8[ascii]) < 0x80)
        ++ascii;
    out.append(utf8, static_cast<qsizetype>(ascii));
    if (ascii == size)
        return true;
    if (!m_cd) {
        for (std::size_t i = ascii; i < size; i += sequenceLength(static_cast<unsigned char>(utf8[i])))
            out += static_cast<unsigned char>(utf8[i]) < 0x80 ? utf8[i] : '?';
        return false;
    }
    if (m_singleByte)
        return encodeSingleByte(reinterpret_cast<const unsigned char *>(utf8) + ascii, size - ascii, *m_singleByte, out);

    bool exact = true;
    iconv(static_cast<iconv_t>(m_cd), nullptr, nullptr, nullptr, nullptr);
    char *in = const_cast<char *>(utf8 + ascii);
    std::size_t inLeft = size - ascii;
    char buffer[1024];
    while (inLeft > 0) {
        char *outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(static_cast<iconv_t>(m_cd), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<qsizetype>(outPtr - buffer));
        if (result != static_cast<std::size_t>(-1) || errno == E2BIG)
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

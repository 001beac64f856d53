#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace lng {

// The Windows code page a machine set up for a language writes its 8-bit texts in.
int codePageForLanguage(const QString &languageName);

// Converts texts to one 8-bit code page through iconv. A character the code page cannot hold
// is written as "?".
class CodePageEncoder {
public:
    explicit CodePageEncoder(int codePage);
    ~CodePageEncoder();
    CodePageEncoder(const CodePageEncoder &) = delete;
    CodePageEncoder &operator=(const CodePageEncoder &) = delete;

    bool isValid() const { return m_cd != nullptr; }
    int codePage() const { return m_codePage; }
    // Appends the encoded text to `out`; answers false when a character had to become "?".
    bool encode(const QString &text, QByteArray &out);
    bool encodeUtf8(const char *utf8, std::size_t size, QByteArray &out);

private:
    int m_codePage;
    void *m_cd = nullptr; // iconv_t
    // For the single-byte code pages: the byte of each BMP character, 0 where there is none.
    const std::vector<unsigned char> *m_singleByte = nullptr;
};

} // namespace lng

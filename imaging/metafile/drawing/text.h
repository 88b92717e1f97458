// Text in metafiles: decoding the stored strings (ANSI code pages chosen by the font's
// character set, or UTF-16) into Unicode, and finding an installed font family for a face name.
// The code-page tables and the font catalogue are the system's: each drawing backend's room
// supplies DecodeCodePage, FontResolver::FamilyFor and ReleaseFontCaches for its system.
#ifndef ZV_IMAGING_METAFILE_TEXT_H
#define ZV_IMAGING_METAFILE_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace zv::imaging::metafile {

// Bytes in the code page of a font character set (ANSI 0, Russian 204, Shift-JIS 128, ...).
// Character sets without a known code page are read as Windows-1252.
std::u32string DecodeAnsi(const uint8_t* bytes, size_t count, uint8_t charset);
// Little-endian UTF-16 code units; unpaired surrogates become U+FFFD.
std::u32string DecodeUtf16(const uint8_t* bytes, size_t unitCount);
std::string EncodeUtf8(char32_t codePoint);

// Bytes in Windows code page `codePage` (932, 1251, ...) as Unicode, through the system's
// converter; a byte that starts no valid character becomes U+FFFD and decoding goes on after it.
// False when the system does not know the code page.
bool DecodeCodePage(unsigned codePage, const uint8_t* bytes, size_t count, std::u32string* text);

// Resolves face names to installed families, remembering the answers.
class FontResolver {
public:
    // The installed family the system matches best for `faceName`.
    const std::string& FamilyFor(const std::string& faceName);

private:
    std::unordered_map<std::string, std::string> cache_;
};

// Frees the font caches the backend keeps for the life of the process (cairo's font faces and
// fontconfig's configuration). For leak checkers at exit only: no thread may be rendering text.
void ReleaseFontCaches();

} // namespace zv::imaging::metafile

#endif

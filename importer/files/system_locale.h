// The system's default language identifier and ANSI code page, which a version resource
// without a translation table is read under. Windows reports them itself; elsewhere they are
// derived from the process's POSIX locale settings.
#pragma once

#include <cstdint>
#include <string_view>

namespace basFiles {

inline constexpr std::uint16_t kUsEnglishLanguageId = 0x0409;
inline constexpr std::uint32_t kUtf8CodePage = 65001;

struct WindowsLocale {
    std::uint16_t languageId = kUsEnglishLanguageId;
    std::uint32_t codePage = kUtf8CodePage;

    bool operator==(const WindowsLocale&) const = default;
};

// A process's locale variables; an empty text stands for an unset variable.
struct PosixLocaleSettings {
    std::string_view lcAll;
    std::string_view lcMessages;
    std::string_view lcCtype;
    std::string_view lang;
};

// The language comes from the locale that texts are shown in (LC_ALL, else LC_MESSAGES,
// else LANG), the code page from the locale that sets the character encoding (LC_ALL, else
// LC_CTYPE, else LANG): the precedence POSIX gives these variables.
WindowsLocale WindowsLocaleFromPosix(const PosixLocaleSettings& settings);

// A locale name has the form language[_territory][.codeset][@modifier].
//
// Language: language_territory is looked up in a table of common locales (en_US 0x0409,
// en_GB 0x0809, de_DE 0x0407, de_CH 0x0807, fr_FR 0x040C, fr_CA 0x0C0C, es_ES 0x0C0A,
// pt_BR 0x0416, ja_JP 0x0411, zh_CN 0x0804, ...); a territory not in the table falls back to
// the language's primary language identifier with SUBLANG_DEFAULT (de_BE gives 0x0407). Names
// are compared without regard to ASCII case. "C", "POSIX", an empty name and any language not
// in the table give US English, 0x0409.
std::uint16_t LanguageIdFromLocaleName(std::string_view name);

// Code page: the codeset, compared without regard to case, "-" and "_", names a Windows code
// page: UTF-8 65001, ISO-8859-1 28591, ISO-8859-2 28592, ISO-8859-5 28595, ISO-8859-7 28597,
// ISO-8859-9 28599, ISO-8859-15 28605, CP1250 to CP1258 (or WINDOWS-1250 ...) 1250 to 1258,
// KOI8-R 20866, KOI8-U 21866, EUC-JP 20932, SHIFT_JIS 932, GB2312 and GBK 936, GB18030 54936,
// BIG5 950, EUC-KR 51949, TIS-620 874, ASCII 20127. A name without a codeset but with the
// "@euro" modifier gives 28605. Anything else, and "C" or "POSIX", gives UTF-8, 65001: the
// encoding the program's texts are in.
std::uint32_t CodePageFromLocaleName(std::string_view name);

// The calling process's locale, read from its environment now.
WindowsLocale SystemWindowsLocale();

}  // namespace basFiles

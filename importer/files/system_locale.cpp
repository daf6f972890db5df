#include "importer/files/system_locale.h"

#include <initializer_list>
#include <string>

#include "common/ascii_case.h"

namespace basFiles {

namespace {

struct LocaleLanguage {
    std::string_view name;  // language_territory
    std::uint16_t languageId;
};

// Locales whose Windows identifier is not simply the language with SUBLANG_DEFAULT, and the
// common ones that are, for the record.
constexpr LocaleLanguage kLocaleLanguages[] = {
    {"ar_EG", 0x0C01}, {"ar_SA", 0x0401}, {"bg_BG", 0x0402}, {"ca_ES", 0x0403}, {"cs_CZ", 0x0405},
    {"da_DK", 0x0406}, {"de_AT", 0x0C07}, {"de_CH", 0x0807}, {"de_DE", 0x0407}, {"de_LI", 0x1407},
    {"de_LU", 0x1007}, {"el_GR", 0x0408}, {"en_AU", 0x0C09}, {"en_CA", 0x1009}, {"en_GB", 0x0809},
    {"en_IE", 0x1809}, {"en_IN", 0x4009}, {"en_NZ", 0x1409}, {"en_US", 0x0409}, {"en_ZA", 0x1C09},
    {"es_AR", 0x2C0A}, {"es_CL", 0x340A}, {"es_CO", 0x240A}, {"es_ES", 0x0C0A}, {"es_MX", 0x080A},
    {"es_US", 0x540A}, {"et_EE", 0x0425}, {"eu_ES", 0x042D}, {"fi_FI", 0x040B}, {"fr_BE", 0x080C},
    {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C}, {"fr_FR", 0x040C}, {"fr_LU", 0x140C}, {"gl_ES", 0x0456},
    {"he_IL", 0x040D}, {"hi_IN", 0x0439}, {"hr_HR", 0x041A}, {"hu_HU", 0x040E}, {"id_ID", 0x0421},
    {"is_IS", 0x040F}, {"it_CH", 0x0810}, {"it_IT", 0x0410}, {"ja_JP", 0x0411}, {"ko_KR", 0x0412},
    {"lt_LT", 0x0427}, {"lv_LV", 0x0426}, {"ms_MY", 0x043E}, {"nb_NO", 0x0414}, {"nl_BE", 0x0813},
    {"nl_NL", 0x0413}, {"nn_NO", 0x0814}, {"pl_PL", 0x0415}, {"pt_BR", 0x0416}, {"pt_PT", 0x0816},
    {"ro_RO", 0x0418}, {"ru_RU", 0x0419}, {"sk_SK", 0x041B}, {"sl_SI", 0x0424}, {"sv_FI", 0x081D},
    {"sv_SE", 0x041D}, {"th_TH", 0x041E}, {"tr_TR", 0x041F}, {"uk_UA", 0x0422}, {"vi_VN", 0x042A},
    {"zh_CN", 0x0804}, {"zh_HK", 0x0C04}, {"zh_SG", 0x1004}, {"zh_TW", 0x0404},
};

struct PrimaryLanguage {
    std::string_view language;
    std::uint16_t primaryId;  // LANG_* value
};

constexpr PrimaryLanguage kPrimaryLanguages[] = {
    {"ar", 0x01}, {"bg", 0x02}, {"ca", 0x03}, {"cs", 0x05}, {"da", 0x06}, {"de", 0x07},
    {"el", 0x08}, {"en", 0x09}, {"es", 0x0A}, {"et", 0x25}, {"eu", 0x2D}, {"fi", 0x0B},
    {"fr", 0x0C}, {"gl", 0x56}, {"he", 0x0D}, {"hi", 0x39}, {"hr", 0x1A}, {"hu", 0x0E},
    {"id", 0x21}, {"is", 0x0F}, {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12}, {"lt", 0x27},
    {"lv", 0x26}, {"ms", 0x3E}, {"nb", 0x14}, {"nl", 0x13}, {"no", 0x14}, {"pl", 0x15},
    {"pt", 0x16}, {"ro", 0x18}, {"ru", 0x19}, {"sk", 0x1B}, {"sl", 0x24}, {"sv", 0x1D},
    {"th", 0x1E}, {"tr", 0x1F}, {"uk", 0x22}, {"vi", 0x2A}, {"zh", 0x04},
};

constexpr std::uint16_t kSublangDefault = 0x01;

struct CodesetPage {
    std::string_view codeset;  // upper case, without "-" and "_"
    std::uint32_t codePage;
};

constexpr CodesetPage kCodesetPages[] = {
    {"UTF8", 65001},       {"ISO88591", 28591},   {"ISO88592", 28592},     {"ISO88595", 28595},
    {"ISO88597", 28597},   {"ISO88599", 28599},   {"ISO885915", 28605},    {"CP1250", 1250},
    {"CP1251", 1251},      {"CP1252", 1252},      {"CP1253", 1253},        {"CP1254", 1254},
    {"CP1255", 1255},      {"CP1256", 1256},      {"CP1257", 1257},        {"CP1258", 1258},
    {"WINDOWS1250", 1250}, {"WINDOWS1251", 1251}, {"WINDOWS1252", 1252},   {"WINDOWS1253", 1253},
    {"WINDOWS1254", 1254}, {"WINDOWS1255", 1255}, {"WINDOWS1256", 1256},   {"WINDOWS1257", 1257},
    {"WINDOWS1258", 1258}, {"KOI8R", 20866},      {"KOI8U", 21866},        {"EUCJP", 20932},
    {"SJIS", 932},         {"SHIFTJIS", 932},     {"GB2312", 936},         {"GBK", 936},
    {"GB18030", 54936},    {"BIG5", 950},         {"EUCKR", 51949},        {"TIS620", 874},
    {"ASCII", 20127},      {"USASCII", 20127},    {"ANSIX3.41968", 20127},
};

struct LocaleNameParts {
    std::string_view language;
    std::string_view territory;
    std::string_view codeset;
    std::string_view modifier;
};

LocaleNameParts SplitLocaleName(std::string_view name) {
    LocaleNameParts parts;
    if (const auto at = name.find('@'); at != std::string_view::npos) {
        parts.modifier = name.substr(at + 1);
        name = name.substr(0, at);
    }
    if (const auto dot = name.find('.'); dot != std::string_view::npos) {
        parts.codeset = name.substr(dot + 1);
        name = name.substr(0, dot);
    }
    if (const auto underscore = name.find('_'); underscore != std::string_view::npos) {
        parts.territory = name.substr(underscore + 1);
        name = name.substr(0, underscore);
    }
    parts.language = name;
    return parts;
}

std::string NormalizedCodeset(std::string_view codeset) {
    std::string out;
    for (char c : codeset) {
        if (c != '-' && c != '_') {
            out.push_back(common::AsciiUpper(c));
        }
    }
    return out;
}

// The first of the variables that is set.
std::string_view FirstSet(std::initializer_list<std::string_view> variables) {
    for (std::string_view value : variables) {
        if (!value.empty()) {
            return value;
        }
    }
    return {};
}

}  // namespace

std::uint16_t LanguageIdFromLocaleName(std::string_view name) {
    const LocaleNameParts parts = SplitLocaleName(name);
    if (!parts.territory.empty()) {
        for (const LocaleLanguage& entry : kLocaleLanguages) {
            if (common::EqualsIgnoringAsciiCase(entry.name.substr(0, 2), parts.language) &&
                common::EqualsIgnoringAsciiCase(entry.name.substr(3), parts.territory)) {
                return entry.languageId;
            }
        }
    }
    for (const PrimaryLanguage& entry : kPrimaryLanguages) {
        if (common::EqualsIgnoringAsciiCase(entry.language, parts.language)) {
            return static_cast<std::uint16_t>((kSublangDefault << 10) | entry.primaryId);
        }
    }
    return kUsEnglishLanguageId;
}

std::uint32_t CodePageFromLocaleName(std::string_view name) {
    const LocaleNameParts parts = SplitLocaleName(name);
    if (parts.codeset.empty()) {
        return common::EqualsIgnoringAsciiCase(parts.modifier, "euro") ? 28605 : kUtf8CodePage;
    }
    const std::string codeset = NormalizedCodeset(parts.codeset);
    for (const CodesetPage& entry : kCodesetPages) {
        if (entry.codeset == codeset) {
            return entry.codePage;
        }
    }
    return kUtf8CodePage;
}

WindowsLocale WindowsLocaleFromPosix(const PosixLocaleSettings& settings) {
    return WindowsLocale{
        .languageId = LanguageIdFromLocaleName(
            FirstSet({settings.lcAll, settings.lcMessages, settings.lang})),
        .codePage =
            CodePageFromLocaleName(FirstSet({settings.lcAll, settings.lcCtype, settings.lang})),
    };
}

}  // namespace basFiles

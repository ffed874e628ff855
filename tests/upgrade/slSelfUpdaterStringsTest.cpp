// The self-upgrade's string table: ids, the English texts, the completeness and consistency of every translated
// block, and the language a system language identifier selects.
#include "slSelfUpdaterStrings.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

using namespace skyloom;

namespace {

std::string Utf8(std::u16string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size())
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The printf conversions of a text in order ("%s", "%.1f", "%.2d"...); "%%" is not one.
std::vector<std::u16string> Conversions(std::u16string_view text)
{
    std::vector<std::u16string> out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'%')
            continue;
        std::size_t j = i + 1;
        if (j < text.size() && text[j] == u'%') {
            i = j;
            continue;
        }
        while (j < text.size() && !(text[j] >= u'a' && text[j] <= u'z'))
            ++j;
        out.emplace_back(text.substr(i, j + 1 - i));
        i = j;
    }
    return out;
}

// The markup tags of a text in order: anything in square brackets.
std::vector<std::u16string> Tags(std::u16string_view text)
{
    std::vector<std::u16string> out;
    for (std::size_t i = text.find(u'['); i != std::u16string_view::npos; i = text.find(u'[', i + 1)) {
        const std::size_t close = text.find(u']', i);
        out.emplace_back(text.substr(i, close == std::u16string_view::npos ? 1 : close + 1 - i));
    }
    return out;
}

// The positions of single "&" (accelerator markers); "&&" is a literal ampersand.
std::vector<std::size_t> Accelerators(std::u16string_view text)
{
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'&')
            continue;
        if (i + 1 < text.size() && text[i + 1] == u'&') {
            ++i;
            continue;
        }
        out.push_back(i);
    }
    return out;
}

char16_t Folded(char16_t c)
{
    if (c < 0x80)
        return static_cast<char16_t>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 0x410 && c <= 0x42F)  // Cyrillic capitals
        return static_cast<char16_t>(c + 0x20);
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7))  // Latin-1 capitals
        return static_cast<char16_t>(c + 0x20);
    return c;
}

bool IsLetterOrDigit(char16_t c)
{
    if (c < 0x80)
        return std::isalnum(static_cast<unsigned char>(c)) != 0;
    return c >= 0xC0;  // every letter of the table's scripts lies above Latin-1's symbols
}

const TslSelfUpdaterLanguage kLanguages[] = {
    wlEnglish,   wlRussian,           wlGerman,           wlFrench,    wlSpanish,   wlPortuguese,
    wlPortugueseBrazilian, wlItalian, wlDutch,            wlDanish,    wlSwedish,   wlFinnish,
    wlEstonian,  wlUkrainian,         wlPolish,           wlCzech,     wlHungarian, wlRomanian,
    wlCatalan,   wlBasque,            wlAfrikaans,        wlChineseTraditional,     wlChineseSimplified,
    wlIndonesian, wlMalay,            wlIcelandic,        wlTurkish,   wlNorwegian,
};

} // namespace

TEST(SelfUpdaterStrings, BlocksLieAtTheirIdsAndOutsideIdsAreEmpty)
{
    static_assert(sizeof(kLanguages) / sizeof(kLanguages[0]) == SelfUpdaterLanguageCount);
    const int bases[] = {51000, 51050, 51100, 51150, 51200, 51250, 51300, 51350, 51400, 51450,
                         51500, 51550, 51600, 51650, 51700, 51750, 51800, 51850, 51900, 51950,
                         52000, 52050, 52100, 52150, 52200, 52250, 52300, 52350};
    for (int i = 0; i < SelfUpdaterLanguageCount; ++i) {
        const TslSelfUpdaterLanguage lang = kLanguages[i];
        EXPECT_EQ(static_cast<int>(lang), i + 1) << "enumeration order";
        EXPECT_EQ(SelfUpdaterBlockBase(lang), bases[i]) << "language " << lang;
        for (int offset = 0; offset < SelfUpdaterBlockLength; ++offset)
            EXPECT_EQ(SelfUpdaterString(bases[i] + offset), SelfUpdaterText(lang, offset))
                << "id " << bases[i] + offset;
        for (int gap = SelfUpdaterBlockLength; gap < 50; ++gap)
            EXPECT_TRUE(SelfUpdaterString(bases[i] + gap).empty()) << "id " << bases[i] + gap << " is between blocks";
    }
    EXPECT_EQ(SelfUpdaterBlockBase(wlAuto), -1);
    EXPECT_EQ(SelfUpdaterBlockBase(static_cast<TslSelfUpdaterLanguage>(29)), -1);
    EXPECT_EQ(SelfUpdaterString(sustrAppTitleTemplate), u"<AppTitle>");
    EXPECT_FALSE(SelfUpdaterString(sustrDefaultAppTitle).empty());
    EXPECT_EQ(SelfUpdaterString(sustrEngravedName), u"SelfUpdater");
    for (int id : {0, -1, 50996, 52381, 52400, 60000})
        EXPECT_TRUE(SelfUpdaterString(id).empty()) << "id " << id;
    for (int offset : {-1, 31, 50})
        EXPECT_TRUE(SelfUpdaterText(wlEnglish, offset).empty()) << "offset " << offset;
    EXPECT_TRUE(SelfUpdaterText(wlAuto, 0).empty());
}

TEST(SelfUpdaterStrings, EnglishBlockHoldsTheProgramsTexts)
{
    const char16_t* const english[SelfUpdaterBlockLength] = {
        u"Application update wizard",
        u"Downloading files...",
        u"Upgrade completed!",
        u"Current file",
        u"All files",
        u"Downloading file from",
        u"File size: %.1f Kb",
        u"Transfer rate: %.1f Kb/s",
        u"Estimated time left: %d:%.2d:%.2d",
        u"Downloading %d of %d",
        u"The update of %s has been successfully completed.\n\nPress the OK button to restart program.",
        u"Enter password",
        u"User Name",
        u"Password",
        u"&Yes",
        u"&No",
        u"&OK",
        u"&Cancel",
        u"&Next >",
        u"&Later",
        u"Warning",
        u"Error",
        u"Preparing. . .",
        u"A newer version of [b]%s[] was released.\n%s\nDo you want to update your version with the latest one?",
        u"Newer version not found. You actually are\nusing most recent version of this program.",
        u"File which contains upgrade information was not found on developer's site.",
        u"Host %s unreachable.\n\nPlease check your Internet connection and\ntry to upgrade this software again later.",
        u"The update is not completed.\nWould you like to abort upgrading?",
        u"File %s not found or inaccessible.\n\nTry to skip this file and continue upgrade?",
        u"Access to remote file \"[b]%s[]\" is password protected.\n\nPlease enter your username and password "
        u"(received after registration) to continue software upgrade.",
        u"Connection with remote server lost.\n\nPlease restore connection and try to\nupgrade this software again "
        u"later.",
    };
    for (int offset = 0; offset < SelfUpdaterBlockLength; ++offset)
        EXPECT_EQ(SelfUpdaterString(51000 + offset), english[offset]) << "offset " << offset;
}

TEST(SelfUpdaterStrings, EveryBlockIsCompleteAndKeepsPlaceholdersTagsAndAccelerators)
{
    for (TslSelfUpdaterLanguage lang : kLanguages) {
        int translated = 0;
        for (int offset = 0; offset < SelfUpdaterBlockLength; ++offset) {
            const std::u16string_view text = SelfUpdaterText(lang, offset);
            const std::u16string_view english = SelfUpdaterText(wlEnglish, offset);
            const std::string where = "language " + std::to_string(lang) + " offset " + std::to_string(offset) +
                                      ": \"" + Utf8(text) + "\"";
            ASSERT_FALSE(text.empty()) << where;
            translated += text != english;
            EXPECT_EQ(Conversions(text), Conversions(english)) << where << " changes the placeholders";
            EXPECT_EQ(Tags(text), Tags(english)) << where << " changes the markup";
            EXPECT_NE(text.front(), u' ') << where << " starts with a blank (captions add their own)";
            EXPECT_NE(text.back(), u' ') << where;
            EXPECT_NE(text.back(), u'\n') << where;
            for (char16_t c : text)
                EXPECT_TRUE(c == u'\n' || c >= 0x20) << where << " holds control character " << int(c);

            const std::vector<std::size_t> marks = Accelerators(text);
            if (offset >= sutYes && offset <= sutLater) {
                ASSERT_EQ(marks.size(), 1u) << where << " needs exactly one accelerator";
                ASSERT_LT(marks[0] + 1, text.size()) << where;
                EXPECT_TRUE(IsLetterOrDigit(text[marks[0] + 1])) << where << " marks no letter";
            } else {
                EXPECT_TRUE(marks.empty()) << where << " has a stray accelerator";
            }
        }
        if (lang != wlEnglish) {
            EXPECT_GE(translated, 20) << "language " << lang << " leaves most texts in English";
        }

        // The password text without the file location cuts the quoted name and the character before it.
        const std::u16string_view request = SelfUpdaterText(lang, sutPasswordRequest);
        const std::size_t quoted = request.find(u"\"[b]%s[]\"");
        ASSERT_NE(quoted, std::u16string_view::npos) << "language " << lang << ": quoted file name";
        EXPECT_GT(quoted, 0u) << "language " << lang;

        // Buttons that stand side by side need different accelerators.
        const std::pair<int, int> neighbours[] = {
            {sutYes, sutNo}, {sutYes, sutLater}, {sutOK, sutCancel}, {sutNext, sutCancel}};
        for (auto [a, b] : neighbours) {
            const std::u16string_view first = SelfUpdaterText(lang, a);
            const std::u16string_view second = SelfUpdaterText(lang, b);
            EXPECT_NE(Folded(first[Accelerators(first)[0] + 1]), Folded(second[Accelerators(second)[0] + 1]))
                << "language " << lang << ": \"" << Utf8(first) << "\" and \"" << Utf8(second) << "\"";
        }
    }
}

TEST(SelfUpdaterStrings, BlocksAreDistinctTranslations)
{
    std::set<std::u16string> blocks;
    for (TslSelfUpdaterLanguage lang : kLanguages) {
        std::u16string joined;
        for (int offset = 0; offset < SelfUpdaterBlockLength; ++offset)
            joined += SelfUpdaterText(lang, offset);
        EXPECT_TRUE(blocks.insert(joined).second) << "language " << lang << " repeats another block";
    }
    // Brazilian and European Portuguese differ in their everyday words.
    EXPECT_NE(SelfUpdaterText(wlPortuguese, sutDownloadingFiles), SelfUpdaterText(wlPortugueseBrazilian,
                                                                                  sutDownloadingFiles));
    EXPECT_NE(SelfUpdaterText(wlChineseTraditional, sutWizardCaption),
              SelfUpdaterText(wlChineseSimplified, sutWizardCaption));
}

TEST(SelfUpdaterStrings, SourceTextIsReadAsUtf8)
{
    // Spelled out by code point, so a compiler reading the source in another code page fails here.
    EXPECT_EQ(SelfUpdaterText(wlRussian, sutYes), u"&\u0414\u0430");
    EXPECT_EQ(SelfUpdaterText(wlUkrainian, sutNo), u"&\u041D\u0456");
    EXPECT_EQ(SelfUpdaterText(wlGerman, sutLater), u"&Sp\u00E4ter");
    EXPECT_EQ(SelfUpdaterText(wlChineseSimplified, sutCancel), u"\u53D6\u6D88(&C)");
    EXPECT_EQ(SelfUpdaterText(wlChineseTraditional, sutError), u"\u932F\u8AA4");
    EXPECT_EQ(SelfUpdaterText(wlTurkish, sutCancel), u"\u0130&ptal");
    EXPECT_EQ(SelfUpdaterText(wlCatalan, sutCancel), u"&Cancel\u00B7la");
}

TEST(SelfUpdaterStrings, LanguageIdentifierSelectsTheBlock)
{
    struct TCase {
        unsigned LangId;
        TslSelfUpdaterLanguage Expected;
    };
    const TCase cases[] = {
        {0x0409, wlEnglish},  {0x0809, wlEnglish},   {0x0C09, wlEnglish},
        {0x0419, wlRussian},  {0x0407, wlGerman},    {0x0C07, wlGerman},
        {0x040C, wlFrench},   {0x0C0C, wlFrench},    {0x0C0A, wlSpanish},
        {0x080A, wlSpanish},  {0x0816, wlPortuguese}, {0x0416, wlPortugueseBrazilian},
        {0x0016, wlPortuguese}, {0x0410, wlItalian}, {0x0413, wlDutch},
        {0x0813, wlDutch},    {0x0406, wlDanish},    {0x041D, wlSwedish},
        {0x081D, wlSwedish},  {0x040B, wlFinnish},   {0x0425, wlEstonian},
        {0x0422, wlUkrainian}, {0x0415, wlPolish},   {0x0405, wlCzech},
        {0x040E, wlHungarian}, {0x0418, wlRomanian}, {0x0403, wlCatalan},
        {0x042D, wlBasque},   {0x0436, wlAfrikaans},
        {0x0404, wlChineseTraditional},  // Taiwan
        {0x0804, wlChineseSimplified},   // People's Republic
        {0x0C04, wlChineseTraditional},  // Hong Kong
        {0x1004, wlChineseSimplified},   // Singapore
        {0x1404, wlChineseTraditional},  // Macao
        {0x0421, wlIndonesian}, {0x043E, wlMalay},   {0x083E, wlMalay},
        {0x040F, wlIcelandic}, {0x041F, wlTurkish},  {0x0414, wlNorwegian},
        {0x0814, wlNorwegian},  // Nynorsk
        {0x0411, wlEnglish},    // Japanese has no block
        {0x0412, wlEnglish},  {0x0401, wlEnglish},   {0x041A, wlEnglish},
        {0x0000, wlEnglish},  {0xFFFF, wlEnglish},
        {0x10409, wlEnglish},   // bits above the identifier do not matter
        {0x10416, wlPortugueseBrazilian},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(SelfUpdaterLanguageForLangId(c.LangId), c.Expected) << std::hex << "LANGID 0x" << c.LangId;
}

TEST(SelfUpdaterStrings, OneBlockServesTheWholeProcess)
{
    const TslSelfUpdaterLanguage before = SelfUpdaterBlockLanguage();
    SetSelfUpdaterBlockLanguage(wlFinnish);
    EXPECT_EQ(SelfUpdaterBlockLanguage(), wlFinnish);
    EXPECT_EQ(SelfUpdaterText(sutCancel), u"&Peruuta");
    SetSelfUpdaterBlockLanguage(wlAuto);  // needs detection first: ignored
    SetSelfUpdaterBlockLanguage(static_cast<TslSelfUpdaterLanguage>(40));
    EXPECT_EQ(SelfUpdaterBlockLanguage(), wlFinnish);
    SetSelfUpdaterBlockLanguage(wlEnglish);
    EXPECT_EQ(SelfUpdaterText(sutCancel), u"&Cancel");
    EXPECT_TRUE(SelfUpdaterText(31).empty());
    SetSelfUpdaterBlockLanguage(before);
}

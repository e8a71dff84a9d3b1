#include "rtfkeywords.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace Rtf {
namespace {

struct Entry
{
    std::string_view name;
    Keyword kind;
    char16_t character = 0;
};

constexpr Keyword Skip = Keyword::SkipDestination;
constexpr Keyword Char = Keyword::Character;

// Sorted by name (checked below). Destinations listed here hold no document text: tables,
// document information, pictures, objects, headers, footers, notes, field instructions,
// bookmarks, index entries, list definitions and the storage of newer word processors.
constexpr auto Table = std::to_array<Entry>({
    {"aftncn", Skip},
    {"aftnsep", Skip},
    {"aftnsepc", Skip},
    {"annotation", Skip},
    {"ansi", Keyword::Ansi},
    {"ansicpg", Keyword::AnsiCodePage},
    {"atnauthor", Skip},
    {"atndate", Skip},
    {"atnid", Skip},
    {"atnref", Skip},
    {"atrfend", Skip},
    {"atrfstart", Skip},
    {"author", Skip},
    {"b", Keyword::Bold},
    {"background", Skip},
    {"bin", Keyword::Binary},
    {"bkmkend", Skip},
    {"bkmkstart", Skip},
    {"blue", Keyword::Blue},
    {"bullet", Char, 0x2022},
    {"category", Skip},
    {"cell", Keyword::Cell},
    {"cf", Keyword::ColorIndex},
    {"chdate", Char},
    {"chdpa", Char},
    {"chdpl", Char},
    {"chftn", Char},
    {"chpgn", Char},
    {"chtime", Char},
    {"colorschememapping", Skip},
    {"colortbl", Keyword::ColorTable},
    {"comment", Skip},
    {"company", Skip},
    {"cpg", Keyword::FontCodePage},
    {"creatim", Skip},
    {"datafield", Skip},
    {"datastore", Skip},
    {"defchp", Skip},
    {"deff", Keyword::DefaultFont},
    {"defpap", Skip},
    {"do", Skip},
    {"doccomm", Skip},
    {"docvar", Skip},
    {"emdash", Char, 0x2014},
    {"emspace", Char, 0x2003},
    {"endash", Char, 0x2013},
    {"enspace", Char, 0x2002},
    {"f", Keyword::Font},
    {"falt", Skip},
    {"fcharset", Keyword::Charset},
    {"ffdeftext", Skip},
    {"ffentrymcr", Skip},
    {"ffexitmcr", Skip},
    {"ffformat", Skip},
    {"ffhelptext", Skip},
    {"ffl", Skip},
    {"ffname", Skip},
    {"ffstattext", Skip},
    {"filetbl", Skip},
    {"fldinst", Skip},
    {"fontemb", Skip},
    {"fontfile", Skip},
    {"fonttbl", Keyword::FontTable},
    {"footer", Skip},
    {"footerf", Skip},
    {"footerl", Skip},
    {"footerr", Skip},
    {"footnote", Skip},
    {"fs", Keyword::FontSize},
    {"ftncn", Skip},
    {"ftnsep", Skip},
    {"ftnsepc", Skip},
    {"generator", Skip},
    {"green", Keyword::Green},
    {"header", Skip},
    {"headerf", Skip},
    {"headerl", Skip},
    {"headerr", Skip},
    {"i", Keyword::Italic},
    {"info", Skip},
    {"keywords", Skip},
    {"latentstyles", Skip},
    {"ldblquote", Char, 0x201C},
    {"levelnumbers", Skip},
    {"leveltext", Skip},
    {"line", Keyword::Line},
    {"listname", Skip},
    {"listoverridetable", Skip},
    {"listtable", Skip},
    {"lquote", Char, 0x2018},
    {"ltrmark", Char, 0x200E},
    {"mac", Keyword::Mac},
    {"manager", Skip},
    {"mmathPr", Skip},
    {"nestcell", Keyword::Cell},
    {"nestrow", Keyword::Row},
    {"nonesttables", Skip},
    {"nonshppict", Skip},
    {"objdata", Skip},
    {"object", Skip},
    {"operator", Skip},
    {"page", Keyword::PageBreak},
    {"panose", Skip},
    {"par", Keyword::Paragraph},
    {"passwordhash", Skip},
    {"pc", Keyword::Pc},
    {"pca", Keyword::Pca},
    {"pgdsctbl", Skip},
    {"pict", Skip},
    {"plain", Keyword::Plain},
    {"pn", Skip},
    {"pnseclvl", Skip},
    {"private", Skip},
    {"protusertbl", Skip},
    {"pxe", Skip},
    {"qmspace", Char, 0x2005},
    {"rdblquote", Char, 0x201D},
    {"red", Keyword::Red},
    {"revtbl", Skip},
    {"revtim", Skip},
    {"row", Keyword::Row},
    {"rquote", Char, 0x2019},
    {"rsidtbl", Skip},
    {"rtlmark", Char, 0x200F},
    {"rxe", Skip},
    {"sect", Keyword::PageBreak},
    {"shp", Skip},
    {"shpinst", Skip},
    {"shppict", Skip},
    {"stylesheet", Skip},
    {"subject", Skip},
    {"tab", Keyword::Tab},
    {"tc", Skip},
    {"template", Skip},
    {"themedata", Skip},
    {"title", Skip},
    {"txe", Skip},
    {"u", Keyword::Unicode},
    {"uc", Keyword::UnicodeSkip},
    {"ul", Keyword::Underline},
    {"uld", Keyword::Underline},
    {"uldash", Keyword::Underline},
    {"uldashd", Keyword::Underline},
    {"uldashdd", Keyword::Underline},
    {"uldb", Keyword::Underline},
    {"ulhwave", Keyword::Underline},
    {"ulldash", Keyword::Underline},
    {"ulnone", Keyword::UnderlineNone},
    {"ulth", Keyword::Underline},
    {"ulthd", Keyword::Underline},
    {"ulthdash", Keyword::Underline},
    {"ulthdashd", Keyword::Underline},
    {"ulthdashdd", Keyword::Underline},
    {"ulthldash", Keyword::Underline},
    {"ululdbwave", Keyword::Underline},
    {"ulw", Keyword::Underline},
    {"ulwave", Keyword::Underline},
    {"userprops", Skip},
    {"v", Keyword::Hidden},
    {"wgrffmtfilter", Skip},
    {"xe", Skip},
    {"xmlnstbl", Skip},
    {"zwbo", Char, 0x200B},
    {"zwj", Char, 0x200D},
    {"zwnj", Char, 0x200C},
});

static_assert(std::is_sorted(
    Table.begin(), Table.end(), [](const Entry &a, const Entry &b) { return a.name < b.name; }));

constexpr quint32 hashOf(std::string_view name)
{
    quint32 hash = HashSeed;
    for (const char c : name)
        hash = hashStep(hash, c);
    return hash;
}

// Open addressing over the table's names, filled at compile time; a third full, so a lookup
// mostly compares one name.
constexpr quint32 SlotCount = 512;
static_assert(Table.size() * 3 <= SlotCount);

constexpr auto Slots = [] {
    std::array<qint16, SlotCount> index {};
    for (qint16 &entry : index)
        entry = -1;
    for (size_t i = 0; i < Table.size(); ++i) {
        quint32 s = hashOf(Table[i].name) & (SlotCount - 1);
        while (index[s] >= 0)
            s = (s + 1) & (SlotCount - 1);
        index[s] = qint16(i);
    }
    return index;
}();

} // namespace

KeywordInfo lookupKeyword(QByteArrayView name)
{
    return lookupKeyword(name, hashOf(std::string_view(name.data(), size_t(name.size()))));
}

KeywordInfo lookupKeyword(QByteArrayView name, quint32 hash)
{
    const std::string_view key(name.data(), size_t(name.size()));
    for (quint32 s = hash & (SlotCount - 1); Slots[s] >= 0; s = (s + 1) & (SlotCount - 1)) {
        const Entry &entry = Table[size_t(Slots[s])];
        if (entry.name == key)
            return {entry.kind, entry.character};
    }
    return {};
}

} // namespace Rtf

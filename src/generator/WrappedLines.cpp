#include "generator/WrappedLines.h"

#include <QList>
#include <string_view>

namespace {

// Calibri's advance widths of the printable ASCII characters, space to "~",
// in 1/2048 of an em. Carlito, which LibreOffice draws Calibri with where
// Calibri is not installed, has the same widths.
constexpr int AsciiAdvances[95] = {
    463,  667,  821,  1020, 1038, 1464, 1397, 452,  621,  621,  1020, 1020, 511,  627,  517,  791,
    1038, 1038, 1038, 1038, 1038, 1038, 1038, 1038, 1038, 1038, 548,  548,  1020, 1020, 1020, 949,
    1831, 1185, 1114, 1092, 1260, 1000, 941,  1292, 1276, 516,  653,  1064, 861,  1751, 1322, 1356,
    1058, 1378, 1112, 941,  998,  1314, 1162, 1822, 1063, 998,  959,  628,  791,  628,  1020, 1020,
    596,  981,  1076, 866,  1076, 1019, 625,  964,  1076, 470,  490,  931,  470,  1636, 1076, 1080,
    1076, 1076, 714,  801,  686,  1076, 925,  1464, 887,  927,  809,  644,  943,  644,  1020};

// 11 points on a 96-dpi screen are 44/3 pixels to the em. Each character
// counts in whole pixels, rounded up: a screen draws glyphs at whole-pixel
// widths rounded from the font's, and rounding up keeps the count at or
// above them.
constexpr int AsciiPixels(int advance) {
    return (advance * 44 + 3 * 2048 - 1) / (3 * 2048);
}

// Every other character counts as one em, 15 pixels (44/3 rounded up; a
// digit is 7). That is the width of the full-width characters of Japanese
// (kanji, kana, full-width forms), which the spreadsheet draws in a Japanese
// font, and hardly any letter or sign of Calibri or of that font is wider;
// half-width katakana and accented Latin letters count a good deal wider
// than they are.
constexpr int EmPixels = 15;

int Pixels(char32_t c) {
    return c >= 0x20 && c <= 0x7E ? AsciiPixels(AsciiAdvances[c - 0x20]) : EmPixels;
}

// Chinese and Japanese characters (CJK punctuation, kana, ideographs,
// full-width and half-width forms), which a line may break between.
bool IsCjk(char32_t c) {
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) ||
           (c >= 0x20000 && c <= 0x3FFFF);
}

// Japanese typesetting starts no line with a closing mark or a small kana,
// and ends none with an opening bracket. A spreadsheet that breaks there all
// the same (LibreOffice starts lines with "。") needs no more lines than
// counted here.
constexpr std::u16string_view NoBreakBefore =
    u"、。，．・：；？！ー〜～）」』】〕〉》］｝ヽヾゝゞ々ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮ"
    u"ヵヶ｡｣､･ﾞﾟ";
constexpr std::u16string_view NoBreakAfter = u"（「『【〔〈《［｛｢";

bool Among(std::u16string_view marks, char32_t c) {
    return c < 0x10000 && marks.find(char16_t(c)) != std::u16string_view::npos;
}

// Lines break after a space, and between two Japanese characters where the
// marks above allow it. Nowhere else: not inside a word, nor where Japanese
// meets Latin text. A spreadsheet may break there too (LibreOffice breaks
// "2桁" and after "/" and "-"); leaving such breaks out can only add lines.
bool MayBreakBetween(char32_t before, char32_t after) {
    if (before == U' ')
        return true;
    return IsCjk(before) && IsCjk(after) && !Among(NoBreakAfter, before) &&
           !Among(NoBreakBefore, after);
}

// One paragraph, filled line by line as the spreadsheet fills it: what does
// not fit on a line goes to the next from its last place to break; a word
// longer than a line breaks where the line is full. Spaces at the end of a
// line may stand past its edge.
int ParagraphLineCount(const QList<uint> &text, qsizetype from, qsizetype to, int widthPixels) {
    int lines = 1;
    int width = 0;         // of the line so far
    int sinceBreak = 0;    // of its characters after its last place to break
    bool mayBreak = false; // whether the line has such a place
    for (qsizetype i = from; i < to; ++i) {
        const char32_t c = text[i];
        const int pixels = Pixels(c);
        if (c == U' ') {
            width += pixels;
            continue;
        }
        if (i > from && MayBreakBetween(text[i - 1], c)) {
            mayBreak = true;
            sinceBreak = 0;
        }
        if (width > 0 && width + pixels > widthPixels) {
            ++lines;
            width = mayBreak ? sinceBreak : 0;
            mayBreak = false;
            if (width > 0 &&
                width + pixels > widthPixels) { // the word moved down is still too long
                ++lines;
                width = 0;
            }
        }
        width += pixels;
        sinceBreak += pixels;
    }
    return lines;
}

} // namespace

int WrappedLineCount(QStringView text, int widthPixels) {
    // A line feed, a carriage return, or both together start a new paragraph.
    const QList<uint> chars = text.toUcs4();
    int lines = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= chars.size(); ++i) {
        if (i < chars.size() && chars[i] != U'\n' && chars[i] != U'\r')
            continue;
        lines += ParagraphLineCount(chars, start, i, widthPixels);
        if (i + 1 < chars.size() && chars[i] == U'\r' && chars[i + 1] == U'\n')
            ++i;
        start = i + 1;
    }
    return lines;
}

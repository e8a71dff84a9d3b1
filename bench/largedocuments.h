#pragma once

// Large RTF documents for the benchmarks, as bytes.
//
// wordStyleReports: titrator reports as a word processor saves them after editing: every
// paragraph restates its formatting (\pard\plain ... \insrsid), so control words outweigh the
// text. 250 reports of 100 rows make about 5 MB.
//
// longLines: one paragraph per line of about 80 characters in the program's own writing, the
// case of a long recording (63,000 lines, about 5.5 MB).

#include <QByteArray>

#include <cmath>

namespace LargeDocuments {

inline QByteArray number(double value, int decimals)
{
    return QByteArray::number(value, 'f', decimals);
}

inline QByteArray padded(const QByteArray &text, int width)
{
    return QByteArray(qMax(0, width - int(text.size())), ' ') + text;
}

inline QByteArray wordStyleReports(int reports = 250, int rows = 100)
{
    const QByteArray header
        = "{\\rtf1\\adeflang1025\\ansi\\ansicpg1252\\uc1\\adeff0\\deff0\\stshfdbch0\\stshfloch0"
          "\\deflang1031\\deflangfe1031{\\fonttbl{\\f0\\fswiss\\fcharset0\\fprq2{\\*\\panose "
          "020b0604020202020204}Arial;}{\\f1\\froman\\fcharset0\\fprq2 Times New Roman;}}\r\n"
          "{\\colortbl;\\red0\\green0\\blue0;\\red192\\green0\\blue0;}\r\n"
          "{\\stylesheet{\\ql \\li0\\ri0\\widctlpar\\wrapdefault\\aspalpha\\aspnum\\faauto"
          "\\adjustright\\rin0\\lin0\\itap0 \\f0\\fs24\\lang1031 \\snext0 Normal;}}\r\n"
          "{\\info{\\title Messdaten}{\\author Labor "
          "\\'c4\\'d6\\'dc}{\\creatim\\yr2024\\mo3\\dy12}}"
          "\r\n\\paperw11906\\paperh16838\\margl1417\\margr1417\\margt1417\\margb1134"
          "\\viewkind4\\viewscale100\r\n";
    const QByteArray pard = "\\pard\\plain \\ltrpar\\ql \\li0\\ri0\\widctlpar\\wrapdefault"
                            "\\faauto\\rin0\\lin0\\itap0 \\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 "
                            "\\f0\\fs24\\lang1031 ";
    const auto paragraph = [&pard](const QByteArray &text) {
        return pard + "{\\insrsid4200713 " + text + "}{\\insrsid4200713 \\par }\r\n";
    };
    QByteArray out = header;
    out.reserve(qsizetype(reports) * (rows + 6) * 240);
    for (int r = 0; r < reports; ++r) {
        out += paragraph("**********");
        out += paragraph("  TITRATOR      MESSDATEN   Probe " + QByteArray::number(r + 1));
        out += paragraph("{\\b Essigs\\'e4ure} 0,1 mol/l, 25 \\'b0C, Probennummer "
            + QByteArray::number(1000 + r));
        out += paragraph("      ml        pH      t[s]  ");
        for (int i = 0; i < rows; ++i) {
            const double v = i * 0.1;
            const double pH = 7 + 3 * std::tanh(2 * (v - 5)) + 0.001 * (r % 7);
            out += paragraph(padded(number(v, 3), 9) + padded(number(pH, 3), 10)
                + padded(number(i * 3.5, 1), 11) + "  ");
        }
        out += paragraph("");
    }
    out += "}\r\n";
    return out;
}

inline QByteArray longLines(int lines = 63000)
{
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 "
                     "Arial;}}\r\n\\viewkind4\\uc1\\pard\\plain\\f0\\fs24 ";
    out.reserve(qsizetype(lines) * 90 + 200);
    for (int i = 1; i <= lines; ++i) {
        out += "Zeile " + padded(QByteArray::number(i), 7).replace(' ', '0') + " Messwert "
            + number(7 + (i % 1000) * 0.001, 3).replace('.', ',')
            + " abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ\\par\r\n";
    }
    out += "}\r\n";
    return out;
}

} // namespace LargeDocuments

#pragma once

#include <QString>

// Text rules of the MIB tree and the object panel that need no window and no Tcl.
class MibText {
public:
    // A decimal arc as a signed 32-bit integer: leading blanks and a sign are
    // accepted; an empty text, trailing characters or a value out of range fail.
    [[nodiscard]] static bool ArcNumber(const QString& text, int& number);
    // The text after the last "." of an OID, or the whole OID when it has none.
    [[nodiscard]] static QString LastArc(const QString& oid);
    // Every LF, every CR not followed by LF and every CR LF becomes one line break;
    // the result holds the lines joined by "\n" (a memo line per description line).
    [[nodiscard]] static QString NormaliseLineBreaks(const QString& text);
    // Upper case of the letters a to z only; every other character stays.
    [[nodiscard]] static QString UpperAscii(const QString& text);
};

#pragma once

#include <QString>

// Quoting of texts that the program inserts into Tcl scripts and commands. Every
// user or agent text goes in as exactly one Tcl word, so that it can never run as
// code, while an ordinary word (a name, a dotted OID, a number) stays byte for byte
// what it was: the quoting is that of a Tcl list element.
class TclQuote {
public:
    // The text as one list element: unchanged when it needs no quoting, "{}" when
    // empty, otherwise braced or backslash-escaped as Tcl itself would do it.
    [[nodiscard]] static QString word(const QString& text);
    // The texts as one Tcl list (words joined by single blanks).
    [[nodiscard]] static QString list(const QStringList& texts);
};
